#include "core/records/TrainingDataStats.h"
#include "core/records/TrainingDataStore.h"
#include "core/records/TrainingExporter.h"
#include "core/records/TrainingLabelCSV.h"
#include "platform/FakeFileLayer.h"
#include "platform/FakeSavePanel.h"
#include "support/DiskFailures.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace vantry;
using vantry::test::readFile;
using vantry::test::writeFile;

namespace {

TrainingLabel label(const QString& id, ScanFinish finish = ScanFinish::nonfoil, bool verified = false)
{
    return {id, "sf-" + id, finish, verified, "2026-01-01T00:00:0" + id.right(1), id + ".jpg", "1.2.3"};
}

QImage image()
{
    QImage img(32, 32, QImage::Format_RGB32);
    img.fill(Qt::gray);
    return img;
}

const QByteArray readmeOfZero = "Vantry Capture \xe2\x80\x94 Foil Training Data Export\n"
                                "\n"
                                "0 labeled scans.\n"
                                "\n"
                                "Format:\n"
                                "  labels.csv        \xe2\x80\x94 id, scryfall_id, finish, verified, timestamp,\n"
                                "                      thumbnail_filename, app_version\n"
                                "  thumbnails/       \xe2\x80\x94 224x224 JPEG per label, filename = id + .jpg\n"
                                "\n"
                                "Training notes:\n"
                                "  1. Filter to verified=1 for the cleanest training labels. Operator\n"
                                "     manually clicked the finish dropdown or hit Verify Foils on these.\n"
                                "     verified=0 rows were auto-confirmed by recognition and may carry\n"
                                "     an unreviewed default finish.\n"
                                "  2. Class imbalance: typical bin is ~95% nonfoil / ~5% foil. Use\n"
                                "     class-weighted loss OR stratified oversampling at train time.\n"
                                "  3. Suggested model: MobileNetV3-Small backbone, fine-tuned binary\n"
                                "     classifier (foil / nonfoil), 224x224 input, sigmoid output,\n"
                                "     BCEWithLogitsLoss with pos_weight=10 for foil.\n"
                                "  4. Export to ONNX (OpenCV's dnn module reads it) so it can be\n"
                                "     bundled into a future Vantry Capture release.\n"
                                "\n"
                                "Train/eval split:\n"
                                "  Use the timestamp column for a chronological split \xe2\x80\x94 train on the\n"
                                "  older 80%, validate on the newer 20%. Random splits leak scanner-\n"
                                "  drift information and over-estimate test accuracy.";

} // namespace

TEST(TrainingDataStats, CountsSurgeAsFoilInMemory)
{
    const TrainingDataStats stats = TrainingDataStats::from(
        {label("1", ScanFinish::foil, true), label("2", ScanFinish::surge), label("3", ScanFinish::etched)});
    EXPECT_EQ(stats, (TrainingDataStats{3, 2, 0, 1, 1, 2}));
    EXPECT_EQ(TrainingDataStats::from({}), TrainingDataStats{});
}

TEST(TrainingLabelCSV, RowsAreQuotedLikeTheScanCsvs)
{
    TrainingLabel tricky = label("1", ScanFinish::surge, true);
    tricky.timestamp = "Jan 1, 2026";
    tricky.appVersion = "1.0 \"beta\"\nbuild";
    EXPECT_EQ(TrainingLabelCSV::row(label("7", ScanFinish::surge, true)),
              "7,sf-7,surge,1,2026-01-01T00:00:07,7.jpg,1.2.3");
    EXPECT_EQ(TrainingLabelCSV::row(tricky), "1,sf-1,surge,1,\"Jan 1, 2026\",1.jpg,\"1.0 \"\"beta\"\"\nbuild\"");
    EXPECT_EQ(TrainingLabelCSV::render({}), TrainingLabelCSV::header + "\n");
    EXPECT_EQ(TrainingLabelCSV::render({label("1"), label("2", ScanFinish::foil)}),
              "id,scryfall_id,finish,verified,timestamp,thumbnail_filename,app_version\n"
              "1,sf-1,nonfoil,0,2026-01-01T00:00:01,1.jpg,1.2.3\n"
              "2,sf-2,foil,0,2026-01-01T00:00:02,2.jpg,1.2.3\n");
}

TEST(TrainingExporter, EmptyStoreExportsHeaderEmptyFolderAndReadme)
{
    test::TempHome home;
    auto store = std::make_shared<TrainingDataStore>(home.file("store"));
    const QString target = home.file("out/vantry-foil-training-x");
    auto panel = std::make_shared<FakeSavePanel>(target);
    const QDateTime now(QDate(2026, 1, 31), QTime(9, 5, 7));

    const auto result = QCoro::waitFor(TrainingExporter::runWithSavePanel(store, panel, now));
    EXPECT_EQ(result, target);
    ASSERT_EQ(panel->requests().size(), 1u);
    EXPECT_EQ(panel->requests()[0].title, "Export Training Data");
    EXPECT_EQ(panel->requests()[0].prompt, "Export");
    EXPECT_EQ(panel->requests()[0].proposedName, "vantry-foil-training-20260131-090507");
    EXPECT_EQ(readFile(target + "/labels.csv"), TrainingLabelCSV::header.toUtf8() + "\n");
    EXPECT_TRUE(QDir(target + "/thumbnails").isEmpty());
    EXPECT_EQ(readFile(target + "/README.txt"), readmeOfZero);
}

