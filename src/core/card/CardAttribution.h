#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace vantry {

// What the collector strip (and the lines around it) of one scanned side said.
struct CardAttribution {
    // As read: 2-5 digits plus lower-case letters and ★/†, with the strip's foil mark
    // appended when the number holds none. Not normalised.
    std::optional<QString> collectorNumber;
    // A full stop, comma, middle dot or bullet followed the number: the last character
    // may have been lost.
    bool collectorNumberIsPartial = false;
    // The number was read in the strip's full printed form: the rarity letter with the
    // zero-padded number ("R 0241", "0277M"), or number and set size ("171/274"). Only such
    // a read can confirm a printing.
    bool collectorNumberIsComplete = false;
    // Upper case as read, 3-5 characters.
    std::optional<QString> setCode;
    // Two letters, lower case.
    std::optional<QString> language;
    std::optional<QString> title;
    // At most two further lines that could be the name.
    QStringList titleAlternatives;
    bool isToken = false;
    bool isArtSeries = false;

    bool operator==(const CardAttribution&) const = default;
};

// The attribution's title followed by its alternatives, absent and empty ones dropped.
QStringList titleCandidates(const CardAttribution& attribution);

} // namespace vantry
