#include "core/records/TrainingLabel.h"

#include "core/support/Json.h"

namespace vantry {

QJsonObject TrainingLabel::toJson() const
{
    json::Writer w;
    w.set("id", id)
        .set("scryfallId", scryfallId)
        .set("finish", rawValue(finish))
        .set("verified", verified)
        .set("timestamp", timestamp)
        .set("thumbnailFilename", thumbnailFilename)
        .set("appVersion", appVersion);
    return w.object();
}

TrainingLabel TrainingLabel::fromJson(const QJsonValue& value, const QString& where)
{
    const json::Reader r(value, where);
    TrainingLabel label;
    label.id = r.string("id");
    label.scryfallId = r.string("scryfallId");
    label.finish = r.record<ScanFinish>("finish", [](const QJsonValue& v, const QString& at) {
        return scanFinishFromJson(v, at);
    });
    label.verified = r.boolean("verified");
    label.timestamp = r.string("timestamp");
    label.thumbnailFilename = r.string("thumbnailFilename");
    label.appVersion = r.string("appVersion");
    return label;
}

} // namespace vantry
