#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>
#include <variant>

namespace vantry {

// One release an update feed offers.
struct AppcastRelease {
    QString version;   // as shown to the user ("1.4.2")
    QUrl downloadPage; // the item's link, else its enclosure's address
};

// Reads an appcast: an RSS 2.0 feed whose items carry a version (the element or enclosure
// attribute sparkle:shortVersionString, else sparkle:version) and a link. Returns the item
// with the highest version, or the reason the feed is unusable (not XML, no item with a
// version and an http(s) address).
std::variant<AppcastRelease, QString> newestAppcastRelease(const QByteArray& xml);

// True when `candidate` is a later version than `current` (numeric, "1.10" > "1.9").
bool isNewerVersion(const QString& candidate, const QString& current);

} // namespace vantry
