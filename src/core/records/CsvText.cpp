#include "core/records/CsvText.h"

namespace vantry {

QString CsvText::cell(const QString& value)
{
    const bool needsQuotes = value.contains(QLatin1Char(',')) || value.contains(QLatin1Char('"')) ||
                             value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r'));
    if (!needsQuotes)
        return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString CsvText::row(const QStringList& cells)
{
    QStringList out;
    out.reserve(cells.size());
    for (const QString& c : cells)
        out.append(cell(c));
    return out.join(QLatin1Char(','));
}

QString CsvText::document(const std::vector<QStringList>& rows)
{
    QStringList lines;
    lines.reserve(qsizetype(rows.size()));
    for (const QStringList& r : rows)
        lines.append(row(r));
    return lines.join(QLatin1Char('\n'));
}

std::vector<QStringList> CsvText::parse(const QString& text)
{
    std::vector<QStringList> rows;
    if (text.isEmpty())
        return rows;
    QStringList row;
    QString cell;
    bool quoted = false;   // inside a quoted cell
    bool cellStart = true; // nothing of the current cell read yet
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c != QLatin1Char('"'))
                cell.append(c);
            else if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"'))
                cell.append(text.at(++i));
            else
                quoted = false;
            continue;
        }
        if (c == QLatin1Char(',') || c == QLatin1Char('\n')) {
            row.append(cell);
            cell.clear();
            cellStart = true;
            if (c == QLatin1Char('\n')) {
                rows.push_back(row);
                row.clear();
            }
            continue;
        }
        if (c == QLatin1Char('"') && cellStart)
            quoted = true;
        else
            cell.append(c);
        cellStart = false;
    }
    row.append(cell);
    rows.push_back(row);
    return rows;
}

} // namespace vantry
