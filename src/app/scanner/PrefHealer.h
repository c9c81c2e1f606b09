#pragma once

#include "platform/PreferenceDomain.h"

#include <QString>

#include <optional>

namespace vantry::PrefHealer {

struct Outcome {
    bool changed = false;
    qint64 previousValue = 0;
    std::optional<QString> message; // present exactly when changed

    bool operator==(const Outcome&) const = default;
};

// Turns off Image Capture's "Detect Separate Items" scan mode, which writes duplicate scans
// of a card on a black background. Changes nothing where the domain is unavailable.
Outcome healImageCaptureDuplicateScans(PreferenceDomains& domains = PreferenceDomains::system());

} // namespace vantry::PrefHealer
