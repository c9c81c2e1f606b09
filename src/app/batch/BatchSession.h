#pragma once

#include "app/batch/CaptureViewModel.h"
#include "core/intake/ScanSides.h"

#include <QObject>
#include <QString>
#include <QUuid>

#include <memory>
#include <optional>

namespace vantry {

class AuthService;
class FolderWatcher;
class ScannerController;

// One batch tab: its model, its folder watcher, its scanner controller and its scan folder.
// Main thread only.
class BatchSession : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString scanFolderPath READ scanFolderPath WRITE setScanFolderPath NOTIFY scanFolderPathChanged)
    Q_PROPERTY(QString title READ title NOTIFY scanFolderPathChanged)

public:
    // What a session is made of; tests give fakes.
    struct Parts {
        std::shared_ptr<CaptureViewModel> viewModel;
        std::unique_ptr<FolderWatcher> watcher;
        std::unique_ptr<ScannerController> scanner;
    };

    // The model with its default collaborators, a watcher and a SANE scanner controller.
    BatchSession(AuthService* auth, QString scanFolderPath, QObject* parent = nullptr);
    BatchSession(Parts parts, QString scanFolderPath, QObject* parent = nullptr);
    ~BatchSession() override;

    const QUuid& id() const { return id_; }
    // Shared with the model's running operations, which keep it alive after a close.
    const std::shared_ptr<CaptureViewModel>& viewModel() const { return viewModel_; }
    FolderWatcher& watcher() const { return *watcher_; }
    ScannerController& scanner() const { return *scanner_; }

    const QString& scanFolderPath() const { return scanFolderPath_; }
    // A watcher that is running follows the folder (stops when there is none).
    void setScanFolderPath(QString path);
    // The scan folder's name, or "New batch" without one.
    QString title() const;

    // Watches `folder`. The watcher's cards, paired as their pages were scanned, are ingested
    // (append, progress, automatic import allowed); its repeats dropped, pages routed and
    // files left out are told on the model.
    void watchFolder(const QString& folder, const std::optional<QString>& routeInto = std::nullopt);
    // How pages landing now were scanned: the running scan's sides while this tab's scanner
    // scans, otherwise "vy.duplex". The watcher follows it while it watches.
    ScanSides sidesInForce() const;

    // The tab is going away: the watcher is disconnected from the model and running ingests made
    // stale before the watcher stops (its stop can hand over a carried duplex page), then
    // scanner browsing stops. Work still running ends on the model it keeps alive.
    void close();

signals:
    void scanFolderPathChanged();

private:
    // Connects the watcher's hand-over to the model, once.
    void connectWatcher();
    void followSides();

    QUuid id_;
    std::shared_ptr<CaptureViewModel> viewModel_;
    std::unique_ptr<FolderWatcher> watcher_;
    std::unique_ptr<ScannerController> scanner_;
    QString scanFolderPath_;
};

} // namespace vantry
