#pragma once

#include "platform/FolderEvents.h"

#include <QSocketNotifier>

#include <memory>

namespace vantry {

// Linux inotify on one folder: IN_CLOSE_WRITE and IN_MOVED_TO. A folder deleted or moved away
// ends the watch (events lost); the owner watches the path again. The descriptor is read on
// the owning thread when the event loop says it is readable; a read never blocks.
class InotifyFolderEvents final : public FolderEvents {
    Q_OBJECT

public:
    // Null when inotify cannot be set up (no descriptors left, or not supported).
    static std::unique_ptr<InotifyFolderEvents> create(QObject* parent = nullptr);
    ~InotifyFolderEvents() override;

    bool watch(const QString& folder) override;
    void unwatch() override;
    bool isWatching() const override { return wd_ >= 0; }

private:
    InotifyFolderEvents(int fd, QObject* parent);
    void readEvents();

    int fd_;
    int wd_ = -1;
    QString folder_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace vantry
