#pragma once

#include "core/card/ScannedCard.h"
#include "core/intake/ScanArrivalSample.h"
#include "core/intake/ScanFileListing.h"
#include "core/intake/ScanSides.h"
#include "core/intake/ScanTimingBatchSummary.h"

#include <QCoroTask>
#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vantry {

class FolderEvents;

// Polls a scan folder and hands over the pages that arrived, once the scanner has been
// quiet for `settleTicks` polls, in name order, without repeated pages, and optionally
// moved into a second folder. Main thread only.
//
// A page is a new file, or a file that is no longer the one seen under its name (another
// inode, size or modification time). A page is handed over only once its size and
// modification time held over the quiet polls. In duplex mode batches always hold whole
// front/back pairs: an odd last page waits for the next batch, and repeated pairs are
// dropped as pairs. A poll whose listing fails changes nothing.
//
// Each page keeps the sides in force when it was noticed (or the sides its writer reports),
// so a change of sides never re-pairs pages already in the folder: a front never takes a
// one-sided page as its back, and a front held for its back when duplex ends goes out as a
// card of its own. Batches are handed over as cards.
//
// A page known to be finished need not wait for quiet: one its writer reported (`pageFinished`),
// or one the folder events say was closed after writing or moved in and whose bytes end in
// its format's end marker (PNG, JPEG). Such pages go out at once, in name order up to the
// first pending page that is not known finished; that one and those after it wait for the
// quiet polls. Events only prompt a poll: the timer's polls alone count as quiet, so a
// page without an end marker (TIFF, or a truncated file) settles exactly as without events.
//
// Once noticed, a page keeps its place in the scan, so that a missing page never pairs the
// back of one card with the front of the next. A card with an empty page waits (as a whole
// card) for the content, for at most `emptyPageTicks` polls; then it goes out as it is and
// its empty page reads as unreadable. A card with a page that left the folder before it
// was handed over is dropped whole, and logged; a page renamed meanwhile (the same file
// under another name) keeps its place.
class FolderWatcher : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isWatching READ isWatching NOTIFY isWatchingChanged)
    Q_PROPERTY(bool isPaused READ isPaused NOTIFY isPausedChanged)
    Q_PROPERTY(std::optional<QString> folder READ folder NOTIFY folderChanged)
    Q_PROPERTY(std::optional<QString> routeInto READ routeInto NOTIFY routeIntoChanged)
    Q_PROPERTY(qint64 filesSeenSinceStart READ filesSeenSinceStart NOTIFY filesSeenSinceStartChanged)
    Q_PROPERTY(int pendingFileCount READ pendingFileCount NOTIFY pendingFileCountChanged)
    Q_PROPERTY(std::optional<QDateTime> lastActivityAt READ lastActivityAt NOTIFY lastActivityAtChanged)
    Q_PROPERTY(std::optional<ScanTimingBatchSummary> lastScanTiming READ lastScanTiming NOTIFY lastScanTimingChanged)
    Q_PROPERTY(int batchesEmitted READ batchesEmitted NOTIFY batchesEmittedChanged)
    Q_PROPERTY(bool isFolderReadable READ isFolderReadable NOTIFY isFolderReadableChanged)

