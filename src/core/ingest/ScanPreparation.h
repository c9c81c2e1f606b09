#pragma once

#include "core/ingest/ScanPrep.h"
#include "core/card/ScannedCard.h"
#include "core/records/ImportLedger.h"
#include "core/recognition/CardRecognizing.h"
#include "core/support/CPUWork.h"

#include <QCoroTask>
#include <QString>

namespace vantry {

// The CPU-heavy first step of ingest for one card: the scan's three keys (file hash, PNG
// pixel hash, identity hash) against the import ledger, then decode, crop, thumbnail and zoom
// image. Reads the file system only; shares nothing with the caller.
namespace ScanPreparation {

// True when the file at `path` is larger than maxScanFileBytes (never read as a scan).
bool exceedsScanLimit(const QString& path);

// Synchronous; never on the main thread. A file past the scan limit is not read at all. The byte digests are both taken before any lookup;
// the image is decoded only when neither is in the ledger, and a scan the ledger knows is
// never decoded past its identity hash. Never throws: every failure is an absent field.
// `knownPixelHash`: the file's PNG pixel hash when the caller already has it; none: computed here.
ScanPrep prepareScan(const QString& frontPath, const ImportLedger& ledger,
                     const std::optional<QString>& knownPixelHash = std::nullopt);

// `prepareScan` on the CPU pool's `lane`.
QCoro::Task<ScanPrep> prepare(QString frontPath, ImportLedger ledger, CPULane lane = CPULane::ordinary);
// The same for a card's front, with the pixel hash the card brings along (if any).
QCoro::Task<ScanPrep> prepare(ScannedCard card, ImportLedger ledger, CPULane lane = CPULane::ordinary);

// Loads the card's back page (uncropped) on the CPU pool each time it is called; none for a
// card without a back. The loader yields none when the back does not decode.
CardRecognizing::BackLoader backImageProvider(const ScannedCard& card, CPULane lane = CPULane::ordinary);

// The keys of ScanPrep's images.
inline constexpr int identityHashMaxDimension = 1600;
inline constexpr int thumbnailMaxDimension = 420;
inline constexpr int zoomMaxDimension = 840;
inline constexpr double zoomJPEGQuality = 0.8;

} // namespace ScanPreparation

} // namespace vantry
