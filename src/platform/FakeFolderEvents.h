#pragma once

#include "platform/FolderEvents.h"

#include <QStringList>

namespace vantry {

// Events as the test says: `finish` reports a file of the watched folder finished.
class FakeFolderEvents final : public FolderEvents {
    Q_OBJECT

public:
    using FolderEvents::FolderEvents;

    bool watch(const QString& folder) override
    {
        watched << folder;
        folder_ = folder;
        watching_ = available;
        return available;
    }
    void unwatch() override { watching_ = false; }
    bool isWatching() const override { return watching_; }

    // Reports `name` in the watched folder finished (as the platform would, also when nobody
    // should be listening).
    void finish(const QString& name) { emit fileFinished(folder_ + QLatin1Char('/') + name); }
    void lose()
    {
        watching_ = false;
        emit eventsLost();
    }

    bool available = true; // false: `watch` fails, as on a folder the platform cannot watch
    QStringList watched;   // every folder asked for, in order

private:
    QString folder_;
    bool watching_ = false;
};

} // namespace vantry
