#pragma once

#include <QString>

namespace vantry::IngestTexts {

// What one run of reading scans took in, counted in scans (files: a card scanned on both
// sides is two) except the cards it added.
struct RunOutcome {
    qint64 scans = 0;
    qint64 added = 0;          // cards the run added to the batch
    qint64 importedBefore = 0; // scans left out as imported before (or held by an import's outcome)
    qint64 duplicates = 0;     // scans left out as repeats of a scan this batch already read
    bool wholeFolder = false;  // the run read a folder (Import Folder), not scans that came in
};

// While a run reads: "Reading 120 scans…".
QString reading(qint64 scans);

// The run added nothing, and imported-before or repeated scans are why.
bool nothingNew(const RunOutcome& run);
// "All 28 scans in this folder were imported before; nothing new."
QString nothingNewStatus(const RunOutcome& run);

// The piece that leads the batch's status line when a run added cards: "Read 120 scans, 118 new".
QString readPiece(const RunOutcome& run);

} // namespace vantry::IngestTexts
