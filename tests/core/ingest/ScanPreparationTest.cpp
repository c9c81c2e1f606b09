#include "core/ingest/ScanPreparation.h"

#include "core/intake/LeftOutScanFile.h"
#include "core/intake/ScanHashes.h"
#include "core/support/ImageDecode.h"
#include "support/MarkerRecognizer.h"
#include "support/SyntheticScan.h"
#include "support/TestFiles.h"

#include <QCryptographicHash>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vantry;
using namespace vantry::test;

namespace {

QString sha256(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

ImportLedger ledgerOf(std::initializer_list<QString> keys)
{
    ImportLedger ledger;
    ledger.record(keys);
    return ledger;
}

class ScanPreparationTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
};

} // namespace

TEST_F(ScanPreparationTest, NewScanIsCroppedWithThumbnailAndZoomAndKeyedByItsIdentity)
{
    SyntheticCard card;
    card.marker = 31337;
    const QImage scan = renderSyntheticScan(card);
    const QByteArray png = image::encodePng(scan, 300);
    writeFile(path("a.png"), png);

    const ScanPrep prep = QCoro::waitFor(ScanPreparation::prepare(path("a.png"), ImportLedger{}));
    EXPECT_FALSE(prep.alreadyImported);
    EXPECT_EQ(prep.hash, sha256(png));
    ASSERT_TRUE(prep.full && prep.cardImage);
    EXPECT_EQ(prep.dedupeHash, scanImageIdentityHash(*prep.full, 1600));
    EXPECT_TRUE(prep.cropped());
    EXPECT_EQ(MarkerRecognizer::readMarker(*prep.cardImage), 31337);
    EXPECT_LT(prep.cardImage->width(), scan.width());
    ASSERT_TRUE(prep.thumbnail);
    EXPECT_EQ(std::max(prep.thumbnail->width(), prep.thumbnail->height()), 420);
    ASSERT_TRUE(prep.zoomJPEG);
    const auto zoom = image::decodeData(*prep.zoomJPEG);
    ASSERT_TRUE(zoom);
    EXPECT_EQ(std::max(zoom->width(), zoom->height()), 840);
}

// A scan the ledger knows by any of its keys is skipped without images; the key it was found
// by decides what the batch remembers it as.
TEST_F(ScanPreparationTest, LedgerKeysInLookupOrder)
{
    const QImage scan = renderSyntheticScan(SyntheticCard{});
    const QByteArray png300 = image::encodePng(scan, 300);
    const QByteArray png600 = image::encodePng(scan, 600); // other bytes, same pixel data
    ASSERT_NE(png300, png600);
    writeFile(path("a.png"), png300);
    writeFile(path("b.png"), png600);
    ASSERT_TRUE(scan.save(path("c.bmp"), "BMP")); // no pixel hash, same identity
    const QString fileHash = sha256(png300);
    const QString pixelHash = *pngPixelHash(png300);
    const QString identity = *scanImageIdentityHash(*image::decodeFile(path("a.png")), 1600);

    struct Case {
        const char* name;
        ImportLedger ledger;
        std::optional<QString> dedupe;
    };
    const Case cases[] = {
        {"a.png", ledgerOf({fileHash, pixelHash, identity}), std::nullopt},
        {"b.png", ledgerOf({pixelHash, identity}), pixelHash},
        {"c.bmp", ledgerOf({identity}), identity},
    };
    for (const Case& c : cases) {
        const ScanPrep prep = ScanPreparation::prepareScan(path(c.name), c.ledger);
        EXPECT_TRUE(prep.alreadyImported) << c.name;
        EXPECT_EQ(prep.hash, sha256(readFile(path(c.name)))) << c.name;
        EXPECT_EQ(prep.dedupeHash, c.dedupe) << c.name;
        EXPECT_FALSE(prep.full || prep.cardImage || prep.thumbnail || prep.zoomJPEG) << c.name;
    }
}

// The pixel hash a card brings along (the watcher's) is taken as it is, not computed again;
// a card without one has it computed.
TEST_F(ScanPreparationTest, APixelHashHandedOverIsTakenAsItIs)
{
    const QByteArray png = image::encodePng(renderSyntheticScan(SyntheticCard{}), 300);
    writeFile(path("a.png"), png);
    const QString pixelHash = *pngPixelHash(png);
    const QString handed(64, QLatin1Char('a')); // a key these bytes do not hash to

    ScannedCard card{0, path("a.png"), std::nullopt, handed};
    const ScanPrep byHanded = QCoro::waitFor(ScanPreparation::prepare(card, ledgerOf({handed})));
    EXPECT_TRUE(byHanded.alreadyImported);
    EXPECT_EQ(byHanded.dedupeHash, handed);
    EXPECT_FALSE(ScanPreparation::prepareScan(path("a.png"), ledgerOf({pixelHash}), handed).alreadyImported);

    card.frontPixelHash.reset();
    const ScanPrep computed = QCoro::waitFor(ScanPreparation::prepare(card, ledgerOf({pixelHash})));
    EXPECT_TRUE(computed.alreadyImported);
    EXPECT_EQ(computed.dedupeHash, pixelHash);
}