public:
    static constexpr std::chrono::milliseconds defaultInterval{1500};
    static constexpr int settleTicks = 2;
    // Polls a card with an empty page waits for the content (30 s at the default interval).
    static constexpr int emptyPageTicks = 20;

    // Polls at the default interval and listens to the platform's folder events.
    explicit FolderWatcher(QObject* parent = nullptr);
    // `interval` between polls; tests pass a short one or drive `tick` themselves. Without
    // `events` the watcher only polls.
    explicit FolderWatcher(std::chrono::milliseconds interval, QObject* parent = nullptr);
    FolderWatcher(std::chrono::milliseconds interval, std::unique_ptr<FolderEvents> events, QObject* parent = nullptr);
    ~FolderWatcher() override;

    // The time source of arrival samples and `lastActivityAt`.
    void setClock(std::function<QDateTime()> clock);

    // Starts afresh (stopping first). Files already in the folder are not handed over.
    // A route folder naming the watched folder itself is ignored.
    void start(const QString& folder, const std::optional<QString>& routeInto = std::nullopt,
               ScanSides sides = ScanSides::single);
    // The sides of the pages that arrive from now on. Pages already in the folder keep the
    // sides they arrived under (they are noticed now, also while paused); with duplex ending,
    // a front held for its back goes out alone.
    void setSides(ScanSides sides);
    // Stops polling and cancels every batch not yet handed over. When no batch is in flight,
    // cards held back for an empty page are handed over as they are, and a duplex page
    // waiting for its back is handed over alone.
    void stop();
    void pause();
    // Polls at once; pending pages need the full quiet count again.
    void resume();
    // One poll, as the timer does it. Does nothing unless watching and not paused.
    void tick();
    // The writer of `path` says the page is finished (it was moved into the folder in one
    // rename and is never written again): the watcher polls at once and hands it over
    // without waiting for the folder to be quiet. `sides`: how the writer scanned it, which
    // wins over the sides in force. A page outside the watched folder, or while paused,
    // changes nothing.
    void pageFinished(const QString& path, std::optional<ScanSides> sides = std::nullopt);

    // A batch is being hashed or handed over.
    bool isEmitting() const { return drainerRunning_; }

    bool isWatching() const { return isWatching_; }
    bool isPaused() const { return isPaused_; }
    std::optional<QString> folder() const { return folder_; }
    std::optional<QString> routeInto() const { return routeInto_; }
    qint64 filesSeenSinceStart() const { return filesSeenSinceStart_; }
    int pendingFileCount() const { return pendingFileCount_; }
    std::optional<QDateTime> lastActivityAt() const { return lastActivityAt_; }
    std::optional<ScanTimingBatchSummary> lastScanTiming() const { return lastScanTiming_; }
    int batchesEmitted() const { return batchesEmitted_; }
    // False while the watched folder cannot be listed (gone, or no permission); pages come
    // in again once it can.
    bool isFolderReadable() const { return folderReadable_; }
    std::chrono::milliseconds interval() const { return interval_; }
    // The sides of pages arriving now.
    ScanSides sides() const { return sides_; }

signals:
    // Per batch, in this order: duplicatesDropped, pagesRouted, cardsArrived. A receiver may
    // stop the watcher or let it go; nothing more of that batch is told then.
    // The batch's cards in scan order, each with its pages where they are now.
    void cardsArrived(const std::vector<ScannedCard>& cards);
    void duplicatesDropped(int droppedPages);
    void pagesRouted(int movedPages, const QString& destination);
    // Files that arrived looking like pages but can never be one (see listImageEntries),
    // each told once while it stays in the folder.
    void filesLeftOut(const std::vector<LeftOutScanFile>& files);

    void isWatchingChanged();
    void isPausedChanged();
    void folderChanged();
    void routeIntoChanged();
    void filesSeenSinceStartChanged();
    void pendingFileCountChanged();
    void lastActivityAtChanged();
    void lastScanTimingChanged();
    void batchesEmittedChanged();
    void isFolderReadableChanged();

