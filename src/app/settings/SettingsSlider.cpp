#include "app/settings/SettingsSlider.h"

#include "app/settings/CaptureConfig.h"

#include <algorithm>
#include <cmath>

namespace vantry {

double SettingsSlider::value(int position) const
{
    const int p = std::clamp(position, 0, steps);
    return double(offset + p) / ticksPerUnit;
}

int SettingsSlider::position(double value) const
{
    if (std::isnan(value))
        return 0;
    const double ticks = std::round(value * ticksPerUnit) - offset;
    return int(std::clamp(ticks, 0.0, double(steps)));
}

int SettingsSlider::handlePosition(std::optional<double> stored, double meant) const
{
    if (stored && *stored >= minimum() && *stored <= maximum())
        return position(*stored);
    return position(meant);
}

SettingsSlider SettingsSlider::autoThreshold()
{
    static_assert(CaptureConfig::autoThresholdMinimum == 0.5 && CaptureConfig::autoThresholdMaximum == 1.0);
    return {10'000, 20'000, 10'000};
}

SettingsSlider SettingsSlider::gapMin()
{
    static_assert(CaptureConfig::gapMinMinimum == 0.0 && CaptureConfig::gapMinMaximum == 0.2);
    return {0, 50'000, 10'000};
}

} // namespace vantry
