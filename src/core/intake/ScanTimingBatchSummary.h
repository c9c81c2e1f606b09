#pragma once

#include "core/intake/ScanArrivalSample.h"

#include <QString>

#include <optional>
#include <vector>

namespace vantry {

// The arrival samples of one batch condensed into spans, gaps, rate and common size.
struct ScanTimingBatchSummary {
    qint64 fileCount = 0;
    std::optional<QString> firstFileName;
    std::optional<QString> lastFileName;
    double fileTimestampSpanSeconds = 0;
    double observedSpanSeconds = 0;
    std::optional<double> averageFileTimestampGapSeconds;
    std::optional<double> averageObservedGapSeconds;
    std::optional<double> pagesPerMinute;
    std::optional<double> averageByteCount;
    std::optional<double> averageMegapixels;
    QString imageDimensionsDescription = QStringLiteral("unknown");
    QString imageDpiDescription = QStringLiteral("unknown");

    ScanTimingBatchSummary() = default;
    // Samples in any order.
    explicit ScanTimingBatchSummary(std::vector<ScanArrivalSample> samples);

    // "files=2 first=a.png last=b.png fileSpan=4.0s ... dpiMeta=300"
    QString logDescription() const;
    // "24 files, 31 ppm, 1.9s avg gap"
    QString compactDescription() const;

    // "3.4MB", "12KB", "999B" (decimal units).
    static QString formatBytes(double bytes);

    bool operator==(const ScanTimingBatchSummary&) const = default;
};

} // namespace vantry
