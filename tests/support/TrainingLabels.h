#pragma once

#include "core/records/TrainingDataStore.h"

#include <QImage>

#include <memory>

namespace vantry::test {

// A label store in `folder` holding `count` foil labels (the first one verified), each with a
// small grey thumbnail; the labels are written on the store's queue, before any later read.
inline std::shared_ptr<TrainingDataStore> trainingStoreWith(const QString& folder, int count,
                                                            ScanFinish finish = ScanFinish::foil)
{
    auto store = std::make_shared<TrainingDataStore>(folder);
    std::vector<std::pair<TrainingLabel, QImage>> batch;
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::gray);
    for (int i = 0; i < count; ++i) {
        const QString id = QStringLiteral("l%1").arg(i);
        batch.push_back({{id, "sf-" + id, finish, i == 0, QStringLiteral("2026-01-01T00:00:%1").arg(i, 2, 10, QLatin1Char('0')),
                          id + ".jpg", "1"},
                         image});
    }
    store->appendBatch(std::move(batch), false);
    return store;
}

} // namespace vantry::test
