#pragma once

#include "core/art/ArtCardMatching.h"
#include "core/resolution/CardResolving.h"

#include <QSet>
#include <QString>

#include <memory>

namespace vantry {

// Wraps the card resolver so that every candidate of a print in the art-card index comes
// back marked as an Art Series card, whichever lookup found it.
class ArtSeriesStampingResolver final : public CardResolving {
public:
    ArtSeriesStampingResolver(std::shared_ptr<const CardResolving> wrapping, QSet<QString> artIds);

    const std::shared_ptr<const CardResolving>& wrapped() const { return wrapped_; }
    const QSet<QString>& artIds() const { return artIds_; }

    QCoro::Task<std::vector<Candidate>> resolveSetCollector(QString setCode, QString collectorNumber, ScanFinish finish,
                                                            std::optional<QString> language) const override;
    QCoro::Task<std::vector<Candidate>> searchByName(QString text, ScanFinish finish) const override;

private:
    std::shared_ptr<const CardResolving> wrapped_;
    QSet<QString> artIds_;
};

// The ids to stamp: every print of the matcher's index; none without a matcher.
QSet<QString> artSeriesIds(const std::shared_ptr<const ArtCardMatching>& matcher);

} // namespace vantry
