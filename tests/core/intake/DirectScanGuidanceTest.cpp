#include "core/intake/DirectScanGuidance.h"

#include <gtest/gtest.h>

#include <climits>

using namespace vantry;

TEST(DirectScanGuidance, EmptyScanMessages)
{
    for (int n : {0, 1, -4})
        EXPECT_EQ(DirectScanGuidance::emptyScanMessage(n).toStdString(),
                  "Scanner completed but fed 0 cards. Reseat the stack in the feeder and scan again. If it keeps "
                  "happening, power-cycle the scanner or use Watch Folder.")
            << n;
    EXPECT_EQ(DirectScanGuidance::emptyScanMessage(2).toStdString(),
              "Scanner fed 0 cards 2 times in a row. The in-app scan can stall the scanner's feeder after a few "
              "runs. Power-cycle the scanner, or turn on Watch Folder and scan with your scanning app (Document "
              "Scanner, Skanlite or NAPS2) for the reliable path.");
}

TEST(DirectScanGuidance, LowDisk)
{
    EXPECT_TRUE(DirectScanGuidance::lowDiskSpace(999999999, 1000000000));
    EXPECT_FALSE(DirectScanGuidance::lowDiskSpace(1000000000, 1000000000));
    struct Case {
        qint64 freeBytes;
        const char* megabytes;
    };
    for (const Case& c : std::vector<Case>{{999999, "0"}, {1500000, "1"}, {-5, "0"}, {LLONG_MIN, "0"}})
        EXPECT_EQ(DirectScanGuidance::lowDiskMessage(c.freeBytes).toStdString(),
                  std::string("Low on disk space (") + c.megabytes +
                      " MB free). The scanner saves each page to disk, so when the disk is full scans come back "
                      "empty. Free up space, then restart Vantry Capture and scan again.")
            << c.freeBytes;
}
