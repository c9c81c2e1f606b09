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
};

} // namespace vantry
