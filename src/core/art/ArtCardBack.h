#pragma once

#include "core/art/ArtCardIndex.h"
#include "core/card/Candidate.h"
#include "core/reading/CollectorStripParser.h"
#include "platform/OCRLine.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace vantry {

// What the printed back of an Art Series card says: the N of its "N/M" and the lines that
// could hold the name.
struct ArtCardBackRead {
    std::optional<QString> collectorNumber;
    QStringList lines;

    bool operator==(const ArtCardBackRead&) const = default;
};

// Index entries matched by the back, each list in index order and disjoint from the others.
struct ArtCardBackResolution {
    std::vector<ArtCardEntry> exact;            // name and collector number
    std::vector<ArtCardEntry> nameMatches;      // name only
    std::vector<ArtCardEntry> collectorMatches; // collector number only

    bool operator==(const ArtCardBackResolution&) const = default;
};

// Reads the back of an Art Series card and merges what it says with the visual matches.
// `sawMarker` (the "ART SERIES" test) lives with the collector-strip parser.
namespace ArtCardBack {

// Nothing unless some line carries the Art Series marker.
std::optional<ArtCardBackRead> parse(const std::vector<OCRLine>& lines);

// Sorts the index entries by what the back confirms about them: the collector number
// (normalised) equal to the back's, and the name (its single face) on some back line, by
// `titlesAgree` when the face has a word of four letters, else as plain lower-cased text.
// Prepares the entries on each call: a caller that resolves many backs against the same
// entries keeps an `ArtCardBackIndex`.
ArtCardBackResolution resolve(const ArtCardBackRead& read, const std::vector<ArtCardEntry>& entries);

// Visual candidates merged with the back's matches on the score ladder: 1.0 one exact
// back hit; 0.9 visual hit whose collector number the back confirms; 0.85 visual hit whose
// name it confirms; 0.75 one of several exact hits; 0.65 name-only hit; visual alone ≤ 0.6.
// At most 8 candidates, unless there is no resolution (then `visual` comes back as it is).
std::vector<Candidate> merge(const std::vector<Candidate>& visual, const std::optional<ArtCardBackResolution>& resolution,
                             ScanFinish finish);

// The N of the first "N/M" with 0 < N <= M (at most three digits each), normalised.
std::optional<QString> slashCollector(const QString& text);
// "Dragon // Dragon" -> "Dragon"; any other name unchanged.
QString singleFaceName(const QString& name);

} // namespace ArtCardBack

} // namespace vantry
