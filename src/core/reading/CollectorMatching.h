#pragma once

#include "core/card/Candidate.h"
#include "core/card/CardAttribution.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace vantry {

// The score of a name-search hit pinned by its collector number.
inline constexpr double collectorPinnedScore = 0.95;
// Pinning happens only in a list shorter than this.
inline constexpr int collectorPinnedCompleteMax = 40;

// Moves the candidates whose number equals the read one (or, for a cut-off read, extends
// it by one character) to the front. Scores unchanged.
std::vector<Candidate> floatCollectorMatches(const std::vector<Candidate>& candidates,
                                             const std::optional<QString>& collectorNumber, bool allowPrefixMatch);

// Gives the single collector match the pinned score when its name agrees with the read title.
std::vector<Candidate> promoteCollectorPinnedMatch(const std::vector<Candidate>& candidates,
                                                   const std::optional<QString>& collectorNumber,
                                                   const QString& ocrTitle, bool allowPrefixMatch);

// Lower-cased runs of letters and digits of 4 or more characters.
QStringList significantWords(const QString& text);
bool editDistanceAtMostOne(const QString& a, const QString& b);

// Two significant words that may be the same word read differently: equal, one a prefix of
// the other, or one edit apart.
bool titleWordsAgree(const QString& titleWord, const QString& nameWord);
// Every significant word of the title (all but one of three or more) agrees with some word
// of the name; true when the title has no significant word. A name without one ("Saw",
// "Get Out") agrees only with a title that holds each of its words as a word.
bool titlesAgree(const std::optional<QString>& ocrTitle, const QString& resolvedName);
bool titlesAgreeAcrossCandidates(const QStringList& candidates, const QString& resolvedName);
bool titleCandidatesHaveComparableWords(const QStringList& titles);
// The name has no significant word and some title holds each of its words ("Get Out" read
// for Get Out): for such a name, as much evidence as a significant word is for others.
bool titlesReadShortName(const QStringList& titles, const QString& resolvedName);
// Some title agrees with the name and reads more than half of the name's significant words:
// enough to outrank a complete strip read ("east" agrees with "Peer Past the Veil" by one
// letter, but reads one word of three).
bool titlesCoverName(const QStringList& titles, const QString& resolvedName);

// `preferred` unchanged, then the candidates of `rest` whose id is not in `preferred`.
std::vector<Candidate> mergeFirst(const std::vector<Candidate>& preferred, const std::vector<Candidate>& rest);
inline std::vector<Candidate> mergeTokenFirst(const std::vector<Candidate>& tokenHits,
                                              const std::vector<Candidate>& rest)
{
    return mergeFirst(tokenHits, rest);
}

QString tokenTypeQuery(const QString& name);
QString artSeriesQuery(const QString& name);

// The filter a user picks for a manual card search.
enum class ManualSearchKind { any, art, token };
inline constexpr std::array<ManualSearchKind, 3> allManualSearchKinds{ManualSearchKind::any, ManualSearchKind::art,
                                                                     ManualSearchKind::token};
QString rawValue(ManualSearchKind kind);
std::optional<ManualSearchKind> manualSearchKindFromRaw(const QString& raw);
QString applyManualSearchKind(ManualSearchKind kind, const QString& text);

// The review note of a scan whose recognition found no candidate.
QString unreadableNote(const CardAttribution& attribution);
// No set code, no title and not an art-series side.
bool scanReadNothing(const CardAttribution& attribution);

// The manual search text of a review row: a bare collector number gets the row's set
// code ("set:neo 123"); anything else stays as typed. The row is given by its chosen
// candidate and its candidate list.
QString reviewRowManualSearchQuery(const QString& typed, const std::optional<Candidate>& chosen,
                                   const std::vector<Candidate>& candidates);

} // namespace vantry
