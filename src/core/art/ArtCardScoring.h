#pragma once

#include "core/art/ArtCardIndex.h"
#include "core/card/Candidate.h"

#include <QSet>
#include <QString>

#include <vector>

namespace vantry {

// (1 - distance) x 0.6, at least 0, rounded to four decimals: 0.6 at distance 0, 0.24 at
// 0.6. Stays below every back-text score so a visual hit alone never outranks one.
double artMatchScore(float distance);

// One plain Art Series candidate per match, same order, scored by `artMatchScore`.
std::vector<Candidate> artCardCandidates(const std::vector<ArtCardMatch>& matches, ScanFinish finish);

// Marks candidates whose print is in `artIds` as Art Series; never unmarks one.
std::vector<Candidate> stampArtSeries(std::vector<Candidate> candidates, const QSet<QString>& artIds);

} // namespace vantry
