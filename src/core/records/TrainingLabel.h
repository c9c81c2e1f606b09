#pragma once

#include "core/card/ScanFinish.h"

#include <QJsonObject>
#include <QString>

namespace vantry {

// One foil-training example: a printing, the finish the user confirmed, and its thumbnail.
struct TrainingLabel {
    QString id;
    QString scryfallId;
    ScanFinish finish = ScanFinish::nonfoil;
    bool verified = false;
    QString timestamp; // sorts in time order
    QString thumbnailFilename;
    QString appVersion;

    bool operator==(const TrainingLabel&) const = default;

    QJsonObject toJson() const;
    // Every key is required; throws json::Error.
    static TrainingLabel fromJson(const QJsonValue& value, const QString& where = {});
};

} // namespace vantry
