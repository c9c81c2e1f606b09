#pragma once

#include <QObject>
#include <QString>

#include <memory>

namespace vantry {

// Tells when a file directly inside one folder was finished by its writer: closed after
// writing, or moved into the folder. A hint only: events can be lost, and network folders
// give none for other machines' writes, so a listener still polls.
class FolderEvents : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~FolderEvents() override = default;

    // Watches `folder` (not its sub-folders) in place of any earlier one; false when the
    // platform cannot (then `isWatching` stays false).
    virtual bool watch(const QString& folder) = 0;
    virtual void unwatch() = 0;
    // False once the folder is no longer watched, also when it went away while watched.
    virtual bool isWatching() const = 0;

    // inotify; null when the platform gives no such events.
    static std::unique_ptr<FolderEvents> system();

signals:
    // `path` is the watched folder joined with the file's name.
    void fileFinished(const QString& path);
    // Events were lost: whatever happened meanwhile is only found by listing the folder.
    void eventsLost();
};

} // namespace vantry
