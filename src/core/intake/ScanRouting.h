#pragma once

#include <QString>
#include <QStringList>

#include <stdexcept>

namespace vantry {

// A routing step failed. `paths` tells where every page of the batch is now: the new
// path of each page moved before the failure, the old path of the rest.
class RouteError : public std::runtime_error {
public:
    RouteError(const QString& description, QStringList paths);
    const QStringList& paths() const { return paths_; }

private:
    QStringList paths_;
};

// True when two paths name the same folder ("a/b", "a/b/", "a/./b" and links to it).
bool isSameFolder(const QString& a, const QString& b);

// Moves each file into `destination` (created with its parents when missing) and returns
// the new paths in input order. A file already in the destination stays where it is. A
// taken name becomes "name (2).ext", "name (3).ext", ...: a move never replaces a file.
// Stops at the first failure with RouteError; earlier moves are not undone.
QStringList routeIntoFolder(const QStringList& paths, const QString& destination);

} // namespace vantry
