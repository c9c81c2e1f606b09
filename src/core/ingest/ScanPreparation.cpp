#include "core/ingest/ScanPreparation.h"

#include "core/intake/LeftOutScanFile.h"
#include "core/intake/ScanHashes.h"
#include "core/reading/CardCropper.h"
#include "core/records/ImportLedgerStore.h"
#include "core/support/CaptureLog.h"
#include "core/support/ImageCopy.h"

#include <QFileInfo>

#include <new>

namespace vantry::ScanPreparation {

namespace {

bool known(const ImportLedger& ledger, const std::optional<QString>& key) { return key && ledger.contains(*key); }

ScanPrep imported(std::optional<QString> hash, std::optional<QString> dedupeHash)
{
    ScanPrep prep;
    prep.hash = std::move(hash);
    prep.dedupeHash = std::move(dedupeHash);
    prep.alreadyImported = true;
    return prep;
}

} // namespace

bool exceedsScanLimit(const QString& path)
{
    // Asked before any byte is read: hashing a sparse or runaway file of gigabytes would hold
    // up the whole batch. A link counts by what it points at.
    return QFileInfo(path).size() > maxScanFileBytes;
}

ScanPrep prepareScan(const QString& frontPath, const ImportLedger& ledger, const std::optional<QString>& knownPixelHash)
{
    if (exceedsScanLimit(frontPath)) {
        ScanPrep prep;
        prep.tooLarge = true;
        return prep;
    }
    const std::optional<QString> fileHash = ImportLedgerStore::hash(frontPath);
    // Read chunk by chunk: a large scan is never held twice in memory.
    const std::optional<QString> pixelHash = knownPixelHash ? knownPixelHash : pngPixelHashOfFile(frontPath);
    if (known(ledger, fileHash))
        return imported(fileHash, std::nullopt);
    if (known(ledger, pixelHash))
        return imported(fileHash, pixelHash);

    ScanPrep prep;
    prep.hash = fileHash;
    std::optional<QImage> full;
    std::optional<QString> identityHash;
    try {
        full = CardCropper::load(frontPath);
        if (full)
            identityHash = scanImageIdentityHash(*full, identityHashMaxDimension);
    } catch (const std::bad_alloc&) {
        // An image too large to hold is an undecodable scan, not a dead batch.
        full.reset();
    }
    if (known(ledger, identityHash))
        return imported(fileHash, identityHash);
    prep.dedupeHash = identityHash ? identityHash : pixelHash ? pixelHash : fileHash;
    if (!full)
        return prep;

    try {
        const QImage card = CardCropper::cropCard(*full);
        prep.thumbnail = ImageCopy::independentDownscaled(card, thumbnailMaxDimension);
        prep.zoomJPEG = ImageCopy::jpegData(card, zoomMaxDimension, zoomJPEGQuality);
        prep.cardImage = card;
        prep.full = std::move(full);
    } catch (const std::bad_alloc&) {
        prep.thumbnail.reset();
        prep.zoomJPEG.reset();
        prep.cardImage.reset();
    }
    return prep;
}

QCoro::Task<ScanPrep> prepare(QString frontPath, ImportLedger ledger, CPULane lane)
{
    auto work = CPUWork::run([path = std::move(frontPath), ledger = std::move(ledger)] {
        return prepareScan(path, ledger);
    }, lane);
    co_return co_await std::move(work);
}

QCoro::Task<ScanPrep> prepare(ScannedCard card, ImportLedger ledger, CPULane lane)
{
    auto work = CPUWork::run([path = std::move(card.front), pixelHash = std::move(card.frontPixelHash),
                              ledger = std::move(ledger)] { return prepareScan(path, ledger, pixelHash); },
                             lane);
    co_return co_await std::move(work);
}

CardRecognizing::BackLoader backImageProvider(const ScannedCard& card, CPULane lane)
{
    if (!card.back)
        return {};
    return [path = *card.back, lane]() -> QCoro::Task<std::optional<QImage>> {
        // Copied into the frame: the closure may be gone before the work ends.
        const QString backPath = path;
        auto work = CPUWork::run([backPath]() -> std::optional<QImage> {
            if (exceedsScanLimit(backPath)) {
                CaptureLog::log(QStringLiteral("back page not read: ") + QFileInfo(backPath).fileName() +
                                QStringLiteral(" is ") + leftOutReasonText(LeftOutReason::tooLarge));
                return std::nullopt;
            }
            try {
                return CardCropper::load(backPath);
            } catch (const std::bad_alloc&) {
                return std::nullopt;
            }
        }, lane);
        co_return co_await std::move(work);
    };
}

} // namespace vantry::ScanPreparation
