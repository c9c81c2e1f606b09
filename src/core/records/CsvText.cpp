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

} // namespace vantry
