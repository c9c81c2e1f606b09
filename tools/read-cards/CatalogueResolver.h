#pragma once

#include "core/resolution/CardResolving.h"

#include <QString>

#include <optional>
#include <vector>

namespace vantry::tools {

// One printing of a catalogue file: a JSON array of {"set", "number", "name", ...}.
struct CataloguePrinting {
    QString set;
    QString number;
    QString name;
};

std::optional<std::vector<CataloguePrinting>> readCatalogue(const QString& path, QString* error);

// A card resolver answered from a catalogue in memory, as the inventory service answers:
// an exact printing scores 1, name-search hits score 0 and come back, at most 40, most
// matching words first (a search text of misread words still finds something, as a
// full-text search does).
class CatalogueResolver final : public CardResolving {
public:
    explicit CatalogueResolver(std::vector<CataloguePrinting> printings);

    QCoro::Task<std::vector<Candidate>> resolveSetCollector(QString setCode, QString collectorNumber,
                                                            ScanFinish finish,
                                                            std::optional<QString> language) const override;
    QCoro::Task<std::vector<Candidate>> searchByName(QString text, ScanFinish finish) const override;

    std::vector<Candidate> lookup(const QString& setCode, const QString& collectorNumber, ScanFinish finish) const;
    std::vector<Candidate> search(const QString& text, ScanFinish finish) const;

private:
    std::vector<CataloguePrinting> printings_;
};

} // namespace vantry::tools
