#include "app/settings/SettingsTrainingModel.h"
#include "core/records/TrainingDataStore.h"
#include "platform/FakeSavePanel.h"

#include "support/TempHome.h"
#include "support/TrainingLabels.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <QFileInfo>

using namespace vantry;

namespace {

std::shared_ptr<TrainingDataStore> storeWith(const QString& folder, int labels)
{
    return test::trainingStoreWith(folder, labels);
}

} // namespace

TEST(SettingsTrainingModel, CountsFollowTheStoreAndAStaleReadIsDropped)
{
    test::TempHome home;
    auto a = storeWith(home.file("a"), 2);
    auto b = storeWith(home.file("b"), 1);
    SettingsTrainingModel model(nullptr);
    model.setStore(a);
    test::waitFor(model.reload());
    EXPECT_EQ(model.stats().total, 2);
    EXPECT_EQ(model.stats().foil, 2);
    EXPECT_EQ(model.stats().verified, 1);
    EXPECT_TRUE(model.actionsEnabled());

    // Reads of a store left before they finish must not show.
    auto c = storeWith(home.file("c"), 5);
    model.setStore(c);
    auto oldRead = model.reload();
    model.setStore(b);
    test::waitFor(std::move(oldRead));
    EXPECT_NE(model.stats().total, 5);
    test::waitFor(model.reload());
    EXPECT_EQ(model.stats().total, 1);

    model.setStore(nullptr);
    EXPECT_EQ(model.stats(), TrainingDataStats{});
    EXPECT_FALSE(model.actionsEnabled());
}

TEST(SettingsTrainingModel, ClearEmptiesTheStoreAndShowsZerosAtOnce)
{
    test::TempHome home;
    auto store = storeWith(home.file("t"), 3);
    SettingsTrainingModel model(nullptr);
    model.setStore(store);
    test::waitFor(model.reload());
    ASSERT_EQ(model.stats().total, 3);
    test::waitFor(model.wipe());
    EXPECT_EQ(model.stats(), TrainingDataStats{});
    EXPECT_FALSE(model.actionsEnabled());
    EXPECT_EQ(store->stats().total, 0);
}

TEST(SettingsTrainingModel, ExportThroughTheSavePanelSetsTheToastOnlyOnSuccess)
{
    test::TempHome home;
    auto store = storeWith(home.file("t"), 2);
    auto cancelled = std::make_shared<FakeSavePanel>(std::nullopt);
    SettingsTrainingModel model(cancelled);
    model.setStore(store);
    test::waitFor(model.exportLabels());
    EXPECT_EQ(cancelled->requests().size(), 1u);
    EXPECT_EQ(model.exportToast(), std::nullopt);

    const QString folder = home.file("out/vantry-foil-training-x");
    auto chosen = std::make_shared<FakeSavePanel>(folder);
    SettingsTrainingModel exporting(chosen);
    exporting.setStore(store);
    test::waitFor(exporting.exportLabels());
    EXPECT_EQ(exporting.exportToast(), QStringLiteral("Exported to vantry-foil-training-x"));
    EXPECT_TRUE(QFileInfo::exists(folder + "/labels.csv"));
    EXPECT_EQ(chosen->requests().at(0).title, QStringLiteral("Export Training Data"));
    EXPECT_FALSE(exporting.isBusy());
}
