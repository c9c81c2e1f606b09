#pragma once

#include <QString>

#include <optional>

namespace vantry {

// One physical card of a batch: its position and the page images of its sides.
struct ScannedCard {
    int index = 0;
    QString front;
    std::optional<QString> back;

    bool operator==(const ScannedCard&) const = default;
};

} // namespace vantry
