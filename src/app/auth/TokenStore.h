#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace vantry {

// The token file "auth.json" under $XDG_DATA_HOME/VantryCapture: one JSON object of text
// members. Members of other keys are kept through every write. The file is owner-only
// (0600) from the moment it is created; a failed read counts as an empty object.
namespace TokenStore {

inline const QString accessTokenKey = QStringLiteral("vantry.capture.accessToken");
inline const QString refreshTokenKey = QStringLiteral("vantry.capture.refreshToken");

// The file's path; creates the folder (0700) when it is missing.
QString fileURL();

// The file's bytes as its object; empty when they are not JSON, not an object, or hold a
// member that is not text.
QMap<QString, QString> parse(const QByteArray& bytes);
// The object as the file's bytes (compact JSON).
QByteArray encoded(const QMap<QString, QString>& object);

// The whole object; empty when the file is missing, unreadable, not JSON, not an object,
// or has a member that is not text.
QMap<QString, QString> load();

std::optional<QString> get(const QString& key);

// Read-modify-write passes; false when the file could not be written.
bool set(const QString& value, const QString& key);
bool remove(const QStringList& keys);

// Writes the object atomically with mode 0600; false when nothing was written.
bool save(const QMap<QString, QString>& object);

} // namespace TokenStore

} // namespace vantry
