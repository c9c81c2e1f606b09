#pragma once

#include "platform/FileRevealer.h"

#include <QStringList>

namespace vantry {

// Remembers the files it was asked to show.
class FakeFileRevealer final : public FileRevealer {
public:
    void reveal(const QString& path) override { revealed.append(path); }

    QStringList revealed;
};

} // namespace vantry