TEST(TrainingExporter, CancelWritesNothing)
{
    test::TempHome home;
    auto store = std::make_shared<TrainingDataStore>(home.file("store"));
    auto panel = std::make_shared<FakeSavePanel>(std::nullopt);
    EXPECT_EQ(QCoro::waitFor(TrainingExporter::runWithSavePanel(store, panel)), std::nullopt);
    EXPECT_FALSE(QFileInfo::exists(home.file("out")));
}

TEST(TrainingExporter, ReexportReplacesCurrentFilesAndKeepsOthers)
{
    test::TempHome home;
    auto store = std::make_shared<TrainingDataStore>(home.file("store"));
    store->appendBatch({{label("1", ScanFinish::foil, true), image()}, {label("2"), image()}}, false);
    const QString target = home.file("out");
    auto panel = std::make_shared<FakeSavePanel>(target);
    ASSERT_TRUE(QCoro::waitFor(TrainingExporter::runWithSavePanel(store, panel)).has_value());

    // Between exports: a stray file in the export, a stale copy, and a thumbnail gone from the store.
    QFile::remove(store->thumbnailsURL() + "/2.jpg");
    QFile stray(target + "/notes.txt");
    ASSERT_TRUE(stray.open(QIODevice::WriteOnly));
    stray.close();
    QFile stale(target + "/thumbnails/1.jpg");
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly | QIODevice::Truncate));
    stale.write("stale");
    stale.close();
    store->appendBatch({{label("3", ScanFinish::etched), image()}}, false);

    ASSERT_TRUE(QCoro::waitFor(TrainingExporter::runWithSavePanel(store, panel)).has_value());
    EXPECT_TRUE(QFileInfo::exists(target + "/notes.txt"));
    EXPECT_EQ(readFile(target + "/thumbnails/1.jpg"), readFile(store->thumbnailsURL() + "/1.jpg"));
    EXPECT_TRUE(QFileInfo::exists(target + "/thumbnails/3.jpg"));
    EXPECT_EQ(readFile(target + "/labels.csv").count('\n'), 4); // header and all three labels
    EXPECT_TRUE(readFile(target + "/README.txt").contains("\n3 labeled scans.\n"));
}

TEST(TrainingExporter, FailedCopyStopsBeforeTheReadme)
{
    test::TempHome home;
    TrainingDataStore store(home.file("store"));
    store.appendBatch({{label("1"), image()}, {label("2"), image()}}, false);
    const auto labels = store.allLabels();
    const QString target = home.file("out");
    // A non-empty folder where the second copy must go can be neither removed nor replaced.
    QDir().mkpath(target + "/thumbnails/2.jpg/inner");
    EXPECT_FALSE(TrainingExporter::write(labels, store, target));
    EXPECT_TRUE(QFileInfo::exists(target + "/labels.csv"));
    EXPECT_TRUE(QFileInfo::exists(target + "/thumbnails/1.jpg"));
    EXPECT_FALSE(QFileInfo::exists(target + "/README.txt"));

    // An export folder that cannot be made fails at once.
    QFile file(home.file("taken"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_FALSE(TrainingExporter::write(labels, store, home.file("taken")));
}

TEST(TrainingExporter, ExportIntoTheStoresOwnFolderKeepsEveryThumbnail)
{
    test::TempHome home;
    TrainingDataStore store(home.file("store"));
    store.appendBatch({{label("1"), image()}, {label("2"), image()}}, false);
    const auto labels = store.allLabels();
    const QByteArray first = readFile(store.thumbnailsURL() + "/1.jpg");
    ASSERT_FALSE(first.isEmpty());

    // The chosen folder is the store's own: each copy's target is its source.
    EXPECT_TRUE(TrainingExporter::write(labels, store, store.baseURL()));
    EXPECT_EQ(readFile(store.thumbnailsURL() + "/1.jpg"), first);
    EXPECT_TRUE(QFileInfo::exists(store.thumbnailsURL() + "/2.jpg"));
    EXPECT_EQ(store.allLabels(), labels);
}

TEST(TrainingExporter, AFailedWriteFailsTheExportAndKeepsTheEarlierOne)
{
    test::TempHome home;
    TrainingDataStore store(home.file("store"));
    store.appendBatch({{label("1"), image()}}, false);
    const auto labels = store.allLabels();
    const QString target = home.file("out");
    ASSERT_TRUE(TrainingExporter::write(labels, store, target));
    const QStringList files{"labels.csv", "thumbnails/1.jpg", "README.txt"};
    std::map<QString, QByteArray> before;
    for (const QString& file : files)
        before[file] = readFile(target + "/" + file);
    for (const test::DiskFailure& failure : test::diskFailures()) {
        SCOPED_TRACE(failure.name);
        FakeFileLayer layer;
        failure.apply(layer);
        EXPECT_FALSE(TrainingExporter::write(labels, store, target));
        for (const QString& file : files)
            EXPECT_EQ(readFile(target + "/" + file), before[file]) << file.toStdString();
    }
}
