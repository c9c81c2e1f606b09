#pragma once

#include "app/batch/CaptureViewModel.h"
#include "app/capture/AlertPrompter.h"

#include <QString>
#include <QStringList>
#include <QUuid>

#include <functional>
#include <vector>

namespace vantry {

class SessionStore;

// The dealer's work that has not reached the inventory: confirmed rows and rows added by
// hand. Closing a tab, quitting, signing out and Clear Folder ask first while there is any.
struct UnimportedWork {
    qint64 cards = 0;     // confirmed or hand-added rows
    qint64 handAdded = 0; // of them, rows added by hand (they have no scan)
    double valueUSD = 0;  // the confirmed printings' prices
    int tabs = 0;         // tabs holding any
    QStringList scanFolders; // where their scans are, in order of first appearance

    bool any() const { return cards > 0; }
    bool operator==(const UnimportedWork&) const = default;

    static UnimportedWork of(const std::vector<CaptureViewModel::Row>& rows);
    // Only the rows with a scan page directly in `folder`.
    static UnimportedWork ofScansIn(const std::vector<CaptureViewModel::Row>& rows, const QString& folder);
    // Every tab's.
    static UnimportedWork of(const SessionStore& store);
    UnimportedWork& operator+=(const UnimportedWork& other);
};

// The questions, "Cancel" first and the default; the other button runs `proceed`, "Cancel"
// (or Escape) runs `cancel`.
namespace UnimportedWorkAlerts {

// `tabTitle`: the tab's title.
AlertSpec closeTab(const UnimportedWork& work, const QString& tabTitle, std::function<void()> proceed,
                   std::function<void()> cancel = {});
AlertSpec quit(const UnimportedWork& work, std::function<void()> proceed, std::function<void()> cancel = {});
AlertSpec signOut(const UnimportedWork& work, std::function<void()> proceed, std::function<void()> cancel = {});
// `folderName`: the scan folder's name; `archiveName`: the subfolder the scans move into.
AlertSpec clearFolder(const UnimportedWork& work, const QString& folderName, const QString& archiveName,
                      std::function<void()> proceed, std::function<void()> cancel = {});

} // namespace UnimportedWorkAlerts

// Closes the tab `id` at once when that loses no work, else after the user agreed. The last
// tab never closes.
void closeTabAsking(SessionStore& store, const QUuid& id, AlertPrompter& prompter);

} // namespace vantry
