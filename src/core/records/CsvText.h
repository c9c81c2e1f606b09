#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace vantry {

// The CSV dialect of every export: a cell holding ",", '"', a line feed or a carriage
// return is quoted with inner quotes doubled; cells joined by ",", rows by "\n".
struct CsvText {
    static QString cell(const QString& value);
    static QString row(const QStringList& cells);
    // Rows joined by line feeds, none after the last.
    static QString document(const std::vector<QStringList>& rows);
    // Reads the dialect back: the exact inverse of `document` for rows of at least one cell
    // (an empty text is no rows). A quote inside an unquoted cell, or after a closing quote,
    // is kept as text; a quoted cell left open runs to the end.
    static std::vector<QStringList> parse(const QString& text);
};

} // namespace vantry
