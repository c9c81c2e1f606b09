#include "core/art/ArtSeriesStampingResolver.h"

#include "core/art/ArtCardScoring.h"

namespace vantry {

ArtSeriesStampingResolver::ArtSeriesStampingResolver(std::shared_ptr<const CardResolving> wrapping,
                                                     QSet<QString> artIds)
    : wrapped_(std::move(wrapping))
    , artIds_(std::move(artIds))
{
}

// The wrapped resolver and the ids are copied before the first suspension, and each task is
// made outside its co_await expression (GCC destroys such temporaries twice).
QCoro::Task<std::vector<Candidate>> ArtSeriesStampingResolver::resolveSetCollector(QString setCode,
                                                                                   QString collectorNumber,
                                                                                   ScanFinish finish,
                                                                                   std::optional<QString> language) const
{
    const auto wrapped = wrapped_;
    const QSet<QString> artIds = artIds_;
    auto task = wrapped->resolveSetCollector(std::move(setCode), std::move(collectorNumber), finish, std::move(language));
    auto candidates = co_await std::move(task);
    co_return stampArtSeries(std::move(candidates), artIds);
}

QCoro::Task<std::vector<Candidate>> ArtSeriesStampingResolver::searchByName(QString text, ScanFinish finish) const
{
    const auto wrapped = wrapped_;
    const QSet<QString> artIds = artIds_;
    auto task = wrapped->searchByName(std::move(text), finish);
    auto candidates = co_await std::move(task);
    co_return stampArtSeries(std::move(candidates), artIds);
}

QSet<QString> artSeriesIds(const std::shared_ptr<const ArtCardMatching>& matcher)
{
    QSet<QString> ids;
    if (!matcher)
        return ids;
    ids.reserve(static_cast<qsizetype>(matcher->entries().size()));
    for (const ArtCardEntry& entry : matcher->entries())
        ids.insert(entry.scryfallId);
    return ids;
}

} // namespace vantry
