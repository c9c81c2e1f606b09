#include "core/resolution/AttributionResolution.h"

#include "core/reading/CollectorMatching.h"
#include "core/reading/CollectorStripParser.h"

namespace vantry {

QStringList attributionSetCodes(const CardAttribution& attribution)
{
    if (!attribution.setCode)
        return {};
    const QString set = *attribution.setCode;
    const QString tokenSet = QStringLiteral("T") + set;
    if (attribution.isToken)
        return {tokenSet, set};
    if (set.toUpper().startsWith(u'T'))
        return {set};
    return {set, tokenSet};
}

QCoro::Task<AttributionResolution> resolveAttribution(CardAttribution attribution, ScanFinish finish,
                                                      QStringList titleCandidates, SetCollectorLookup resolve)
{
    if (!attribution.setCode || !attribution.collectorNumber)
        co_return AttributionResolution::none();
    std::optional<Candidate> demoted;
    // Only a complete number read with a title that says something can be trusted.
    const bool comparable = titleCandidatesHaveComparableWords(titleCandidates);
    for (const QString& set : attributionSetCodes(attribution)) {
        auto lookup = resolve(set, *attribution.collectorNumber, finish, attribution.language);
        std::vector<Candidate> hits = co_await std::move(lookup);
        if (hits.empty())
            continue;
        if (!demoted)
            demoted = hits.front();
        const bool evidence = comparable || titlesReadShortName(titleCandidates, hits.front().name);
        if (attribution.collectorNumberIsComplete && evidence &&
            titlesAgreeAcrossCandidates(titleCandidates, hits.front().name))
            co_return AttributionResolution::trusted(std::move(hits));
    }
    if (demoted)
        co_return AttributionResolution::demote(*demoted);
    co_return AttributionResolution::none();
}

QCoro::Task<std::optional<SidewaysResolution>> resolveSidewaysAttribution(ScanFinish finish, bool autoFoilDetect,
                                                                          std::vector<int> turns,
                                                                          AttributionReader readAt,
                                                                          SetCollectorLookup resolve)
{
    for (int t : turns) {
        auto reading = readAt(t);
        const CardAttribution attribution = co_await std::move(reading);
        ScanFinish chosen = finish;
        if (autoFoilDetect) {
            if (auto marked = finishFromCollector(attribution.collectorNumber))
                chosen = *marked;
        }
        auto resolving = resolveAttribution(attribution, chosen, titleCandidates(attribution), resolve);
        const AttributionResolution r = co_await std::move(resolving);
        if (r.kind == AttributionResolution::Kind::trusted)
            co_return SidewaysResolution{r.candidates, attribution};
    }
    co_return std::nullopt;
}

} // namespace vantry
