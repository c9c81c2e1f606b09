#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace vantry {

class FolderWatcher;

// The watcher status strip for one state of the folder watcher and one tick of the window's
// clock: the title line and the items of the detail line, in order.
struct WatcherStripState {
    struct Inputs {
        bool isPaused = false;
        QString folderName; // empty: no folder
        QString routeName;  // empty: no route folder
        qint64 filesSeen = 0;
        qint64 batchesEmitted = 0;
        std::optional<QString> timing; // the last batch's compact timing
        qint64 pendingFileCount = 0;
        std::optional<QDateTime> lastActivityAt;
        QDateTime nowTick;

        static Inputs of(const FolderWatcher& watcher, const QDateTime& nowTick);
    };

    enum class Tone { secondary, warning };
    struct Item {
        QString symbol;
        QString text;
        Tone tone = Tone::secondary;

        bool operator==(const Item&) const = default;
    };

    bool paused = false;
    QString title;
    QString folderName;
    QString routeName;
    std::vector<Item> items;

    static WatcherStripState of(const Inputs& in);

    // How long ago the last activity was, by whole seconds of the clock; none without one.
    static std::optional<QString> lastAgo(const std::optional<QDateTime>& lastActivityAt, const QDateTime& nowTick);
};

} // namespace vantry
