#pragma once

#include <QString>

#include <optional>

namespace vantry {

// A typed or generated card search split into name, set code and collector number.
struct ManualCardSearchQuery {
    QString name;                           // may be empty
    std::optional<QString> setCode;         // lower case
    std::optional<QString> collectorNumber; // as typed

    bool operator==(const ManualCardSearchQuery&) const = default;
};

// "set:<code>" anywhere (any letter case), a trailing "<SET> <number>" or a trailing
// "<SET>"; none for an empty or blank text.
std::optional<ManualCardSearchQuery> parseManualCardSearchQuery(const QString& text);

} // namespace vantry
