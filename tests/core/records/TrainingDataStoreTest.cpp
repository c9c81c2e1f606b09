#include "core/records/TrainingDataStore.h"
#include "platform/FakeFileLayer.h"
#include "support/DiskFailures.h"
#include "support/SmallTmpfs.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <thread>

using namespace vantry;
using vantry::test::readFile;
using vantry::test::writeFile;

namespace {

TrainingLabel label(const QString& id, ScanFinish finish = ScanFinish::nonfoil, bool verified = false,
                    const QString& timestamp = "2026-01-01T00:00:00Z")
{
    return {id, "sf-" + id, finish, verified, timestamp, id + ".jpg", "1.0"};
}

QImage image(int width = 64, int height = 64, QColor colour = Qt::red)
{
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

QStringList ids(const std::vector<TrainingLabel>& labels)
{
    QStringList out;
    for (const auto& l : labels)
        out << l.id;
    return out;
}

void execSql(const QString& dbPath, const char* sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(dbPath).constData(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

} // namespace

TEST(TrainingDataStore, AppendsCountsAndListsLabels)
{
    test::TempHome home;
    TrainingDataStore store; // default folder under the data home
    EXPECT_EQ(store.baseURL(), home.file(".local/share/VantryCapture/training"));
    EXPECT_EQ(store.stats(), TrainingDataStats{});
    store.appendBatch({}, false); // starts nothing

    store.appendBatch({{label("c", ScanFinish::etched, false, "2026-01-03"), image()},
                       {label("a", ScanFinish::foil, true, "2026-01-01"), image()},
                       {label("b", ScanFinish::surge, false, "2026-01-02"), image()}},
                      false);
    // Asked right after the append, the counts include it. Surge is in none of the finishes.
    EXPECT_EQ(store.stats(), (TrainingDataStats{3, 1, 0, 1, 1, 2}));
    const auto labels = store.allLabels();
    EXPECT_EQ(ids(labels), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(labels[0], label("a", ScanFinish::foil, true, "2026-01-01"));
    EXPECT_TRUE(QFileInfo::exists(store.thumbnailsURL() + "/a.jpg"));
}

TEST(TrainingDataStore, ExistingIdsAndThumbnailsFollowTheReplaceFlag)
{
    test::TempHome home;
    TrainingDataStore store(home.file("t"));
    store.appendBatch({{label("x", ScanFinish::nonfoil), image(64, 64, Qt::red)}}, false);
    store.stats();
    const QByteArray firstThumbnail = readFile(store.thumbnailsURL() + "/x.jpg");

    store.appendBatch({{label("x", ScanFinish::foil), image(64, 64, Qt::blue)}}, false);
    EXPECT_EQ(store.allLabels().at(0).finish, ScanFinish::nonfoil);
    store.appendBatch({{label("x", ScanFinish::foil), image(64, 64, Qt::blue)}}, true);
    EXPECT_EQ(store.allLabels().at(0).finish, ScanFinish::foil);
    EXPECT_EQ(readFile(store.thumbnailsURL() + "/x.jpg"), firstThumbnail);
}

TEST(TrainingDataStore, BadThumbnailsDropOnlyTheirLabel)
{
    test::TempHome home;
    TrainingDataStore store(home.file("t"));
    auto named = [](const QString& id, const QString& thumbnail) {
        TrainingLabel l = label(id);
        l.thumbnailFilename = thumbnail;
        return l;
    };
    store.appendBatch({{label("ok1"), image()},
                       {label("norender"), QImage()},
                       {named("up", "../escape.jpg"), image()},
                       {named("dotdot", ".."), image()},
                       {named("dot", "."), image()},
                       {named("empty", ""), image()},
                       {named("sub", "a/b.jpg"), image()},
                       {named("shared1", "same.jpg"), image(64, 64, Qt::green)},
                       {named("shared2", "same.jpg"), image(64, 64, Qt::blue)}},
                      false);
    EXPECT_EQ(ids(store.allLabels()), (QStringList{"ok1", "shared1", "shared2"}));
    EXPECT_FALSE(QFileInfo::exists(home.file("t/escape.jpg")));
    EXPECT_EQ(QDir(store.thumbnailsURL()).entryList(QDir::Files), (QStringList{"ok1.jpg", "same.jpg"}));
}

TEST(TrainingDataStore, ThumbnailIsTheWholeScanStretchedToASquareJpeg)
{
    // Left half red, right half blue: a crop would lose a colour, letter-boxing add black.
    QImage portrait(600, 840, QImage::Format_RGB32);
    portrait.fill(Qt::red);
    for (int y = 0; y < 840; ++y)
        for (int x = 300; x < 600; ++x)
            portrait.setPixel(x, y, qRgb(0, 0, 255));
    const auto jpeg = TrainingDataStore::jpegData(portrait);
    ASSERT_TRUE(jpeg.has_value());
    EXPECT_TRUE(jpeg->startsWith("\xff\xd8"));
    QImage decoded = QImage::fromData(*jpeg, "JPEG");
    ASSERT_EQ(decoded.size(), QSize(224, 224));
    EXPECT_GT(qRed(decoded.pixel(5, 5)), 200);
    EXPECT_GT(qBlue(decoded.pixel(218, 218)), 200);
    EXPECT_GT(qRed(decoded.pixel(5, 218)), 200);
    EXPECT_FALSE(TrainingDataStore::jpegData(QImage()).has_value());
}

TEST(TrainingDataStore, AllLabelsSkipsUnknownFinishes)
{
    test::TempHome home;
    {
        TrainingDataStore store(home.file("t"));
        store.appendBatch({{label("good"), image()}}, false);
    }
    execSql(home.file("t/labels.db"),
            "INSERT INTO labels VALUES ('bad', 'sf', 'Foil', 1, '2026', 'bad.jpg', '1.0');");
    TrainingDataStore store(home.file("t"));
    EXPECT_EQ(ids(store.allLabels()), QStringList{"good"});
    EXPECT_EQ(store.stats().total, 2);
}

TEST(TrainingDataStore, WipeEmptiesTableAndThumbnailsButKeepsTheFolder)
{
    test::TempHome home;
    TrainingDataStore store(home.file("t"));
    store.appendBatch({{label("a"), image()}, {label("b"), image()}}, false);
    QDir().mkpath(store.thumbnailsURL() + "/nested");
    store.wipe();
    EXPECT_EQ(store.stats(), TrainingDataStats{});
    EXPECT_TRUE(QFileInfo(store.thumbnailsURL()).isDir());
    EXPECT_TRUE(QDir(store.thumbnailsURL()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

TEST(TrainingDataStore, TwoStoresWritingAtOnceLoseNoLabel)
{
    test::TempHome home;
    TrainingDataStore first(home.file("t"));
    TrainingDataStore second(home.file("t"));
    constexpr int batches = 8;
    constexpr int perBatch = 20;
    auto feed = [&](TrainingDataStore& store, const QString& prefix) {
        for (int b = 0; b < batches; ++b) {
            std::vector<std::pair<TrainingLabel, QImage>> batch;
            for (int i = 0; i < perBatch; ++i)
                batch.push_back({label(QStringLiteral("%1-%2-%3").arg(prefix).arg(b).arg(i)), image(300, 400)});
            store.appendBatch(std::move(batch), false);
        }
    };
    feed(first, "one");
    feed(second, "two");
    second.stats(); // waits for the second store's batches
    EXPECT_EQ(first.stats().total, 2 * batches * perBatch);
    EXPECT_EQ(second.allLabels().size(), size_t(2 * batches * perBatch));
}

TEST(TrainingDataStore, ConstructionFailures)
{
    test::TempHome home;
    QDir().mkpath(home.file("notdb"));
    {
        QFile f(home.file("notdb/labels.db"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    }
    try {
        TrainingDataStore store(home.file("notdb"));
        ADD_FAILURE() << "opened a file that is not a database";
    } catch (const TrainingDataStore::Error& e) {
        EXPECT_EQ(e.domain(), "TrainingDataStore");
        EXPECT_EQ(e.code(), 2);
        EXPECT_TRUE(QString::fromUtf8(e.what()).startsWith("Schema migration failed: ")) << e.what();
    }
    EXPECT_EQ(readFile(home.file("notdb/labels.db")), QByteArray(4096, 'x'));

    {
        QFile f(home.file("plainfile"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    EXPECT_THROW(TrainingDataStore(home.file("plainfile")), TrainingDataStore::Error);

    // A folder in the database's place cannot be opened.
    QDir().mkpath(home.file("dbdir/labels.db"));
    try {
        TrainingDataStore store(home.file("dbdir"));
        ADD_FAILURE() << "opened a folder as the database";
    } catch (const TrainingDataStore::Error& e) {
        EXPECT_EQ(e.domain(), "TrainingDataStore");
        EXPECT_TRUE(e.code() == 1 || e.code() == 2) << e.what();
    }
}

TEST(TrainingDataStore, ThumbnailWriteFailureDropsTheLabel)
{
    test::TempHome home;
    TrainingDataStore store(home.file("t"));
    // The thumbnails folder is replaced by a file after opening.
    QDir(store.thumbnailsURL()).removeRecursively();
    QFile f(store.thumbnailsURL());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    store.appendBatch({{label("a"), image()}}, false);
    EXPECT_EQ(store.stats().total, 0);
}

TEST(TrainingDataStore, ThumbnailsAreMadeWithoutHoldingTheWriteLock)
{
    test::TempHome home;
    TrainingDataStore store(home.file("t"));
    // Another store (here a plain connection) holds the write lock meanwhile.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(home.file("t/labels.db")).constData(), &other), SQLITE_OK);
    // Its commit may briefly meet the store's own shared lock, like any second writer.
    sqlite3_busy_timeout(other, 5000);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE;", nullptr, nullptr, nullptr), SQLITE_OK);

    store.appendBatch({{label("a"), image()}, {label("b"), image()}}, false);
    // The rendering does not wait for the lock, so a long batch never makes the other
    // writer's transaction wait for its thumbnails.
    bool rendered = false;
    for (int i = 0; i < 1000 && !rendered; ++i) {
        rendered = QFileInfo::exists(store.thumbnailsURL() + "/a.jpg") &&
                   QFileInfo::exists(store.thumbnailsURL() + "/b.jpg");
        if (!rendered)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(rendered);
    ASSERT_EQ(sqlite3_exec(other, "COMMIT;", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);
    EXPECT_EQ(ids(store.allLabels()), (QStringList{"a", "b"}));
}

TEST(TrainingDataStore, AFailedThumbnailWriteLeavesNoFileAndTheNextBatchWritesIt)
{
    for (const test::DiskFailure& failure : test::diskFailures()) {
        SCOPED_TRACE(failure.name);
        test::TempHome home;
        TrainingDataStore store(home.file("t"));
        const QString thumbnail = store.thumbnailsURL() + "/a.jpg";
        {
            FakeFileLayer files;
            failure.apply(files);
            store.appendBatch({{label("a"), image()}}, false);
            EXPECT_EQ(store.stats().total, 0);
            EXPECT_GT(files.failures(), 0);
        }
        EXPECT_FALSE(QFileInfo::exists(thumbnail));
        store.appendBatch({{label("a"), image()}}, false);
        EXPECT_EQ(store.stats().total, 1);
        EXPECT_EQ(QImageReader(thumbnail).size(), QSize(224, 224));
    }
}

TEST(TrainingDataStore, AnEmptyThumbnailIsWrittenAgain)
{
    test::TempHome home;
    TrainingDataStore store(home.file("t"));
    const QString thumbnail = store.thumbnailsURL() + "/a.jpg";
    writeFile(thumbnail, "");
    store.appendBatch({{label("a"), image()}}, false);
    EXPECT_EQ(store.stats().total, 1);
    EXPECT_EQ(QImageReader(thumbnail).size(), QSize(224, 224));
}

TEST(TrainingDataStore, AFullDiskLeavesNoEmptyThumbnail)
{
    test::TempHome home;
    test::SmallTmpfs disk(home.file("t/thumbnails"));
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason().toStdString();
    TrainingDataStore store(home.file("t"));
    const QString thumbnail = store.thumbnailsURL() + "/a.jpg";

    disk.fill();
    store.appendBatch({{label("a"), image()}}, false);
    EXPECT_EQ(store.stats().total, 0);
    EXPECT_FALSE(QFileInfo::exists(thumbnail));

    disk.release();
    store.appendBatch({{label("a"), image()}}, false);
    EXPECT_EQ(store.stats().total, 1);
    EXPECT_EQ(QImageReader(thumbnail).size(), QSize(224, 224));
}
