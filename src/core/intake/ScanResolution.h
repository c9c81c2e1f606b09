#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace vantry {

// The five speeds of an in-app scan, each a fixed resolution in dots per inch.
// Used like an enumeration (`ScanResolution::best`, switch on it), with the texts of
// the settings screen attached.
class ScanResolution {
public:
    enum Value : int { fastest = 240, fast = 300, balanced = 400, sharp = 500, best = 600 };

    constexpr ScanResolution(Value value) : value_(value) {}

    // Declaration order, which is the order the settings screen lists them in.
    static constexpr std::array<Value, 5> allCases{fastest, fast, balanced, sharp, best};
    static constexpr ScanResolution defaultValue() { return best; }

    // Exactly 240, 300, 400, 500 or 600; any other value is no case.
    static std::optional<ScanResolution> fromRawValue(int dpi);
    // The nearest case; a tie goes to the lower resolution. Never fails, for any integer.
    static ScanResolution fromDpi(int dpi);
    // The largest offered resolution not above the request, else the smallest offered one;
    // none when the device offers nothing.
    static std::optional<int> bestSupported(int forRequest, const std::vector<int>& supported);

    constexpr operator Value() const { return value_; }
    constexpr int dpi() const { return value_; }
    constexpr int rawValue() const { return value_; }
    QString label() const;
    QString displayValue() const; // "600 dpi"
    QString detail() const;

private:
    Value value_;
};

} // namespace vantry

template <>
struct std::hash<vantry::ScanResolution> {
    std::size_t operator()(vantry::ScanResolution r) const noexcept { return std::hash<int>()(r.dpi()); }
};
