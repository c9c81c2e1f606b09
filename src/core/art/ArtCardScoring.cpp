#include "core/art/ArtCardScoring.h"

#include <algorithm>
#include <cmath>

namespace vantry {

double artMatchScore(float distance)
{
    const double s = (1.0 - static_cast<double>(distance)) * 0.6;
    if (!(s >= 0)) // also catches NaN
        return 0;
    return std::round(std::min(s, 1.0) * 10000.0) / 10000.0;
}

std::vector<Candidate> artCardCandidates(const std::vector<ArtCardMatch>& matches, ScanFinish finish)
{
    std::vector<Candidate> candidates;
    candidates.reserve(matches.size());
    for (const ArtCardMatch& match : matches) {
        Candidate c;
        c.scryfallId = match.entry.scryfallId;
        c.name = match.entry.name;
        c.setCode = match.entry.setCode;
        c.collectorNumber = match.entry.collectorNumber;
        c.finish = finish;
        c.score = artMatchScore(match.distance);
        c.isArtSeries = true;
        c.artSeriesVariant = ArtSeriesVariant::plain;
        candidates.push_back(std::move(c));
    }
    return candidates;
}

std::vector<Candidate> stampArtSeries(std::vector<Candidate> candidates, const QSet<QString>& artIds)
{
    if (artIds.isEmpty())
        return candidates;
    for (Candidate& c : candidates)
        c.isArtSeries = c.isArtSeries || artIds.contains(c.scryfallId);
    return candidates;
}

} // namespace vantry
