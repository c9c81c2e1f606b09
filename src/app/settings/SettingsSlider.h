#pragma once

#include <optional>

namespace vantry {

// How a settings slider maps its integer positions onto a stored decimal: position p stands
// for (offset + p) / ticksPerUnit, p from 0 to `steps`. Both ends are exact, and each
// position's value is one correctly rounded division, so a dragged value is stored without
// noise digits ("0.93375", not "0.9337500000000001").
struct SettingsSlider {
    int offset = 0;
    int ticksPerUnit = 1;
    int steps = 1;

    double minimum() const { return double(offset) / ticksPerUnit; }
    double maximum() const { return double(offset + steps) / ticksPerUnit; }

    // The value a position stands for.
    double value(int position) const;
    // The nearest position of a value; values outside the range take the nearest end and a
    // value that is not a number the lowest position.
    int position(double value) const;
    // Where the handle stands for a stored value and the value it means: at the stored value
    // when the slider offers it (the gap slider's lowest position stores 0, which means the
    // default gap), else at the value meant.
    int handlePosition(std::optional<double> stored, double meant) const;

    // 0.5...1.0 and 0.0...0.2, each in 10,000 steps.
    static SettingsSlider autoThreshold();
    static SettingsSlider gapMin();
};

} // namespace vantry
