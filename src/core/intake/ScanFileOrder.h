#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace vantry::ScanFileOrder {

// The one order of scan file names, as a file browser shows them: case-insensitive, runs
// of digits compared by value ("scan 2.png" before "scan 10.png"). Negative, zero or
// positive like strcmp; names that differ only in case or leading zeros compare equal.
int compare(QStringView a, QStringView b);

// True when `a` sorts strictly before `b`.
inline bool before(QStringView a, QStringView b) { return compare(a, b) < 0; }

// Stable sort of file paths by their last path component.
void sortPaths(QStringList& paths);

// The last path component of a path ("a/b.png" -> "b.png").
QString fileName(const QString& path);

} // namespace vantry::ScanFileOrder
