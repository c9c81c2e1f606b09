#pragma once

#include <QImage>
#include <QString>

#include <optional>

namespace vantry {

// Writes scanned pages into a folder as "<documentName>_0001.png", "<documentName>_0002.png", ...
// Each page is written completely under a hidden temporary name and then renamed into
// place; an existing file is never replaced (the next free number is taken instead).
class ScanPageFile {
public:
    ScanPageFile(QString directory, QString documentName);

    struct Written {
        QString path;
        QString error; // empty on success
    };
    // `dpi` goes into the PNG's physical-size chunk.
    Written write(const QImage& image, double dpi);

    static QString pageName(const QString& documentName, int number);

private:
    QString directory_;
    QString documentName_;
    int nextNumber_ = 1;
};

// Renames without ever replacing an existing target. False with errno set on failure
// (EEXIST when the target exists).
bool renameNoReplace(const QString& from, const QString& to);

} // namespace vantry
