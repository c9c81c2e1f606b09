#pragma once

#include <QString>

namespace vantry {

// Moves the scan images directly inside `folder` into its new subfolder
// "Archived-<timestamp>" and returns how many were moved. Never throws and never replaces
// a file: an image whose name is already taken in the archive stays where it is and is not
// counted. Nothing is created when there is no image (or the folder cannot be listed). A
// relative link is archived as a copy of its file, so that the archived page still opens.
int archiveImages(const QString& folder, const QString& timestamp);

} // namespace vantry