TEST_F(ScanPreparationTest, BadFilesGiveRowsWithoutImagesNeverAFailure)
{
    writeFile(path("notes.png"), "not an image at all");
    writeFile(path("empty.png"), QByteArray());
    const QByteArray png = image::encodePng(renderSyntheticScan(SyntheticCard{}), 300);
    writeFile(path("cut.png"), png.left(40));

    struct Case {
        const char* name;
        bool hasHash;
    };
    for (const Case c : {Case{"notes.png", true}, Case{"empty.png", true}, Case{"cut.png", true},
                         Case{"missing.png", false}}) {
        const ScanPrep prep = ScanPreparation::prepareScan(path(c.name), ImportLedger{});
        EXPECT_FALSE(prep.alreadyImported) << c.name;
        EXPECT_EQ(prep.hash.has_value(), c.hasHash) << c.name;
        if (c.hasHash)
            EXPECT_EQ(prep.hash, sha256(readFile(path(c.name)))) << c.name;
        EXPECT_FALSE(prep.full || prep.cardImage || prep.thumbnail || prep.zoomJPEG) << c.name;
    }
    // A file that is not an image is keyed by its bytes.
    EXPECT_EQ(ScanPreparation::prepareScan(path("notes.png"), {}).dedupeHash, sha256("not an image at all"));
    EXPECT_EQ(ScanPreparation::prepareScan(path("missing.png"), {}).dedupeHash, std::nullopt);
}

TEST_F(ScanPreparationTest, ADarkScanIsKeptWholeAsTheCard)
{
    QImage dark(400, 560, QImage::Format_RGB32);
    dark.fill(QColor(40, 40, 40)); // luma 40: nothing to crop
    ASSERT_TRUE(dark.save(path("dark.png")));
    const ScanPrep prep = ScanPreparation::prepareScan(path("dark.png"), {});
    ASSERT_TRUE(prep.full && prep.cardImage && prep.thumbnail);
    EXPECT_FALSE(prep.cropped());
    EXPECT_EQ(prep.thumbnail->size(), QSize(300, 420));
}

TEST_F(ScanPreparationTest, BackImageProvider)
{
    EXPECT_FALSE(ScanPreparation::backImageProvider(ScannedCard{0, path("f.png"), std::nullopt}));

    const auto missing = ScanPreparation::backImageProvider(ScannedCard{0, path("f.png"), path("gone.png")});
    ASSERT_TRUE(missing);
    EXPECT_EQ(QCoro::waitFor(missing()), std::nullopt);

    const QImage back = renderSyntheticScan(SyntheticCard{});
    ASSERT_TRUE(back.save(path("back.png")));
    const auto present = ScanPreparation::backImageProvider(ScannedCard{0, path("f.png"), path("back.png")});
    const auto loaded = QCoro::waitFor(present());
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->size(), back.size()); // uncropped
}

TEST_F(ScanPreparationTest, AFileFarLargerThanAnyScanIsNeverRead)
{
    // A real scan with sparse gigabytes behind it: its bytes would hash, its image decode.
    const QImage scan = renderSyntheticScan(SyntheticCard{});
    ASSERT_TRUE(scan.save(path("huge.png")));
    ASSERT_TRUE(scan.save(path("huge-back.png")));
    for (const char* name : {"huge.png", "huge-back.png"})
        ASSERT_TRUE(QFile::resize(path(name), qint64(8) * 1024 * 1024 * 1024));

    const ScanPrep prep = ScanPreparation::prepareScan(path("huge.png"), ImportLedger{});
    EXPECT_TRUE(prep.tooLarge);
    EXPECT_FALSE(prep.hash);
    EXPECT_FALSE(prep.dedupeHash);
    EXPECT_FALSE(prep.full);
    EXPECT_FALSE(pngPixelHashOfFile(path("huge.png")));
    const auto back = ScanPreparation::backImageProvider(ScannedCard{0, path("f.png"), path("huge-back.png")});
    EXPECT_EQ(QCoro::waitFor(back()), std::nullopt);

    // The limit itself is still a scan's size; one byte more is not.
    struct Case {
        qint64 size;
        bool exceeds;
    };
    for (const Case& c : {Case{maxScanFileBytes, false}, Case{maxScanFileBytes + 1, true}}) {
        writeFile(path("sized.png"), "x");
        ASSERT_TRUE(QFile::resize(path("sized.png"), c.size));
        EXPECT_EQ(ScanPreparation::exceedsScanLimit(path("sized.png")), c.exceeds) << c.size;
    }
    EXPECT_FALSE(ScanPreparation::prepareScan(path("f.png"), ImportLedger{}).tooLarge) << "a missing file is no size";
}
