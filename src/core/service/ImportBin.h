#pragma once

#include <QString>

#include <optional>

namespace vantry {

// The import's bin field, kept in step with the scan folder.
namespace ImportBin {

// What the bin field should show after the scan folder changed: the user's own text
// when they typed one, else the name derived from the folder (or the fallback).
QString synced(const QString& current, const QString& folderName, const QString& lastDerived,
               const QString& fallback);

// The location the import sends: the trimmed text, or none when it is blank.
std::optional<QString> location(const QString& text);

} // namespace ImportBin

} // namespace vantry
