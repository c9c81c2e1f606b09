#pragma once

#include "app/batch/SessionStore.h"
#include "app/capture/AlertPrompter.h"
#include "platform/FakeScannerBrowser.h"
#include "platform/VirtualDelayScheduler.h"

#include <map>
#include <memory>
#include <vector>

namespace vantry {
class AuthService;
class ScannerController;
}

namespace vantry::test {

// Batch sessions over fakes: marker recognizer, recording resolver, no art matcher, a watcher
// ticked by hand, a scanner over fake browsers, timers on one virtual clock.
struct CaptureSessionKit {
    VirtualDelayScheduler scheduler;
    // The sign-in service of the models made from now on; none: signed out, asking no service.
    AuthService* auth = nullptr;
    std::vector<FakeScannerBrowser*> browsers;
    std::map<const ScannerController*, FakeScannerBrowser*> browserOf;

    SessionStore::SessionFactory factory();
    std::shared_ptr<BatchSession> make(const QString& scanFolderPath = {});
    // The same over a scanner of the test's own (SANE, for one).
    std::shared_ptr<BatchSession> make(const QString& scanFolderPath, std::unique_ptr<ScannerController> scanner);
    // True when the newest browser of `session`'s scanner is running.
    bool browsing(const BatchSession& session) const;

    // A review row: confirmed rows choose "Card <index>".
    static CaptureViewModel::Row row(int index, bool confirmed, bool reviewed = false, bool noText = false);
};

// Records alerts and answers them by button text, as a user would.
struct FakeAlertPrompter final : AlertPrompter {
    std::vector<AlertSpec> shown;

    void present(AlertSpec alert) override { shown.push_back(std::move(alert)); }
    // Presses `button` on the latest alert; false when it has no such button.
    bool answer(const QString& button);
};

} // namespace vantry::test
