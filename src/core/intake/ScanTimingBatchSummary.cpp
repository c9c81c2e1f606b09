#include "core/intake/ScanTimingBatchSummary.h"

#include "core/intake/ScanFileOrder.h"
#include "core/intake/ScanTimingDiagnostics.h"

#include <algorithm>

namespace vantry {

namespace {

using ScanTimingDiagnostics::formatNumber;

double seconds(const QDateTime& from, const QDateTime& to) { return double(from.msecsTo(to)) / 1000.0; }

double span(const std::vector<QDateTime>& times)
{
    if (times.empty())
        return 0;
    const auto [lo, hi] = std::minmax_element(times.begin(), times.end());
    return std::max(0.0, seconds(*lo, *hi));
}

std::optional<double> averageGap(std::vector<QDateTime> times)
{
    if (times.size() < 2)
        return std::nullopt;
    std::sort(times.begin(), times.end());
    double sum = 0;
    for (size_t i = 1; i < times.size(); ++i)
        sum += std::max(0.0, seconds(times[i - 1], times[i]));
    return sum / double(times.size() - 1);
}

QString commonOrRange(const QStringList& texts)
{
    if (texts.isEmpty())
        return QStringLiteral("unknown");
    if (std::all_of(texts.begin(), texts.end(), [&](const QString& t) { return t == texts.front(); }))
        return texts.front();
    return texts.front() + QStringLiteral("..") + texts.back();
}

QString orNA(const std::optional<double>& value) { return value ? formatNumber(*value) : QStringLiteral("n/a"); }

} // namespace

ScanTimingBatchSummary::ScanTimingBatchSummary(std::vector<ScanArrivalSample> samples)
{
    std::stable_sort(samples.begin(), samples.end(), [](const ScanArrivalSample& a, const ScanArrivalSample& b) {
        if (a.fileTimestamp != b.fileTimestamp)
            return a.fileTimestamp < b.fileTimestamp;
        return ScanFileOrder::before(a.fileName, b.fileName);
    });
    fileCount = qint64(samples.size());
    if (!samples.empty()) {
        firstFileName = samples.front().fileName;
        lastFileName = samples.back().fileName;
    }
    std::vector<QDateTime> fileTimes, observedTimes;
    for (const ScanArrivalSample& s : samples) {
        fileTimes.push_back(s.fileTimestamp);
        observedTimes.push_back(s.observedAt);
    }
    fileTimestampSpanSeconds = span(fileTimes);
    observedSpanSeconds = span(observedTimes);
    averageFileTimestampGapSeconds = averageGap(fileTimes);
    averageObservedGapSeconds = averageGap(observedTimes);
    if (fileCount >= 2 && fileTimestampSpanSeconds > 0)
        pagesPerMinute = double(fileCount - 1) / fileTimestampSpanSeconds * 60.0;

    double byteSum = 0;
    int byteSamples = 0;
    double megapixelSum = 0;
    int qualitySamples = 0;
    QStringList dimensions, dpis;
    for (const ScanArrivalSample& s : samples) {
        if (s.byteCount) {
            byteSum += double(*s.byteCount);
            ++byteSamples;
        }
        if (s.imageQuality) {
            const ScanImageQuality& q = *s.imageQuality;
            megapixelSum += double(q.width) * double(q.height) / 1e6;
            ++qualitySamples;
            dimensions.append(QString::number(q.width) + QLatin1Char('x') + QString::number(q.height));
            dpis.append(q.dpiDescription());
        }
    }
    if (byteSamples > 0)
        averageByteCount = byteSum / byteSamples;
    if (qualitySamples > 0)
        averageMegapixels = megapixelSum / qualitySamples;
    imageDimensionsDescription = commonOrRange(dimensions);
    imageDpiDescription = commonOrRange(dpis);
}

QString ScanTimingBatchSummary::formatBytes(double bytes)
{
    if (bytes >= 1e6)
        return formatNumber(bytes / 1e6) + QStringLiteral("MB");
    if (bytes >= 1e3)
        return formatNumber(bytes / 1e3) + QStringLiteral("KB");
    return QString::number(qint64(bytes)) + QStringLiteral("B");
}

QString ScanTimingBatchSummary::logDescription() const
{
    const QStringList fields{
        QStringLiteral("files=") + QString::number(fileCount),
        QStringLiteral("first=") + firstFileName.value_or(QStringLiteral("none")),
        QStringLiteral("last=") + lastFileName.value_or(QStringLiteral("none")),
        QStringLiteral("fileSpan=") + formatNumber(fileTimestampSpanSeconds) + QLatin1Char('s'),
        QStringLiteral("observedSpan=") + formatNumber(observedSpanSeconds) + QLatin1Char('s'),
        QStringLiteral("avgFileGap=") + orNA(averageFileTimestampGapSeconds) + QLatin1Char('s'),
        QStringLiteral("avgObservedGap=") + orNA(averageObservedGapSeconds) + QLatin1Char('s'),
        QStringLiteral("ppm=") + orNA(pagesPerMinute),
        QStringLiteral("avgBytes=") + (averageByteCount ? formatBytes(*averageByteCount) : QStringLiteral("n/a")),
        QStringLiteral("avgMP=") + orNA(averageMegapixels),
        QStringLiteral("pixels=") + imageDimensionsDescription,
        QStringLiteral("dpiMeta=") + imageDpiDescription,
    };
    return fields.join(QLatin1Char(' '));
}

QString ScanTimingBatchSummary::compactDescription() const
{
    const QString rate = pagesPerMinute ? formatNumber(*pagesPerMinute) + QStringLiteral(" ppm")
                                        : QStringLiteral("single page");
    const QString gap = averageFileTimestampGapSeconds
                            ? formatNumber(*averageFileTimestampGapSeconds) + QStringLiteral("s avg gap")
                            : QStringLiteral("no avg gap");
    return QString::number(fileCount) + QStringLiteral(" files, ") + rate + QStringLiteral(", ") + gap;
}

} // namespace vantry
