#include "core/intake/ScanResolution.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace vantry {

std::optional<ScanResolution> ScanResolution::fromRawValue(int dpi)
{
    for (Value v : allCases)
        if (v == dpi)
            return ScanResolution(v);
    return std::nullopt;
}

ScanResolution ScanResolution::fromDpi(int dpi)
{
    // 64-bit distances: no integer input can overflow them.
    auto distance = [dpi](Value v) { return std::llabs(std::int64_t(v) - std::int64_t(dpi)); };
    Value best = fastest;
    for (Value v : allCases)
        if (distance(v) < distance(best))
            best = v;
    return best;
}

std::optional<int> ScanResolution::bestSupported(int forRequest, const std::vector<int>& supported)
{
    if (supported.empty())
        return std::nullopt;
    std::optional<int> below;
    for (int s : supported)
        if (s <= forRequest && (!below || s > *below))
            below = s;
    if (below)
        return below;
    return *std::min_element(supported.begin(), supported.end());
}

QString ScanResolution::label() const
{
    switch (value_) {
    case fastest: return QStringLiteral("Fastest");
    case fast: return QStringLiteral("Fast");
    case balanced: return QStringLiteral("Balanced");
    case sharp: return QStringLiteral("Sharp");
    case best: return QStringLiteral("Best");
    }
    return {};
}

QString ScanResolution::displayValue() const { return QString::number(dpi()) + QStringLiteral(" dpi"); }

QString ScanResolution::detail() const
{
    switch (value_) {
    case fastest:
        return QStringLiteral("Lowest direct-scan detail. Useful for quick counts; expect more cards to need review.");
    case fast:
        return QStringLiteral(
            "Fast scan. Card names should be readable; small set and collector text may miss more often.");
    case balanced:
        return QStringLiteral(
            "Middle of the curve. Better collector-number detail without jumping to the slowest scan.");
    case sharp:
        return QStringLiteral(
            "Near-best direct-scan detail with a little less scan time than the full 600 dpi pass.");
    case best:
        return QStringLiteral(
            "Sharpest direct-scan collector number and the most auto-confirms, but the slowest scan.");
    }
    return {};
}

} // namespace vantry
