#include "app/settings/CaptureBinPrefix.h"
#include "app/settings/CaptureConfig.h"
#include "app/settings/CaptureCost.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"

#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cmath>

using namespace vantry;
namespace K = vantry::SettingsKeys;

TEST(CaptureConfig, EmptySettingsGiveTheDefaultsWithoutWritingAnything)
{
    test::TempHome home;
    const CaptureConfig c = CaptureConfig::current();
    EXPECT_EQ(c.apiURL, CaptureConfig::defaultApiURL());
    EXPECT_TRUE(c.apiURL.startsWith(u"https://"));
    EXPECT_FALSE(c.apiURL.endsWith(u'/'));
    EXPECT_EQ(c.workspaceId, QString());
    EXPECT_EQ(c.workspaceName, QString());
    EXPECT_EQ(c.scanFolder, QString());
    EXPECT_FALSE(c.duplex);
    EXPECT_TRUE(c.replaceScanFolder);
    EXPECT_EQ(c.autoThreshold, 0.92);
    EXPECT_EQ(c.gapMin, 0.04);
    EXPECT_TRUE(c.directScanEnabled);
    EXPECT_FALSE(c.autoFoilDetect);
    EXPECT_EQ(c.defaultCondition, QStringLiteral("NM"));
    EXPECT_EQ(c.defaultAcquisitionCost, std::nullopt);
    EXPECT_FALSE(c.autoImport);
    EXPECT_EQ(c.binPrefix, QStringLiteral("A"));
    EXPECT_EQ(c.scanResolutionDpi, 600);
    EXPECT_FALSE(QFile::exists(SettingsStore::standard()->filePath()));
}

TEST(CaptureConfig, StoredValuesAndTheirNormalisation)
{
    test::TempHome home;
    auto s = SettingsStore::standard();
    s->setString(K::apiURL, QString()); // empty stays empty: no fallback
    s->setString(K::workspaceId, QStringLiteral("ws-1"));
    s->setBoolean(K::duplex, true);
    s->setBoolean(K::replaceScanFolder, false);
    s->setBoolean(K::directScanEnabled, false);
    s->setFloating(K::autoThreshold, 0);
    s->setFloating(K::gapMin, 0.1);
    s->setString(K::defaultCondition, QStringLiteral("LP"));
    s->setString(K::defaultAcquisitionCost, QStringLiteral("  1.50 "));
    s->setBoolean(K::autoImport, true);
    s->setString(K::binPrefix, QStringLiteral(" b12x9 "));
    s->setInteger(K::scanResolutionDpi, -5);

    const CaptureConfig c = CaptureConfig::current();
    EXPECT_EQ(c.apiURL, QString());
    EXPECT_EQ(c.workspaceId, QStringLiteral("ws-1"));
    EXPECT_TRUE(c.duplex);
    EXPECT_FALSE(c.replaceScanFolder);
    EXPECT_FALSE(c.directScanEnabled);
    EXPECT_EQ(c.autoThreshold, 0.92);
    EXPECT_EQ(c.gapMin, 0.1);
    EXPECT_EQ(c.defaultCondition, QStringLiteral("LP"));
    EXPECT_EQ(c.defaultAcquisitionCost, 1.5);
    EXPECT_TRUE(c.autoImport);
    EXPECT_EQ(c.binPrefix, QStringLiteral("B12X"));
    EXPECT_EQ(c.scanResolutionDpi, 600); // zero or below is no resolution

    // Each snapshot is read afresh.
    s->setFloating(K::autoThreshold, 0.5);
    s->setInteger(K::scanResolutionDpi, 0);
    EXPECT_EQ(CaptureConfig::current().autoThreshold, 0.5);
    EXPECT_EQ(CaptureConfig::current().scanResolutionDpi, 600);
}

