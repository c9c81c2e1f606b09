#include "core/support/Json.h"
#include "core/records/ScanManifestStore.h"
#include "platform/FakeFileLayer.h"
#include "support/DiskFailures.h"
#include "support/SmallTmpfs.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vantry;
using vantry::test::readFile;
using vantry::test::writeFile;

namespace {

ScanManifestEntry entry(const QString& frontPath, const QString& itemId, double confidence = 0.9)
{
    return ScanManifestEntry(QFileInfo(frontPath).fileName(), frontPath, std::nullopt, std::nullopt, "bin-1", "ws-1",
                             "Shop", "sess-1", itemId, "sf-" + itemId, "Card " + itemId, "KHM", "12",
                             ScanFinish::foil, std::nullopt, std::nullopt, std::nullopt, confidence, "hash",
                             std::nullopt, true);
}

QStringList itemIds(const ScanManifest& m)
{
    QStringList out;
    for (const auto& e : m.entries)
        out << e.itemId;
    return out;
}

const QDateTime now = QDateTime(QDate(2026, 1, 31), QTime(14, 5, 9, 750), Qt::UTC);

} // namespace

TEST(ScanManifestEntry, ConfidenceIsClampedAndRoundedOnlyByTheInitialiser)
{
    const std::vector<std::pair<double, double>> cases{
        {1.23456, 1}, {0.123456, 0.1235}, {-0.5, 0}, {0.00005, 0.0001}, {0.5, 0.5},
        {std::numeric_limits<double>::quiet_NaN(), 0}, {std::numeric_limits<double>::infinity(), 1}};
    for (const auto& [given, stored] : cases)
        EXPECT_EQ(entry("/s/a.png", "i", given).confidence, stored) << given;
    // Read from a file, the value stays as written.
    ScanManifestEntry read = ScanManifestEntry::fromJson(entry("/s/a.png", "i").toJson());
    QJsonObject raw = entry("/s/a.png", "i").toJson();
    raw["confidence"] = 0.123456;
    EXPECT_EQ(ScanManifestEntry::fromJson(raw).confidence, 0.123456);
    EXPECT_EQ(read, entry("/s/a.png", "i"));
}

TEST(ScanManifestStore, IsoStringIsUtcWithoutFraction)
{
    EXPECT_EQ(ScanManifestStore::isoString(now), "2026-01-31T14:05:09Z");
    EXPECT_EQ(ScanManifestStore::isoString(now.toOffsetFromUtc(3600)), "2026-01-31T14:05:09Z");
}

TEST(ScanManifestStore, WritesTheFileInItsStableForm)
{
    test::TempHome home;
    QDir().mkpath(home.file("scans"));
    const QString front = home.file("scans/a.png");
    ScanManifestEntry e(QStringLiteral("a.png"), front, QStringLiteral("b.png"), home.file("scans/b.png"),
                        std::nullopt, std::nullopt, std::nullopt, "sess", "sf1:foil", "sf1", "Name, \"Q\"", "khm",
                        "12★", ScanFinish::surge, QStringLiteral("plain"), QStringLiteral("NM"), 0.25, 0.75,
                        std::nullopt, QStringLiteral("id-hash"), false);
    const auto written = ScanManifestStore::write({e}, now);
    ASSERT_EQ(written, std::vector<QString>{home.file("scans/vantry-scan-manifest.json")});

    QString slashed = home.file("scans");
    slashed.replace("/", "\\/");
    const QByteArray expected = QStringLiteral("{\n"
                                               "  \"entries\" : [\n"
                                               "    {\n"
                                               "      \"artSeriesVariant\" : \"plain\",\n"
                                               "      \"backFilename\" : \"b.png\",\n"
                                               "      \"backPath\" : \"%1\\/b.png\",\n"
                                               "      \"collectorNumber\" : \"12★\",\n"
                                               "      \"condition\" : \"NM\",\n"
                                               "      \"confidence\" : 0.75,\n"
                                               "      \"finish\" : \"surge\",\n"
                                               "      \"frontFilename\" : \"a.png\",\n"
                                               "      \"frontPath\" : \"%1\\/a.png\",\n"
                                               "      \"importSessionId\" : \"sess\",\n"
                                               "      \"itemId\" : \"sf1:foil\",\n"
                                               "      \"name\" : \"Name, \\\"Q\\\"\",\n"
                                               "      \"scanIdentityHash\" : \"id-hash\",\n"
                                               "      \"scryfallId\" : \"sf1\",\n"
                                               "      \"setCode\" : \"khm\",\n"
                                               "      \"unitCost\" : 0.25,\n"
                                               "      \"verifiedFinish\" : false\n"
                                               "    }\n"
                                               "  ],\n"
                                               "  \"schemaVersion\" : 1,\n"
                                               "  \"updatedAt\" : \"2026-01-31T14:05:09Z\"\n"
                                               "}")
                                    .arg(slashed)
                                    .toUtf8();
    EXPECT_EQ(readFile(written.front()), expected);
    EXPECT_EQ(ScanManifestStore::load(written.front())->entries, std::vector<ScanManifestEntry>{e});
}

