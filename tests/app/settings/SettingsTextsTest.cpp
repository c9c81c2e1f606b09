#include "app/settings/ScannerSettingsTexts.h"
#include "app/settings/SettingsSlider.h"
#include "app/settings/SettingsTexts.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <cmath>
#include <limits>

using namespace vantry;
namespace T = vantry::SettingsTexts;

TEST(SettingsTexts, AccountAndTrainingLines)
{
    EXPECT_EQ(T::signedInAs(std::nullopt), QStringLiteral("—"));
    EXPECT_EQ(T::signedInAs(QString()), QStringLiteral("—"));
    EXPECT_EQ(T::signedInAs(QStringLiteral("ana@example.test")), QStringLiteral("ana@example.test"));

    // Sign Out only while signed in; signed out, the row names nobody.
    struct AccountCase {
        bool signedIn;
        std::optional<QString> email;
        QString shown;
        bool offersSignOut;
    };
    for (const AccountCase& c : std::vector<AccountCase>{{true, QString("ana@example.test"), "ana@example.test", true},
                                                         {true, std::nullopt, "—", true},
                                                         {false, std::nullopt, "—", false},
                                                         {false, QString("ana@example.test"), "—", false}}) {
        const T::Account account = T::account(c.signedIn, c.email);
        EXPECT_EQ(account.signedInAs, c.shown) << c.signedIn;
        EXPECT_EQ(account.offersSignOut, c.offersSignOut) << c.signedIn;
    }

    const TrainingDataStats stats{12, 3, 8, 1, 5, 7};
    EXPECT_EQ(T::byFinish(stats), QStringLiteral("3 foil · 8 nonfoil · 1 etched"));
    EXPECT_EQ(T::verifiedVsAuto(stats), QStringLiteral("5 verified · 7 auto"));

    EXPECT_EQ(T::wipeConfirmMessage(0), QStringLiteral("0 labels and their thumbnails will be deleted. Cannot be undone."));
    EXPECT_EQ(T::wipeConfirmMessage(1), QStringLiteral("1 label and its thumbnail will be deleted. Cannot be undone."));
    EXPECT_EQ(T::wipeConfirmMessage(42), QStringLiteral("42 labels and their thumbnails will be deleted. Cannot be undone."));

    EXPECT_EQ(T::exportToast("/tmp/out/vantry-foil-training-20260101-120000"),
              QStringLiteral("Exported to vantry-foil-training-20260101-120000"));
    EXPECT_EQ(T::exportToast("/tmp/out/folder/"), QStringLiteral("Exported to folder"));
}

TEST(SettingsTexts, TrainingActionsNeedAStoreWithLabelsAndNothingRunning)
{
    struct Case {
        bool hasStore;
        int total;
        bool busy;
        bool enabled;
    };
    const Case cases[] = {
        {false, 0, false, false}, {false, 5, false, false}, {true, 0, false, false},
        {true, 5, false, true},   {true, 5, true, false},
    };
    for (const Case& c : cases) {
        TrainingDataStats stats;
        stats.total = c.total;
        EXPECT_EQ(T::trainingActionsEnabled(c.hasStore, stats, c.busy), c.enabled)
            << c.hasStore << " " << c.total << " " << c.busy;
    }
}

TEST(SettingsTexts, SliderValuesPathsAndConditions)
{
    const std::pair<double, const char*> values[] = {{0.9337, "0.93"}, {0.92, "0.92"}, {1.0, "1.00"},
                                                     {0.04, "0.04"},   {0.0, "0.00"},   {0.2, "0.20"}};
    for (const auto& [value, text] : values)
        EXPECT_EQ(T::sliderValue(value), QString::fromUtf8(text)) << value;

    const std::tuple<const char*, const char*, const char*> paths[] = {
        {"/home/ana/.local/share/VantryCapture/training", "/home/ana", "~/.local/share/VantryCapture/training"},
        {"/home/ana", "/home/ana/", "~"},
        {"/home/anabel/x", "/home/ana", "/home/anabel/x"},
        {"/srv/data/training", "/home/ana", "/srv/data/training"},
        {"/srv/data", "", "/srv/data"},
    };
    for (const auto& [path, home, expected] : paths)
        EXPECT_EQ(T::abbreviatedPath(path, home), QString::fromUtf8(expected)) << path;

    EXPECT_TRUE(T::trainingNote("~/.local/share/VantryCapture/training")
                    .contains(QStringLiteral("at ~/.local/share/VantryCapture/training/.")));
    EXPECT_TRUE(T::scannerDiagnosticsNote("~/.local/state/VantryCapture/capture.log")
                    .endsWith(QStringLiteral("Phase diagnostics: ~/.local/state/VantryCapture/capture.log")));

    EXPECT_EQ(T::conditions(), (QStringList{"NM", "LP", "MP", "HP", "DMG"}));
}

