#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace vantry::standin {

// One printing of the card catalogue file.
struct CataloguePrinting {
    QString scryfallId;
    QString name;
    QString setCode;
    QString collectorNumber;
    std::optional<QString> priceUsd;
    // How the demo scan shows it: "modern", "classic", "nostrip", "multifeed", or empty (not scanned).
    QString scan;
};

// The catalogue file: one printing a line, tab-separated: catalogue id, name, set code,
// collector number, USD price (may be empty) and, optionally, the demo scan's look.
// Empty lines and lines starting with "#" are skipped. Throws std::runtime_error naming
// the line when one is malformed or an id repeats.
std::vector<CataloguePrinting> readCardCatalogue(const QString& path);

} // namespace vantry::standin