TEST(ScanManifestStore, MergeKeepsFirstPositionAndLastEntryPerKey)
{
    test::TempHome home;
    const QString manifest = home.file("m/vantry-scan-manifest.json");
    // An older file: a key listed twice, a newer schema and a member the format lacks.
    ScanManifest old;
    old.schemaVersion = 2;
    old.updatedAt = "2025-01-01T00:00:00Z";
    old.entries = {entry("/s/a.png", "a1"), entry("/s/b.png", "b1"), entry("/s/a.png", "a2")};
    QJsonObject oldJson = old.toJson();
    oldJson["futureKey"] = "x";
    writeFile(manifest, json::serializeSorted(oldJson));

    ScanManifestEntry byNameOnly = entry("", "n1");
    byNameOnly.frontFilename = "n.png";
    ScanManifestEntry byNameAgain = entry("", "n2");
    byNameAgain.frontFilename = "n.png";
    ScanManifestStore::merge({entry("/s/c.png", "c1"), entry("/s/b.png", "b2"), byNameOnly, byNameAgain}, manifest,
                             "2026-01-31T14:05:09Z");

    const ScanManifest merged = *ScanManifestStore::load(manifest);
    EXPECT_EQ(merged.schemaVersion, 1);
    EXPECT_EQ(merged.updatedAt, "2026-01-31T14:05:09Z");
    EXPECT_EQ(itemIds(merged), (QStringList{"a2", "b2", "c1", "n2"}));
    EXPECT_FALSE(readFile(manifest).contains("futureKey"));
}

TEST(ScanManifestStore, FoldersAreWrittenInPathOrder)
{
    test::TempHome home;
    QDir().mkpath(home.file("a"));
    QDir().mkpath(home.file("z"));
    const auto written = ScanManifestStore::write(
        {entry(home.file("z/1.png"), "z1"), entry(home.file("a/1.png"), "a1"), entry(home.file("z/2.png"), "z2")},
        now);
    EXPECT_EQ(written, (std::vector<QString>{home.file("a/vantry-scan-manifest.json"),
                                             home.file("z/vantry-scan-manifest.json")}));
    EXPECT_EQ(itemIds(*ScanManifestStore::load(written[1])), (QStringList{"z1", "z2"}));
    EXPECT_TRUE(ScanManifestStore::write({}, now).empty());
}