TEST(SettingsSlider, PositionsAndValuesOfBothSliders)
{
    const SettingsSlider threshold = SettingsSlider::autoThreshold();
    const SettingsSlider gap = SettingsSlider::gapMin();
    EXPECT_EQ(threshold.minimum(), 0.5);
    EXPECT_EQ(threshold.maximum(), 1.0);
    EXPECT_EQ(gap.minimum(), 0.0);
    EXPECT_EQ(gap.maximum(), 0.2);

    const std::tuple<const SettingsSlider*, double, int> positions[] = {
        {&threshold, 0.5, 0},      {&threshold, 1.0, 10000}, {&threshold, 0.92, 8400}, {&threshold, 0.9337, 8674},
        {&threshold, 5.0, 10000},  {&threshold, -1.0, 0},    {&threshold, std::nan(""), 0},
        {&gap, 0.0, 0},            {&gap, 0.04, 2000},       {&gap, 0.2, 10000},       {&gap, 0.3, 10000},
        {&threshold, std::numeric_limits<double>::infinity(), 10000},
    };
    for (const auto& [slider, value, position] : positions)
        EXPECT_EQ(slider->position(value), position) << value;

    // The handle stands at a stored value the slider offers, else at the value meant: a stored
    // gap of 0 keeps the lowest position while it means the default gap.
    EXPECT_EQ(gap.handlePosition(0.0, 0.04), 0);
    EXPECT_EQ(gap.handlePosition(-3.0, 0.04), 2000);
    EXPECT_EQ(gap.handlePosition(std::nullopt, 0.04), 2000);
    EXPECT_EQ(gap.handlePosition(std::nan(""), 0.04), 2000);
    EXPECT_EQ(threshold.handlePosition(0.0, 0.92), 8400);
    EXPECT_EQ(threshold.handlePosition(0.9337, 0.9337), 8674);

    // A dragged value is stored without noise digits, and every position maps back to itself.
    EXPECT_EQ(QString::number(threshold.value(8675), 'g', QLocale::FloatingPointShortest), QStringLiteral("0.93375"));
    EXPECT_EQ(gap.value(2000), 0.04);
    EXPECT_EQ(threshold.value(8400), 0.92);
    for (const SettingsSlider* slider : {&threshold, &gap})
        for (int p = 0; p <= slider->steps; ++p)
            ASSERT_EQ(slider->position(slider->value(p)), p);
}

TEST(ScannerSettingsTexts, TableAndSwitchTexts)
{
    namespace S = vantry::ScannerSettingsTexts;
    const auto& rows = S::recommendedSettings();
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows.front().name, QStringLiteral("Cropping"));
    EXPECT_EQ(rows.front().value, QStringLiteral("None (black background)"));
    EXPECT_EQ(rows.back().name, QStringLiteral("Duplex"));
    int emphasised = 0;
    for (const auto& row : rows)
        emphasised += row.key ? 1 : 0;
    EXPECT_EQ(emphasised, 1);
    EXPECT_TRUE(rows.front().key);

    EXPECT_TRUE(S::intro(true).startsWith(QStringLiteral("The app drives the scanner")));
    EXPECT_TRUE(S::intro(false).startsWith(QStringLiteral("Scan to a folder with your scanning app")));
    EXPECT_EQ(S::appliedNote(true), QStringLiteral("Applied to every scan the app runs."));
    EXPECT_TRUE(S::appliedNote(false).startsWith(QStringLiteral("Recommendation only.")));
    EXPECT_TRUE(S::switchNote(true).startsWith(QStringLiteral("On: ")));
    EXPECT_TRUE(S::switchNote(false).startsWith(QStringLiteral("Off: ")));
}
