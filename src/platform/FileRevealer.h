#pragma once

#include <QString>

namespace vantry {

// Shows a file in the desktop's file manager, selected in its folder's window. Fire and
// forget: a file manager that cannot be reached is never the caller's error.
class FileRevealer {
public:
    virtual ~FileRevealer() = default;
    virtual void reveal(const QString& path) = 0;
};

} // namespace vantry
