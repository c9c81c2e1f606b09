#include "core/records/TrainingLabelCSV.h"

#include "core/records/CsvText.h"

namespace vantry {

QString TrainingLabelCSV::row(const TrainingLabel& label)
{
    return CsvText::row({label.id, label.scryfallId, rawValue(label.finish),
                         label.verified ? QStringLiteral("1") : QStringLiteral("0"), label.timestamp,
                         label.thumbnailFilename, label.appVersion});
}

QString TrainingLabelCSV::render(const std::vector<TrainingLabel>& labels)
{
    QString text = header + QLatin1Char('\n');
    for (const TrainingLabel& label : labels)
        text += row(label) + QLatin1Char('\n');
    return text;
}

} // namespace vantry
