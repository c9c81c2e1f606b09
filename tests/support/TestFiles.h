#pragma once

#include <QByteArray>
#include <QString>

namespace vantry::test {

// The whole file, or empty when it cannot be read.
QByteArray readFile(const QString& path);

// A small image encoded in `format` ("PNG", "JPEG", "TIFF", ...); another `seed` gives other
// bytes. Fails the running test when it cannot be encoded.
QByteArray encodedImage(const char* format, int seed = 0);

// Writes (replacing) the file, creating its folder; fails the running test when it cannot.
void writeFile(const QString& path, const QByteArray& bytes);

} // namespace vantry::test
