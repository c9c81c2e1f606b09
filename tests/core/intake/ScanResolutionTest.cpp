#include "core/intake/ScanResolution.h"
#include "core/intake/ScanSides.h"
#include "core/intake/ScanStartLatch.h"
#include "core/intake/ScannerSessionDiagnosis.h"

#include <gtest/gtest.h>

#include <climits>

using namespace vantry;

TEST(ScanResolution, NearestCaseTiesGoToLowerAndNothingOverflows)
{
    struct Case {
        int dpi;
        ScanResolution::Value expected;
    };
    const std::vector<Case> cases{
        {270, ScanResolution::fastest}, {271, ScanResolution::fast},    {0, ScanResolution::fastest},
        {-5, ScanResolution::fastest},  {350, ScanResolution::fast},    {450, ScanResolution::balanced},
        {550, ScanResolution::sharp},   {600, ScanResolution::best},    {1200, ScanResolution::best},
        {INT_MAX, ScanResolution::best}, {INT_MIN, ScanResolution::fastest},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScanResolution::fromDpi(c.dpi), c.expected) << c.dpi;
}

TEST(ScanResolution, RawValuesTextsAndDefault)
{
    EXPECT_EQ(ScanResolution::fromRawValue(500), std::optional<ScanResolution>(ScanResolution::sharp));
    EXPECT_FALSE(ScanResolution::fromRawValue(450).has_value());
    EXPECT_EQ(ScanResolution::defaultValue(), ScanResolution::best);
    EXPECT_EQ(ScanResolution(ScanResolution::fastest).displayValue(), "240 dpi");
    EXPECT_EQ(ScanResolution(ScanResolution::balanced).label(), "Balanced");
    EXPECT_EQ(ScanResolution(ScanResolution::best).detail(),
              "Sharpest direct-scan collector number and the most auto-confirms, but the slowest scan.");
    ASSERT_EQ(ScanResolution::allCases.size(), 5u);
    EXPECT_EQ(ScanResolution::allCases.front(), ScanResolution::fastest);
}

TEST(ScanResolution, BestSupported)
{
    struct Case {
        int request;
        std::vector<int> supported;
        std::optional<int> expected;
    };
    const std::vector<Case> cases{
        {600, {75, 150, 300, 600, 1200}, 600},
        {500, {1200, 300, 75, 600, 150}, 300},
        {50, {300, 75, 75, 150}, 75},
        {600, {}, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScanResolution::bestSupported(c.request, c.supported), c.expected) << c.request;
}

TEST(ScanSides, RawValues)
{
    EXPECT_EQ(rawValue(ScanSides::duplex), "duplex");
    EXPECT_EQ(scanSidesFromRaw("single"), ScanSides::single);
    EXPECT_FALSE(scanSidesFromRaw("Duplex").has_value());
}

TEST(ScanStartLatch, OneConsumePerArm)
{
    ScanStartLatch latch;
    EXPECT_TRUE(latch.consume());
    EXPECT_FALSE(latch.consume());
    latch.arm();
    EXPECT_TRUE(latch.consume());
    EXPECT_FALSE(latch.consume());
}

TEST(ScannerSessionDiagnosis, OnlyCloseFailureNeedsHardReset)
{
    EXPECT_TRUE(ScannerSessionDiagnosis::requiresHardReset(-9958));
    for (int code : {-9922, 0, 1, -9957})
        EXPECT_FALSE(ScannerSessionDiagnosis::requiresHardReset(code)) << code;
}
