#pragma once

#include "core/intake/ScanArrivalSample.h"
#include "core/intake/ScanImageQuality.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace vantry::ScanTimingDiagnostics {

// Reads the file's dates, size and image header; never fails (missing facts stay absent).
ScanArrivalSample sample(const QString& path, const QDateTime& observedAt);

// Pixel size and dpi from the file header (PNG IHDR/pHYs, JPEG SOF/JFIF/EXIF, TIFF, BMP;
// WebP size only). No pixels are decoded; none when the header gives no pixel size.
std::optional<ScanImageQuality> imageQuality(const QString& path);

// "bytes=3.4MB pixels=2550x3508 mp=8.9 dpiMeta=300" or "bytes=… pixels=unknown dpiMeta=unknown".
QString qualityDescription(const ScanArrivalSample& sample);
// "first" without a gap, else "4.2s" (negative gaps print as 0).
QString gapDescription(std::optional<double> gapSeconds);

// The one number format of these texts: no decimals from 10 up, else one decimal.
QString formatNumber(double value);

} // namespace vantry::ScanTimingDiagnostics
