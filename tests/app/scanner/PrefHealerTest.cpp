#include "app/scanner/PrefHealer.h"
#include "platform/FakePreferenceDomains.h"

#include <gtest/gtest.h>

using namespace vantry;

namespace {
const QString domain = "com.apple.Image_Capture";
const QString key = "IK_DetectSeparateItemsScanMode";
} // namespace

TEST(PrefHealer, TurnsTheDuplicateModeOffOnce)
{
    for (qint64 on : {qint64(1), qint64(-2)}) {
        FakePreferenceDomains domains;
        domains.set(domain, key, on);
        const PrefHealer::Outcome first = PrefHealer::healImageCaptureDuplicateScans(domains);
        EXPECT_TRUE(first.changed);
        EXPECT_EQ(first.previousValue, on);
        ASSERT_TRUE(first.message.has_value());
        EXPECT_EQ(first.message->toStdString(),
                  "Disabled the scanning app's \"Detect Separate Items\" — it produces duplicate scans for "
                  "card-on-black-background. Restart the scanning app for the change to fully apply.");
        EXPECT_EQ(domains.value(domain, key), 0);

        EXPECT_EQ(PrefHealer::healImageCaptureDuplicateScans(domains), PrefHealer::Outcome{});
        EXPECT_EQ(domains.writes(), 1);
    }
}

TEST(PrefHealer, AbsentKeyOrUnavailableDomainChangesNothing)
{
    FakePreferenceDomains domains;
    domains.makeAvailable(domain);
    EXPECT_EQ(PrefHealer::healImageCaptureDuplicateScans(domains), PrefHealer::Outcome{});
    EXPECT_EQ(domains.writes(), 0);
    EXPECT_FALSE(domains.value(domain, key).has_value());

    FakePreferenceDomains unavailable;
    EXPECT_EQ(PrefHealer::healImageCaptureDuplicateScans(unavailable), PrefHealer::Outcome{});
    // On Linux there is no such domain at all.
    EXPECT_EQ(PreferenceDomains::system().open(domain), nullptr);
    EXPECT_EQ(PrefHealer::healImageCaptureDuplicateScans(), PrefHealer::Outcome{});
}
