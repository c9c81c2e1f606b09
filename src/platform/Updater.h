#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>
#include <QUrl>

namespace vantry {

// What one "check now" found.
struct UpdateCheckResult {
    enum class Kind { upToDate, available, failed };
    Kind kind = Kind::failed;
    QString currentVersion;
    QString newestVersion; // the feed's newest version (upToDate and available)
    QUrl downloadPage;     // where the user gets it (available)
    QString error;         // why the check failed (failed)
};

// Checks for newer releases. It starts when created; `canCheckForUpdates` tells whether a
// check may be offered now (never without a feed, nor while one runs).
class Updater : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)
public:
    using QObject::QObject;
    virtual bool canCheckForUpdates() const = 0;
    virtual void checkForUpdates() = 0;

signals:
    void canCheckForUpdatesChanged(bool canCheck);
    void checkFinished(const vantry::UpdateCheckResult& result);
};

} // namespace vantry

Q_DECLARE_METATYPE(vantry::UpdateCheckResult)
