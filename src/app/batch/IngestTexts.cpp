#include "app/batch/IngestTexts.h"

namespace vantry::IngestTexts {

namespace {

QString scans(qint64 n) { return QString::number(n) + (n == 1 ? QStringLiteral(" scan") : QStringLiteral(" scans")); }

} // namespace

QString reading(qint64 n) { return QStringLiteral("Reading ") + scans(n) + QStringLiteral("…"); }

bool nothingNew(const RunOutcome& run) { return run.added == 0 && run.importedBefore + run.duplicates > 0; }

QString nothingNewStatus(const RunOutcome& run)
{
    const qint64 left = run.importedBefore + run.duplicates;
    const QString where = run.wholeFolder ? QStringLiteral(" in this folder") : QStringLiteral(" that came in");
    // Scans left out for another reason (too large, say) are told after this by the left-out line.
    QString which;
    if (left < run.scans)
        which = QString::number(left) + QStringLiteral(" of the ") + scans(run.scans) + where;
    else
        which = (left == 1 ? QStringLiteral("The ") : QStringLiteral("All ")) + scans(left) + where;
    const bool one = left == 1;
    QString why;
    if (run.duplicates == 0)
        why = one ? QStringLiteral(" was imported before") : QStringLiteral(" were imported before");
    else if (run.importedBefore == 0)
        why = one ? QStringLiteral(" was already read into this batch") : QStringLiteral(" were already read into this batch");
    else
        why = QStringLiteral(" were imported before or already read into this batch");
    return which + why + QStringLiteral("; nothing new.");
}

QString readPiece(const RunOutcome& run)
{
    return QStringLiteral("Read ") + scans(run.scans) + QStringLiteral(", ") + QString::number(run.added) +
           QStringLiteral(" new");
}

} // namespace vantry::IngestTexts