TEST(CaptureConfig, HandEditedNumbersReadAsTheDefaultOrTheNearestEndOfTheirRange)
{
    test::TempHome home;
    auto s = SettingsStore::standard();
    struct Case {
        const char* stored;
        double threshold;
        double gap;
    };
    const Case cases[] = {
        // Neither setting is ever 0: a gap of 0 would let a tie confirm by itself.
        {"0", 0.92, 0.04},    {"-0", 0.92, 0.04},  {"0.9337", 0.9337, 0.2}, {"0.07", 0.5, 0.07},
        {"5", 1.0, 0.2},      {"-3", 0.5, 0.04},   {"abc", 0.92, 0.04},     {"nan", 0.92, 0.04},
        {"inf", 0.92, 0.04},  {"", 0.92, 0.04},    {" 0.6 ", 0.6, 0.2},     {"0.00002", 0.5, 0.00002},
    };
    for (const Case& c : cases) {
        s->setString(K::autoThreshold, QString::fromUtf8(c.stored));
        s->setString(K::gapMin, QString::fromUtf8(c.stored));
        const CaptureConfig config = CaptureConfig::current();
        EXPECT_EQ(config.autoThreshold, c.threshold) << c.stored;
        EXPECT_EQ(config.gapMin, c.gap) << c.stored;
    }
}

TEST(CaptureConfig, ScanResolutionIsTheNearestSpeedAndNothingBelowOneIsAResolution)
{
    test::TempHome home;
    auto s = SettingsStore::standard();
    const std::pair<const char*, ScanResolution> cases[] = {
        {"270", ScanResolution::fastest}, {"450", ScanResolution::balanced}, {"9999", ScanResolution::best},
        {"0", ScanResolution::best},      {"-1", ScanResolution::best},      {"abc", ScanResolution::best},
        {"1", ScanResolution::fastest},   {"500", ScanResolution::sharp},
        {"99999999999999", ScanResolution::best},
    };
    for (const auto& [stored, expected] : cases) {
        s->setString(K::scanResolutionDpi, QString::fromUtf8(stored));
        EXPECT_EQ(CaptureConfig::current().scanResolution(), expected) << stored;
    }
    EXPECT_EQ(CaptureConfig().scanResolution(), ScanResolution::best);
}

TEST(CaptureConfig, ConditionMustMatchTheListExactly)
{
    test::TempHome home;
    auto s = SettingsStore::standard();
    const std::pair<const char*, const char*> cases[] = {
        {"LP", "LP"}, {"DMG", "DMG"}, {"lp", "NM"}, {" HP", "NM"}, {"Mint", "NM"}, {"", "NM"},
    };
    for (const auto& [stored, expected] : cases) {
        s->setString(K::defaultCondition, QString::fromUtf8(stored));
        EXPECT_EQ(CaptureConfig::current().defaultCondition, QString::fromUtf8(expected)) << stored;
    }
}

TEST(CaptureCost, OnlyPlainNonNegativeDecimalsAreCosts)
{
    const std::pair<const char*, std::optional<double>> cases[] = {
        {" 1.50 ", 1.5},   {"0", 0.0},        {"-0", 0.0},         {".5", 0.5},          {"2.", 2.0},
        {"+3", 3.0},       {"", std::nullopt}, {" \n ", std::nullopt}, {"-1", std::nullopt}, {"$1.50", std::nullopt},
        {"1,50", std::nullopt}, {"1.5 USD", std::nullopt}, {"1e3", std::nullopt}, {"inf", std::nullopt},
        {"nan", std::nullopt},  {"1,000.00", std::nullopt}, {"0x10", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        const auto cost = CaptureCost::parse(QString::fromUtf8(text));
        EXPECT_EQ(cost, expected) << text;
        if (cost)
            EXPECT_FALSE(std::signbit(*cost)) << text;
    }
    // Too many digits to be a finite double.
    EXPECT_EQ(CaptureCost::parse(QString(400, u'9')), std::nullopt);
}

TEST(CaptureBinPrefix, TrimsCutsFourCharactersThenUpperCases)
{
    const std::pair<std::optional<QString>, QString> cases[] = {
        {QStringLiteral(" b12x9 "), QStringLiteral("B12X")},
        {QStringLiteral("c"), QStringLiteral("C")},
        {std::nullopt, QStringLiteral("A")},
        {QString(), QStringLiteral("A")},
        {QStringLiteral(" \t\n"), QStringLiteral("A")},
        // Upper-casing after the cut: "ß" becomes "SS", five letters.
        {QStringLiteral("abcßd"), QStringLiteral("ABCSS")},
        // A letter with a combining accent counts once and is never split.
        {QStringLiteral("e\u0301fgh"), QStringLiteral("E\u0301FGH")},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(CaptureBinPrefix::normalize(text), expected) << text.value_or(QStringLiteral("<none>")).toStdString();
}
