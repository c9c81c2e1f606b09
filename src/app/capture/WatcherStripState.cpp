#include "app/capture/WatcherStripState.h"

#include "app/capture/CaptureCommandTexts.h"
#include "core/intake/FolderWatcher.h"

namespace vantry {

namespace {

QString lastComponent(const std::optional<QString>& path)
{
    return CaptureCommandTexts::folderName(path.value_or(QString()));
}

} // namespace

WatcherStripState::Inputs WatcherStripState::Inputs::of(const FolderWatcher& watcher, const QDateTime& nowTick)
{
    Inputs in;
    in.isPaused = watcher.isPaused();
    in.folderName = lastComponent(watcher.folder());
    in.routeName = lastComponent(watcher.routeInto());
    in.filesSeen = watcher.filesSeenSinceStart();
    in.batchesEmitted = watcher.batchesEmitted();
    if (const auto& timing = watcher.lastScanTiming())
        in.timing = timing->compactDescription();
    in.pendingFileCount = watcher.pendingFileCount();
    in.lastActivityAt = watcher.lastActivityAt();
    in.nowTick = nowTick;
    return in;
}

std::optional<QString> WatcherStripState::lastAgo(const std::optional<QDateTime>& lastActivityAt,
                                                  const QDateTime& nowTick)
{
    if (!lastActivityAt)
        return std::nullopt;
    // Truncated toward zero, so anything under a whole second (or a clock behind the
    // activity) is "just now".
    const qint64 seconds = lastActivityAt->msecsTo(nowTick) / 1000;
    if (seconds < 1)
        return QStringLiteral("just now");
    if (seconds < 60)
        return QString::number(seconds) + QStringLiteral("s ago");
    return QString::number(seconds / 60) + QStringLiteral("m ago");
}

WatcherStripState WatcherStripState::of(const Inputs& in)
{
    WatcherStripState s;
    s.paused = in.isPaused;
    s.title = in.isPaused ? QStringLiteral("Paused") : QStringLiteral("Watching");
    s.folderName = in.folderName;
    s.routeName = in.routeName;

    s.items.push_back({QStringLiteral("doc.fill"), QStringLiteral("%1 seen").arg(in.filesSeen)});
    s.items.push_back({QStringLiteral("tray.and.arrow.down.fill"), QStringLiteral("%1 imported").arg(in.batchesEmitted)});
    if (in.timing)
        s.items.push_back({QStringLiteral("speedometer"), *in.timing});
    if (in.isPaused)
        s.items.push_back({QStringLiteral("pause.fill"), QStringLiteral("resume to import new scans"), Tone::warning});
    else if (in.pendingFileCount >= 1)
        s.items.push_back(
            {QStringLiteral("hourglass"), QStringLiteral("%1 settling...").arg(in.pendingFileCount), Tone::warning});
    if (const auto ago = lastAgo(in.lastActivityAt, in.nowTick))
        s.items.push_back({QStringLiteral("clock"), QStringLiteral("last activity ") + *ago});
    else
        s.items.push_back({QStringLiteral("info.circle"), QStringLiteral("no scans yet, drop one in to test")});
    return s;
}

} // namespace vantry
