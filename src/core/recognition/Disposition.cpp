#include "core/recognition/Disposition.h"

#include "core/reading/CollectorMatching.h"
#include "core/reading/CollectorStripParser.h"

#include <cmath>
#include <map>

namespace vantry {

namespace {

// Scores and thresholds are decimal values with at most four places: comparisons allow
// for the binary error of a subtraction (0.95 - 0.91 is 0.03999...).
constexpr double kTolerance = 1e-9;

bool atLeast(double value, double limit) { return value >= limit - kTolerance; }

bool collectorNumbersAgree(const QString& ocr, const QString& candidate)
{
    const QString a = normalizeCollectorNumber(strippingCollectorMarks(ocr));
    const QString b = normalizeCollectorNumber(strippingCollectorMarks(candidate));
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

QString rawValue(Disposition disposition)
{
    switch (disposition) {
    case Disposition::autoConfirm:
        return QStringLiteral("auto");
    case Disposition::review:
        return QStringLiteral("review");
    case Disposition::unresolved:
        return QStringLiteral("unresolved");
    }
    return {};
}

double clampUnit(double x)
{
    if (std::isnan(x) || x < 0)
        return 0;
    if (x > 1)
        return 1;
    return std::round(x * 10000.0) / 10000.0;
}

Disposition decideDisposition(const std::vector<Candidate>& candidates, double autoThreshold, double gapMin)
{
    if (candidates.empty())
        return Disposition::unresolved;
    const double top = candidates[0].score;
    const double lead = candidates.size() == 1 ? top : top - candidates[1].score;
    // A tie never confirms by itself, whatever the gap setting says.
    const bool leads = candidates.size() == 1 || lead > kTolerance;
    return atLeast(top, autoThreshold) && leads && atLeast(lead, gapMin) ? Disposition::autoConfirm
                                                                          : Disposition::review;
}

AutoConfirmValidation validateAutoConfirmCandidate(const Candidate& candidate, const CardAttribution& attribution)
{
    if (attribution.setCode && !attribution.setCode->isEmpty()) {
        const QString read = attribution.setCode->toLower();
        const QString set = candidate.setCode.toLower();
        const bool ok = set == read || (attribution.isToken && set == QStringLiteral("t") + read);
        if (!ok)
            return AutoConfirmValidation::demote(QStringLiteral("setMismatch"));
    }
    if (attribution.collectorNumber && !attribution.collectorNumber->isEmpty()) {
        if (!collectorNumbersAgree(*attribution.collectorNumber, candidate.collectorNumber))
            return AutoConfirmValidation::demote(QStringLiteral("collectorMismatch"));
        // A cut-off or short read agrees with the wrong printing as easily as the right one.
        if (!attribution.collectorNumberIsComplete)
            return AutoConfirmValidation::demote(QStringLiteral("collectorIncomplete"));
    }
    const QStringList titles = titleCandidates(attribution);
    if (!titleCandidatesHaveComparableWords(titles) && !titlesReadShortName(titles, candidate.name)) {
        // What the strip said needs a readable title to back it.
        const bool fromStrip = (attribution.setCode && !attribution.setCode->isEmpty()) ||
                               (attribution.collectorNumber && !attribution.collectorNumber->isEmpty());
        return fromStrip ? AutoConfirmValidation::demote(QStringLiteral("titleMismatch"))
                         : AutoConfirmValidation::pass();
    }
    if (!titlesAgreeAcrossCandidates(titles, candidate.name))
        return AutoConfirmValidation::demote(QStringLiteral("titleMismatch"));
    return AutoConfirmValidation::pass();
}

ValidatedDisposition validatedDisposition(const std::vector<Candidate>& candidates,
                                          const CardAttribution& attribution, double autoThreshold, double gapMin)
{
    const Disposition d = decideDisposition(candidates, autoThreshold, gapMin);
    if (d != Disposition::autoConfirm)
        return {d, AutoConfirmValidation::pass()};
    const auto validation = validateAutoConfirmCandidate(candidates.front(), attribution);
    if (!validation.isPass())
        return {Disposition::review, validation};
    return {Disposition::autoConfirm, validation};
}

QString scanItemId(const Candidate& c)
{
    QString id = c.scryfallId + u':' + rawValue(c.finish);
    if (c.isArtSeries && c.artSeriesVariant == ArtSeriesVariant::signature)
        id += QStringLiteral(":signature");
    return id;
}

ScanItemPayload makeScanItem(const Candidate& c, int count, double confidence, const QString& addedBy,
                             const std::optional<QString>& condition, const std::optional<double>& unitCost)
{
    ScanItemPayload p;
    p.itemId = scanItemId(c);
    p.scryfallId = c.scryfallId;
    p.name = c.name;
    p.setCode = c.setCode;
    p.collectorNumber = c.collectorNumber;
    p.finish = c.finish;
    if (c.isArtSeries)
        p.artSeriesVariant = rawValue(c.artSeriesVariant);
    p.condition = condition;
    p.unitCost = unitCost;
    p.count = count;
    p.confidence = clampUnit(confidence);
    p.addedBy = addedBy;
    return p;
}

std::vector<ScanItemPayload> aggregateItems(const std::vector<Candidate>& candidates, const QString& addedBy,
                                            const std::optional<QString>& condition,
                                            const std::optional<double>& unitCost)
{
    struct Group {
        const Candidate* first;
        int count = 0;
        double score;
    };
    std::vector<Group> groups;
    std::map<QString, size_t> index;
    for (const Candidate& c : candidates) {
        const QString id = scanItemId(c);
        auto it = index.find(id);
        if (it == index.end()) {
            it = index.emplace(id, groups.size()).first;
            groups.push_back({&c, 0, c.score});
        }
        Group& g = groups[it->second];
        g.count += 1;
        g.score = std::min(g.score, c.score);
    }
    std::vector<ScanItemPayload> out;
    for (const Group& g : groups)
        out.push_back(makeScanItem(*g.first, g.count, g.score, addedBy, condition, unitCost));
    return out;
}

} // namespace vantry
