#pragma once

#include <QString>

#include <vector>

namespace vantry {

// Moves the scan images directly inside `folder` into its new subfolder
// "Archived-<timestamp>" and returns how many were moved. Never throws and never replaces
// a file: an image whose name is already taken in the archive stays where it is and is not
// counted. Nothing is created when there is no image (or the folder cannot be listed). A
// relative link is archived as a copy of its file, so that the archived page still opens.
int archiveImages(const QString& folder, const QString& timestamp);

// One archived image: where it was and where it is now.
struct ArchivedImage {
    QString from;
    QString to;

    bool operator==(const ArchivedImage&) const = default;
};

// The same, giving every image it moved, in name order, so that whoever still refers to an
// image can follow it.
std::vector<ArchivedImage> archiveImageMoves(const QString& folder, const QString& timestamp);

} // namespace vantry
