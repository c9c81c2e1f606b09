#pragma once

#include <QString>

#include <optional>

namespace vantry {

// Pixel size and resolution metadata of one page file, read from its header.
struct ScanImageQuality {
    int width = 0;
    int height = 0;
    std::optional<double> dpiWidth;
    std::optional<double> dpiHeight;

    // "300", "300x600", or "unknown" when either side is missing.
    QString dpiDescription() const;

    bool operator==(const ScanImageQuality&) const = default;
};

} // namespace vantry
