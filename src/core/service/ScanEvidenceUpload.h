#pragma once

#include "core/service/StringDictionary.h"

#include <QByteArray>
#include <QString>

namespace vantry {

// One evidence image to attach to one item of a scan session.
struct ScanEvidenceUpload {
    QString itemId;
    QByteArray imageData;
    QString contentType;
    StringDictionary metadata;

    bool operator==(const ScanEvidenceUpload&) const = default;
};

} // namespace vantry
