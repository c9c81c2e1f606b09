#pragma once

#include <QString>

#include <optional>

namespace vantry {

// One physical card of a batch: its position and the page images of its sides.
struct ScannedCard {
    int index = 0;
    QString front;
    std::optional<QString> back;
    // The PNG pixel hash of the front page when whoever handed the card over has already
    // computed it (the folder watcher hashes every page for its repeats); none: not known,
    // so preparation computes it.
    std::optional<QString> frontPixelHash;

    bool operator==(const ScannedCard&) const = default;
};

} // namespace vantry
