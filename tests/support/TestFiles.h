#pragma once

#include <QByteArray>
#include <QString>

namespace vantry::test {

// The whole file, or empty when it cannot be read.
QByteArray readFile(const QString& path);

// Writes (replacing) the file, creating its folder; fails the running test when it cannot.
void writeFile(const QString& path, const QByteArray& bytes);

} // namespace vantry::test
