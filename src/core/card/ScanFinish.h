#pragma once

#include <QJsonValue>
#include <QString>

#include <array>
#include <optional>

namespace vantry {

// The finish of a physical card. Raw strings are used verbatim in item ids, JSON and CSV.
enum class ScanFinish { foil, nonfoil, etched, surge };

// Which variant of an Art Series card was scanned.
enum class ArtSeriesVariant { plain, signature };

inline constexpr std::array<ScanFinish, 4> allScanFinishes{ScanFinish::foil, ScanFinish::nonfoil,
                                                           ScanFinish::etched, ScanFinish::surge};
inline constexpr std::array<ArtSeriesVariant, 2> allArtSeriesVariants{ArtSeriesVariant::plain,
                                                                      ArtSeriesVariant::signature};

QString rawValue(ScanFinish finish);
QString rawValue(ArtSeriesVariant variant);

// Exact, case-sensitive match of the raw string; anything else is no value.
std::optional<ScanFinish> scanFinishFromRaw(const QString& raw);
std::optional<ArtSeriesVariant> artSeriesVariantFromRaw(const QString& raw);

// JSON forms: the raw string. Decoding any other value throws json::Error.
QJsonValue toJson(ScanFinish finish);
QJsonValue toJson(ArtSeriesVariant variant);
ScanFinish scanFinishFromJson(const QJsonValue& value, const QString& where = {});
ArtSeriesVariant artSeriesVariantFromJson(const QJsonValue& value, const QString& where = {});

} // namespace vantry