private:
    struct Page {
        QString path;
        QString name;
        FileIdentity identity;
        bool gone = false;  // left the folder; keeps its place so its card can be dropped whole
        int emptyPolls = 0; // polls it has been seen empty and unchanged
        bool proven = false; // closed by its writer and ending in its format's end marker
        ScanSides sides = ScanSides::single; // as it was scanned
    };
    // The pages in place order cut into cards: those to hand over, those that wait (whole
    // cards, then an incomplete last one), and the pages of cards dropped for a gone page.
    struct Cards {
        std::vector<Page> ready;
        std::vector<int> readySizes; // pages per ready card, in order
        std::vector<Page> waiting;
        std::vector<Page> dropped;
    };
    struct EmitJob {
        QStringList batch;
        std::vector<int> cardSizes; // pages per card of `batch`, in order
        std::optional<QString> route;
    };
    // A batch freed of repeated cards.
    struct Deduped {
        QStringList kept;
        std::vector<int> keptSizes;                          // pages per kept card, in order
        std::vector<std::optional<QString>> keptFrontHashes; // per kept card; empty: not hashed
        QStringList dropped;
    };
    // Runs on the CPU pool: reads the pages' files.
    static Deduped dedupeCards(const QStringList& pages, const std::vector<int>& sizes);
    void scheduleTimer();
    // `timed`: the timer's poll (or one standing for it), which may count as quiet.
    void poll(bool timed);
    // What a listing of the folder changed: new pages, or waiting pages that changed.
    struct Noticed {
        bool fresh = false;
        bool changed = false;
    };
    // Lists the folder and takes note of new, changed and gone pages; none when the folder
    // cannot be listed.
    std::optional<Noticed> notice();
    // The steps of `notice`. The listing, with the left-out files told; none when the folder
    // cannot be listed or a receiver stopped the watcher.
    std::optional<std::vector<ScanFileEntry>> listFolder();
    // The waiting pages against the listing (`current`, by name): gone, changed or still there
    // (`waiting`, by name). `changed` is set when any was gone or changed.
    void refreshWaiting(const QHash<QString, const ScanFileEntry*>& current, QSet<QString>& waiting, bool& changed);
    // The page is the listed file `e` now (changed, back, or renamed) and is not settled.
    void retake(Page& p, const ScanFileEntry& e);
    // The listed files not seen before and not waiting, in listing order; `seen` becomes the
    // listing. A gone page found again under another name is retaken (`changed`).
    std::vector<const ScanFileEntry*> partitionFresh(const std::vector<ScanFileEntry>& entries,
                                                     const QSet<QString>& waiting, bool& changed);
    // New pages join the pending ones, with their arrival samples and log lines.
    void takeFresh(const std::vector<const ScanFileEntry*>& fresh, std::size_t listed);
    // The last page when it is a duplex front still without its back.
    Page* heldFront();
    void folderFileFinished(const QString& path);
    // How many pending pages, in name order, may go out before the folder is quiet.
    size_t finishedPrefix();
    // `final`: scanning has ended, so nothing waits any more.
    Cards cutCards(std::vector<Page> pages, bool final) const;
    void logDropped(const std::vector<Page>& dropped) const;
    // Appends the pages' paths and removes their arrival samples, which it returns.
    std::vector<ScanArrivalSample> takeSamples(const std::vector<Page>& pages, QStringList& paths);
    // Hands over the first `count` pending pages in name order, with the waiting ones.
    void emitBatch(size_t count);
    void enqueue(EmitJob job);
    QCoro::Task<> drainEmits(quint64 generation);
    // Hands one hashed batch over; false when the watcher was stopped or destroyed meanwhile.
    bool deliver(const EmitJob& job, const Deduped& deduped);
    void forget(const QStringList& movedPaths);
    // Tells the left-out files not told before; false when the watcher stopped or went away.
    bool reportLeftOut(const std::vector<LeftOutScanFile>& leftOut);

    void setWatching(bool value);
    void setPaused(bool value);
    void setFilesSeen(qint64 value);
    int waitingPages() const; // pending and carried pages still in the folder
    void updatePendingCount();
    void setBatchesEmitted(int value);
    void setFolderReadable(bool value);
    bool isFinished(const Page& page) const;

    std::chrono::milliseconds interval_;
    std::function<QDateTime()> clock_;
    QTimer timer_;
    std::unique_ptr<FolderEvents> events_;
    QTimer eventPoll_;   // one poll for a burst of events
    QSet<QString> closed_; // names the folder events reported since the last poll

    bool isWatching_ = false;
    bool isPaused_ = false;
    std::optional<QString> folder_;
    std::optional<QString> routeInto_;
    qint64 filesSeenSinceStart_ = 0;
    int pendingFileCount_ = 0;
    std::optional<QDateTime> lastActivityAt_;
    std::optional<ScanTimingBatchSummary> lastScanTiming_;
    int batchesEmitted_ = 0;
    bool folderReadable_ = true;
    QSet<QString> finished_; // names of pages their writer reported finished, not yet handed over
    QHash<QString, ScanSides> writerSides_; // sides the writer reported for pages not noticed yet
    QSet<QByteArray> leftOutSeen_; // raw names of the left-out files in the folder, already told

    ScanSides sides_ = ScanSides::single;
    QHash<QString, FileIdentity> seen_;
    std::vector<Page> pending_;
    // Pages whose place is fixed and that wait: cards held back for an empty page, then
    // (duplex) a front page whose back has not come yet. Always ahead of `pending_`.
    std::vector<Page> carried_;
    QHash<QString, ScanArrivalSample> pendingArrivalSamples_;
    std::optional<QDateTime> lastFileTimestamp_;
    std::optional<QDateTime> lastObservedAt_;
    int idleTicks_ = 0;

    quint64 generation_ = 0; // bumped by stop: emits of an older generation deliver nothing
    std::deque<EmitJob> emitQueue_;
    bool drainerRunning_ = false;
};

} // namespace vantry
