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
    // Writes the page completely but leaves it under a hidden staged name that carries the
    // next free page name; `place` later moves it there. Folder listings never see it.
    Written stage(const QImage& image, double dpi);
    // Stages `bytes` as they are, for the page name `finalName` in `directory`.
    static Written stageBytes(const QString& directory, const QString& finalName, const QByteArray& bytes);
    // The page name a staged file carries; empty for a file that is not staged.
    static QString stagedFinalName(const QString& stagedPath);
    // Moves a staged page to its page name, in one rename that never replaces a file: when
    // the name was taken meanwhile, the next free number (or " 2", " 3"... before the
    // extension) is used.
    static Written place(const QString& stagedPath);

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