TEST(ScanManifestStore, UndecodableManifestIsLeftAsItWasAndOtherFoldersStillWritten)
{
    QJsonObject valid = ScanManifest{1, "t", {entry("/s/a.png", "a")}}.toJson();
    auto withEntry = [&](auto change) {
        QJsonObject copy = valid;
        QJsonArray entries = copy["entries"].toArray();
        QJsonObject first = entries[0].toObject();
        change(first);
        entries[0] = first;
        copy["entries"] = entries;
        return QJsonDocument(copy).toJson();
    };
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const std::vector<Case> cases{
        {"not JSON", "{\"entries\": ["},
        {"no verifiedFinish", withEntry([](QJsonObject& e) { e.remove("verifiedFinish"); })},
        {"unknown finish", withEntry([](QJsonObject& e) { e["finish"] = "Foil"; })},
        {"wrong type", withEntry([](QJsonObject& e) { e["confidence"] = "high"; })},
        {"entries not a list", R"({"schemaVersion":1,"updatedAt":"t","entries":{}})"},
        {"empty file", ""},
    };
    for (const Case& c : cases) {
        test::TempHome home;
        // "a" sorts first, so the broken folder comes before the good one.
        const QString broken = home.file("a/vantry-scan-manifest.json");
        writeFile(broken, c.bytes);
        QDir().mkpath(home.file("b"));
        try {
            ScanManifestStore::write({entry(home.file("b/1.png"), "b1"), entry(home.file("a/1.png"), "a1")}, now);
            ADD_FAILURE() << c.name << ": no error";
        } catch (const ScanManifestError& e) {
            EXPECT_TRUE(QString::fromUtf8(e.what()).startsWith(broken)) << e.what();
        }
        EXPECT_EQ(readFile(broken), c.bytes) << c.name;
        const auto good = ScanManifestStore::load(home.file("b/vantry-scan-manifest.json"));
        ASSERT_TRUE(good.has_value()) << c.name;
        EXPECT_EQ(itemIds(*good), QStringList{"b1"});
    }
}

TEST(ScanManifestStore, UnwritableFolderOrMissingPathThrows)
{
    test::TempHome home;
    writeFile(home.file("file"), "x");
    QDir().mkpath(home.file("ok"));
    // A front scan "inside" a regular file: its folder cannot hold a manifest.
    EXPECT_THROW(ScanManifestStore::write({entry(home.file("file/1.png"), "x")}, now), ScanManifestError);
    // An entry without a front path has no folder; the others are still written.
    EXPECT_THROW(ScanManifestStore::write({entry("", "x"), entry(home.file("ok/1.png"), "y")}, now),
                 ScanManifestError);
    EXPECT_TRUE(QFile::exists(home.file("ok/vantry-scan-manifest.json")));
}

TEST(ScanManifestStore, AFailedWriteThrowsAndKeepsTheManifest)
{
    test::TempHome home;
    QDir().mkpath(home.file("scans"));
    const QString front = home.file("scans/1.png");
    const auto written = ScanManifestStore::write({entry(front, "first")}, now);
    ASSERT_EQ(written.size(), 1u);
    const QByteArray before = readFile(written.front());
    for (const test::DiskFailure& failure : test::diskFailures()) {
        SCOPED_TRACE(failure.name);
        FakeFileLayer files;
        failure.apply(files);
        try {
            ScanManifestStore::write({entry(front, "second")}, now);
            ADD_FAILURE() << "no error";
        } catch (const ScanManifestError& e) {
            EXPECT_TRUE(QString::fromUtf8(e.what()).contains(written.front())) << e.what();
        }
        EXPECT_EQ(readFile(written.front()), before);
    }
}

TEST(ScanManifestStore, AFullDiskKeepsTheManifest)
{
    test::TempHome home;
    test::SmallTmpfs disk(home.file("scans"));
    if (!disk.mounted())
        GTEST_SKIP() << disk.reason().toStdString();
    const QString front = home.file("scans/1.png");
    const auto written = ScanManifestStore::write({entry(front, "first")}, now);
    ASSERT_EQ(written.size(), 1u);
    const QByteArray before = readFile(written.front());
    ASSERT_FALSE(before.isEmpty());

    disk.fill();
    EXPECT_THROW(ScanManifestStore::write({entry(front, "second")}, now), ScanManifestError);
    EXPECT_EQ(readFile(written.front()), before);
    const auto loaded = ScanManifestStore::load(written.front());
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(itemIds(*loaded), QStringList{"first"});
}
