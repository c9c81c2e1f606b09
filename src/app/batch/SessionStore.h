#pragma once

#include "app/batch/BatchSession.h"

#include <QObject>
#include <QUuid>

#include <functional>
#include <memory>
#include <vector>

namespace vantry {

class AuthService;

// The batch tabs in display order and the selected one. Never empty: the last tab cannot be
// closed. Main thread only.
class SessionStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(QUuid selectedID READ selectedID WRITE setSelectedID NOTIFY selectedIDChanged)

public:
    // Makes a session on a scan folder; tests give fakes.
    using SessionFactory = std::function<std::shared_ptr<BatchSession>(const QString& scanFolderPath)>;

    // The first tab opens on the stored "vy.scanFolder", every later one on no folder.
    explicit SessionStore(AuthService* auth, QObject* parent = nullptr);
    explicit SessionStore(SessionFactory factory, QObject* parent = nullptr);
    ~SessionStore() override;

    const std::vector<std::shared_ptr<BatchSession>>& sessions() const { return sessions_; }
    const QUuid& selectedID() const { return selectedID_; }
    void setSelectedID(const QUuid& id);
    // The selected tab, or the first when the selection names none.
    BatchSession& selected() const;

    // A new tab on no folder, appended and selected.
    BatchSession& addSession();
    // Closes the tab `id` unless it is the last one; a closed selected tab passes the selection
    // to the tab now in its place (or the new last one).
    void close(const QUuid& id);

signals:
    void sessionsChanged();
    void selectedIDChanged();

private:
    SessionFactory factory_;
    std::vector<std::shared_ptr<BatchSession>> sessions_;
    QUuid selectedID_;
};

} // namespace vantry
