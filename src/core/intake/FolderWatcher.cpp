#include "core/intake/FolderWatcher.h"

#include "core/support/CPUWork.h"
#include "core/support/CaptureLog.h"
#include "core/intake/ImageFileEnd.h"
#include "core/intake/ScanFileOrder.h"
#include "core/intake/ScanHashes.h"
#include "core/intake/ScanRouting.h"
#include "core/intake/ScanTimingDiagnostics.h"
#include "platform/FolderEvents.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QSet>

#include <algorithm>
#include <cstdio>

namespace vantry {

namespace {

QString lastComponent(const QString& path) { return QFileInfo(path).fileName(); }

// `frontHashes`: one per card, or none at all when the pages were not hashed.
std::vector<ScannedCard> cardsOf(const QStringList& pages, const std::vector<int>& sizes,
                                 const std::vector<std::optional<QString>>& frontHashes)
{
    std::vector<ScannedCard> cards;
    qsizetype at = 0;
    for (const int size : sizes) {
        ScannedCard card;
        card.index = int(cards.size());
        card.front = pages[at];
        if (size == 2)
            card.back = pages[at + 1];
        if (cards.size() < frontHashes.size())
            card.frontPixelHash = frontHashes[cards.size()];
        at += size;
        cards.push_back(std::move(card));
    }
    return cards;
}

void printLine(const QString& line)
{
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

// Repeated cards of one batch by PNG pixel hash: a one-sided card by its page, a front/back
// pair by both pages, dropped whole so that the pages after a repeat keep their sides. The
// kept cards' front hashes go along with them, so that nobody hashes those pages again.
FolderWatcher::Deduped FolderWatcher::dedupeCards(const QStringList& pages, const std::vector<int>& sizes)
{
    Deduped result;
    QSet<QString> met;
    qsizetype at = 0;
    for (const int size : sizes) {
        const QStringList card = pages.mid(at, size);
        at += size;
        const std::optional<QString> front = pngPixelHashOfFile(card[0]);
        std::optional<QString> key;
        if (card.size() == 1) {
            key = front;
        } else {
            const auto back = pngPixelHashOfFile(card[1]);
            if (front && back)
                key = *front + QLatin1Char('/') + *back;
        }
        if (key && met.contains(*key)) {
            result.dropped += card;
            continue;
        }
        if (key)
            met.insert(*key);
        result.kept += card;
        result.keptSizes.push_back(size);
        result.keptFrontHashes.push_back(front);
    }
    return result;
}

FolderWatcher::FolderWatcher(QObject* parent) : FolderWatcher(defaultInterval, FolderEvents::system(), parent) {}

FolderWatcher::FolderWatcher(std::chrono::milliseconds interval, QObject* parent)
    : FolderWatcher(interval, nullptr, parent)
{
}

FolderWatcher::FolderWatcher(std::chrono::milliseconds interval, std::unique_ptr<FolderEvents> events, QObject* parent)
    : QObject(parent), interval_(interval), clock_([] { return QDateTime::currentDateTimeUtc(); }),
      events_(std::move(events))
{
    connect(&timer_, &QTimer::timeout, this, &FolderWatcher::tick);
    eventPoll_.setSingleShot(true);
    eventPoll_.setInterval(0);
    connect(&eventPoll_, &QTimer::timeout, this, [this] { poll(false); });
    if (events_) {
        connect(events_.get(), &FolderEvents::fileFinished, this, &FolderWatcher::folderFileFinished);
        connect(events_.get(), &FolderEvents::eventsLost, this, [this] {
            if (isWatching_ && !isPaused_)
                eventPoll_.start();
        });
    }
}

FolderWatcher::~FolderWatcher()
{
    // Running emits resume later, find the watcher gone and deliver nothing.
    ++generation_;
    emitQueue_.clear();
}

void FolderWatcher::setClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }

void FolderWatcher::start(const QString& folder, const std::optional<QString>& routeInto, ScanSides sides)
{
    stop();
    const QString watched = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    if (folder_ != watched) {
        folder_ = watched;
        emit folderChanged();
    }
    std::optional<QString> route;
    if (routeInto && !routeInto->isEmpty() && !isSameFolder(*routeInto, watched))
        route = QDir::cleanPath(QFileInfo(*routeInto).absoluteFilePath());
    if (routeInto_ != route) {
        routeInto_ = route;
        emit routeIntoChanged();
    }
    sides_ = sides;

    seen_.clear();
    finished_.clear();
    writerSides_.clear();
    closed_.clear();
    leftOutSeen_.clear();
    if (events_)
        events_->watch(watched);
    bool readable = true;
    try {
        // Files already there are not handed over, nor told as left out.
        std::vector<LeftOutScanFile> leftOut;
        for (const ScanFileEntry& e : listImageEntries(watched, &leftOut))
            seen_.insert(e.name, e.identity);
        for (const LeftOutScanFile& file : leftOut)
            leftOutSeen_.insert(file.rawName);
    } catch (const ScanFolderError&) {
        readable = false;
    }
    try {
        const ImageListingDiagnostics d = imageListingDiagnostics(watched);
        CaptureLog::log(QStringLiteral("watcher ") + lastComponent(watched) + QStringLiteral(" START entries=") +
                        QString::number(d.totalEntries) + QStringLiteral(" images=") +
                        QString::number(d.scanImages) + QStringLiteral(" hiddenSidecars=") +
                        QString::number(d.hiddenImageSidecars) + QStringLiteral(" routeInto=") +
                        (route ? lastComponent(*route) : QStringLiteral("none")));
    } catch (const ScanFolderError&) {
    }

    setWatching(true);
    setFolderReadable(readable);
    setPaused(false);
    setFilesSeen(0);
    updatePendingCount();
    if (lastActivityAt_) {
        lastActivityAt_.reset();
        emit lastActivityAtChanged();
    }
    if (lastScanTiming_) {
        lastScanTiming_.reset();
        emit lastScanTimingChanged();
    }
    pendingArrivalSamples_.clear();
    lastFileTimestamp_.reset();
    lastObservedAt_.reset();
    setBatchesEmitted(0);
    scheduleTimer();
}

void FolderWatcher::stop()
{
    timer_.stop();
    eventPoll_.stop();
    closed_.clear();
    if (events_)
        events_->unwatch();
    const bool inFlight = drainerRunning_ || !emitQueue_.empty();
    ++generation_;
    emitQueue_.clear();
    drainerRunning_ = false;

    // Cards still waiting are handed over as they are once scanning ends: a front page
    // without its back as a card of its own, a card whose page stayed empty as unreadable.
    // When an earlier batch was cancelled above, they go with it.
    Cards cards;
    if (!inFlight && folder_)
        cards = cutCards(std::move(carried_), true);
    carried_.clear();
    writerSides_.clear();
    logDropped(cards.dropped);
    QStringList paths;
    const ScanTimingBatchSummary summary(takeSamples(cards.ready, paths));
    pending_.clear();
    pendingArrivalSamples_.clear();
    idleTicks_ = 0;
    setWatching(false);
    setFolderReadable(true);
    setPaused(false);
    updatePendingCount();

    if (paths.isEmpty())
        return;
    CaptureLog::log(QStringLiteral("watcher ") + lastComponent(*folder_) + QStringLiteral(" EMIT batch=") +
                    QString::number(paths.size()) + QStringLiteral(" timing=") + summary.logDescription());
    if (summary.fileCount >= 1) {
        lastScanTiming_ = summary;
        emit lastScanTimingChanged();
    }
    deliver(EmitJob{paths, cards.readySizes, routeInto_}, Deduped{paths, cards.readySizes, {}, {}});
}

void FolderWatcher::setSides(ScanSides sides)
{
    if (sides == sides_)
        return;
    // Pages already in the folder arrived under the sides in force until now.
    if (isWatching_ && folder_)
        notice();
    const bool duplexEnds = sides_ == ScanSides::duplex && sides == ScanSides::single;
    sides_ = sides;
    if (!isWatching_ || !folder_)
        return;
    CaptureLog::log(QStringLiteral("watcher ") + lastComponent(*folder_) + QStringLiteral(" sides=") + rawValue(sides));
    if (!duplexEnds)
        return;
    // No back follows a front held from before: it is a card of its own.
    Page* front = heldFront();
    if (!front)
        return;
    front->sides = ScanSides::single;
    if (!isPaused_ && pending_.empty())
        emitBatch(0);
}

FolderWatcher::Page* FolderWatcher::heldFront()
{
    std::stable_sort(pending_.begin(), pending_.end(),
                     [](const Page& a, const Page& b) { return ScanFileOrder::before(a.name, b.name); });
    std::vector<Page*> pages;
    for (std::vector<Page>* list : {&carried_, &pending_})
        for (Page& p : *list)
            pages.push_back(&p);
    for (size_t i = 0; i < pages.size();) {
        if (pages[i]->sides == ScanSides::single) {
            ++i;
        } else if (i + 1 == pages.size()) {
            return pages[i];
        } else {
            i += pages[i + 1]->sides == ScanSides::duplex ? 2 : 1;
        }
    }
    return nullptr;
}

void FolderWatcher::pause()
{
    if (!isWatching_ || isPaused_)
        return;
    timer_.stop();
    setPaused(true);
}

void FolderWatcher::resume()
{
    if (!isWatching_ || !isPaused_)
        return;
    setPaused(false);
    idleTicks_ = 0;
    scheduleTimer();
    tick();
}

void FolderWatcher::scheduleTimer()
{
    timer_.stop();
    timer_.start(interval_);
}

void FolderWatcher::tick() { poll(true); }

void FolderWatcher::poll(bool timed)
{
    if (!isWatching_ || isPaused_ || !folder_)
        return;
    // A folder deleted or moved away ended the events; the path may be there again.
    if (timed && events_ && !events_->isWatching())
        events_->watch(*folder_);
    const std::optional<Noticed> noticed = notice();
    if (!noticed)
        return; // no information: nothing is forgotten, nothing counts as quiet

    // Pages the events reported closed or moved in are finished when their bytes say so;
    // the rest (no end marker, truncated) settle as without events.
    if (!closed_.isEmpty()) {
        for (Page& p : pending_)
            if (!p.proven && !p.gone && p.identity.size > 0 && closed_.contains(p.name))
                p.proven = imageFileEnd(p.path) == ImageFileEnd::complete;
        closed_.clear();
    }
    if (const size_t finished = finishedPrefix(); finished > 0) {
        emitBatch(finished);
        return;
    }
    if (noticed->fresh || noticed->changed)
        return;
    // Nothing new, and at most a duplex front waiting for its back.
    if (pending_.empty() && (carried_.empty() || (carried_.size() == 1 && carried_.front().sides == ScanSides::duplex)))
        return;
    if (!timed || ++idleTicks_ < settleTicks)
        return;
    idleTicks_ = 0;
    emitBatch(pending_.size());
}

std::optional<FolderWatcher::Noticed> FolderWatcher::notice()
{
    std::optional<std::vector<ScanFileEntry>> listed = listFolder();
    if (!listed)
        return std::nullopt;
    const std::vector<ScanFileEntry>& entries = *listed;
    QHash<QString, const ScanFileEntry*> current;
    current.reserve(qsizetype(entries.size()));
    for (const ScanFileEntry& e : entries)
        current.insert(e.name, &e);

    Noticed noticed;
    QSet<QString> waiting;
    refreshWaiting(current, waiting, noticed.changed);
    const std::vector<const ScanFileEntry*> fresh = partitionFresh(entries, waiting, noticed.changed);
    noticed.fresh = !fresh.empty();
    if (noticed.fresh)
        takeFresh(fresh, entries.size());
    else if (noticed.changed)
        idleTicks_ = 0;
    updatePendingCount();
    return noticed;
}

std::optional<std::vector<ScanFileEntry>> FolderWatcher::listFolder()
{
    std::vector<ScanFileEntry> entries;
    std::vector<LeftOutScanFile> leftOut;
    try {
        entries = listImageEntries(*folder_, &leftOut);
    } catch (const ScanFolderError&) {
        setFolderReadable(false);
        return std::nullopt;
    }
    setFolderReadable(true);
    if (!reportLeftOut(leftOut))
        return std::nullopt; // stopped by a receiver: nothing more to note
    return entries;
}

void FolderWatcher::retake(Page& p, const ScanFileEntry& e)
{
    const auto old = pendingArrivalSamples_.constFind(p.path);
    const QDateTime observedAt = old != pendingArrivalSamples_.cend() ? old->observedAt : clock_();
    pendingArrivalSamples_.remove(p.path);
    p.path = e.path;
    p.name = e.name;
    p.identity = e.identity;
    p.gone = false;
    p.emptyPolls = 0;
    p.proven = false;
    pendingArrivalSamples_.insert(p.path, ScanTimingDiagnostics::sample(p.path, observedAt));
}

void FolderWatcher::refreshWaiting(const QHash<QString, const ScanFileEntry*>& current, QSet<QString>& waiting,
                                   bool& changed)
{
    // Waiting pages that left the folder are gone but keep their place (they may come back,
    // or under another name); ones that changed are not settled.
    for (std::vector<Page>* pages : {&pending_, &carried_}) {
        for (Page& p : *pages) {
            const ScanFileEntry* e = current.value(p.name);
            if (!e) {
                if (!p.gone) {
                    p.gone = true;
                    pendingArrivalSamples_.remove(p.path);
                    changed = true;
                }
                continue;
            }
            if (p.gone || !(e->identity == p.identity)) {
                retake(p, *e);
                changed = true;
            } else if (p.identity.size == 0) {
                ++p.emptyPolls;
            }
            waiting.insert(p.name);
        }
    }
}

std::vector<const ScanFileEntry*> FolderWatcher::partitionFresh(const std::vector<ScanFileEntry>& entries,
                                                                const QSet<QString>& waiting, bool& changed)
{
    // A gone page listed again under another name was renamed: it keeps its place.
    auto renamed = [&](const FileIdentity& identity) -> Page* {
        for (std::vector<Page>* pages : {&carried_, &pending_})
            for (Page& p : *pages)
                if (p.gone && p.identity == identity)
                    return &p;
        return nullptr;
    };

    QHash<QString, FileIdentity> updatedSeen;
    updatedSeen.reserve(qsizetype(entries.size()));
    std::vector<const ScanFileEntry*> fresh; // in name order: the listing is
    for (const ScanFileEntry& e : entries) {
        updatedSeen.insert(e.name, e.identity);
        if (waiting.contains(e.name))
            continue;
        const auto s = seen_.constFind(e.name);
        if (s != seen_.cend() && *s == e.identity)
            continue;
        if (Page* page = renamed(e.identity)) {
            retake(*page, e);
            changed = true;
            continue;
        }
        fresh.push_back(&e);
    }
    seen_.swap(updatedSeen);
    return fresh;
}

void FolderWatcher::takeFresh(const std::vector<const ScanFileEntry*>& fresh, std::size_t listed)
{
    const QDateTime now = clock_();
    qint64 k = filesSeenSinceStart_;
    for (const ScanFileEntry* e : fresh) {
        Page page{e->path, e->name, e->identity};
        const auto writer = writerSides_.constFind(e->name);
        page.sides = writer != writerSides_.cend() ? *writer : sides_;
        writerSides_.remove(e->name);
        pending_.push_back(std::move(page));
        const ScanArrivalSample sample = ScanTimingDiagnostics::sample(e->path, now);
        std::optional<double> scannerGap, observedGap;
        if (lastFileTimestamp_)
            scannerGap = double(lastFileTimestamp_->msecsTo(sample.fileTimestamp)) / 1000.0;
        if (lastObservedAt_)
            observedGap = double(lastObservedAt_->msecsTo(sample.observedAt)) / 1000.0;
        pendingArrivalSamples_.insert(e->path, sample);
        lastFileTimestamp_ = sample.fileTimestamp;
        lastObservedAt_ = sample.observedAt;
        CaptureLog::log(QStringLiteral("scan-timing arrival #") + QString::number(++k) + QStringLiteral(" file=") +
                        sample.fileName + QLatin1Char(' ') + ScanTimingDiagnostics::qualityDescription(sample) +
                        QStringLiteral(" scannerGap=") + ScanTimingDiagnostics::gapDescription(scannerGap) +
                        QStringLiteral(" observedGap=") + ScanTimingDiagnostics::gapDescription(observedGap) +
                        QStringLiteral(" pending=") + QString::number(waitingPages()));
    }
    setFilesSeen(filesSeenSinceStart_ + qint64(fresh.size()));
    updatePendingCount();
    lastActivityAt_ = now;
    emit lastActivityAtChanged();
    idleTicks_ = 0;
    CaptureLog::log(QStringLiteral("watcher ") + lastComponent(*folder_) + QStringLiteral(" fresh=") +
                    QString::number(fresh.size()) + QStringLiteral(" pending=") + QString::number(waitingPages()) +
                    QStringLiteral(" total=") + QString::number(listed));
}

FolderWatcher::Cards FolderWatcher::cutCards(std::vector<Page> pages, bool final) const
{
    Cards cards;
    for (size_t i = 0; i < pages.size();) {
        // A duplex front pairs with the next page when that one was scanned duplex too; before
        // a one-sided page its back never came, and as the last page it waits for it.
        size_t size = 1;
        bool whole = true;
        if (pages[i].sides == ScanSides::duplex) {
            if (i + 1 == pages.size())
                whole = false;
            else if (pages[i + 1].sides == ScanSides::duplex)
                size = 2;
        }
        const auto first = pages.begin() + qsizetype(i);
        const auto last = first + qsizetype(size);
        i += size;
        const bool gone = std::any_of(first, last, [](const Page& p) { return p.gone; });
        const bool empty = std::any_of(first, last, [](const Page& p) {
            return p.identity.size == 0 && p.emptyPolls < emptyPageTicks;
        });
        std::vector<Page>& into = gone && (whole || final)   ? cards.dropped
                                  : !final && (!whole || empty) ? cards.waiting
                                                                : cards.ready;
        if (&into == &cards.ready)
            cards.readySizes.push_back(int(size));
        into.insert(into.end(), std::make_move_iterator(first), std::make_move_iterator(last));
    }
    return cards;
}

void FolderWatcher::logDropped(const std::vector<Page>& dropped) const
{
    if (dropped.empty() || !folder_)
        return;
    QStringList pages, gone;
    for (const Page& p : dropped) {
        pages.append(p.name);
        if (p.gone)
            gone.append(p.name);
    }
    CaptureLog::log(QStringLiteral("watcher ") + lastComponent(*folder_) + QStringLiteral(" DROP pages=") +
                    pages.join(QLatin1Char(',')) + QStringLiteral(" gone=") + gone.join(QLatin1Char(',')));
}

std::vector<ScanArrivalSample> FolderWatcher::takeSamples(const std::vector<Page>& pages, QStringList& paths)
{
    std::vector<ScanArrivalSample> samples;
    for (const Page& p : pages) {
        paths.append(p.path);
        if (auto it = pendingArrivalSamples_.find(p.path); it != pendingArrivalSamples_.end()) {
            samples.push_back(*it);
            pendingArrivalSamples_.erase(it);
        }
    }
    return samples;
}

void FolderWatcher::emitBatch(size_t count)
{
    std::stable_sort(pending_.begin(), pending_.end(),
                     [](const Page& a, const Page& b) { return ScanFileOrder::before(a.name, b.name); });
    const auto end = pending_.begin() + qsizetype(std::min(count, pending_.size()));
    std::vector<Page> fresh(std::make_move_iterator(pending_.begin()), std::make_move_iterator(end));
    pending_.erase(pending_.begin(), end);
    std::vector<Page> pages;
    pages.swap(carried_);
    pages.insert(pages.end(), std::make_move_iterator(fresh.begin()), std::make_move_iterator(fresh.end()));

    Cards cards = cutCards(std::move(pages), false);
    carried_ = std::move(cards.waiting);
    for (const Page& p : cards.ready)
        finished_.remove(p.name);
    logDropped(cards.dropped);
    for (const Page& p : cards.dropped)
        pendingArrivalSamples_.remove(p.path);
    updatePendingCount();
    if (cards.ready.empty())
        return;

    QStringList batch;
    const ScanTimingBatchSummary summary(takeSamples(cards.ready, batch));
    if (summary.fileCount >= 1)
        lastScanTiming_ = summary;
    else
        lastScanTiming_.reset();
    emit lastScanTimingChanged();
    CaptureLog::log(QStringLiteral("watcher ") + lastComponent(*folder_) + QStringLiteral(" EMIT batch=") +
                    QString::number(batch.size()) + QStringLiteral(" timing=") + summary.logDescription());
    enqueue(EmitJob{batch, std::move(cards.readySizes), routeInto_});
}

void FolderWatcher::enqueue(EmitJob job)
{
    emitQueue_.push_back(std::move(job));
    if (drainerRunning_)
        return;
    drainerRunning_ = true;
    drainEmits(generation_);
}

QCoro::Task<> FolderWatcher::drainEmits(quint64 generation)
{
    QPointer<FolderWatcher> self(this);
    for (;;) {
        if (emitQueue_.empty()) {
            drainerRunning_ = false;
            co_return;
        }
        EmitJob job = std::move(emitQueue_.front());
        emitQueue_.pop_front();
        // Named: GCC 12 destroys a capturing closure twice when it is a temporary of the
        // co_await expression.
        auto work = [pages = job.batch, sizes = job.cardSizes] { return dedupeCards(pages, sizes); };
        const Deduped result = co_await CPUWork::run(std::move(work));
        if (!self || self->generation_ != generation)
            co_return;
        if (!deliver(job, result))
            co_return;
    }
}

bool FolderWatcher::deliver(const EmitJob& job, const Deduped& deduped)
{
    const QStringList& kept = deduped.kept;
    const QStringList& dropped = deduped.dropped;
    QPointer<FolderWatcher> self(this);
    const quint64 generation = generation_;
    auto valid = [&] { return self && self->generation_ == generation; };

    if (!dropped.isEmpty()) {
        emit duplicatesDropped(int(dropped.size()));
        if (!valid())
            return false;
    }
    QStringList outgoing = kept;
    if (job.route) {
        try {
            const QStringList moved = routeIntoFolder(kept, *job.route);
            int count = 0;
            QStringList left;
            for (qsizetype i = 0; i < kept.size(); ++i)
                if (moved[i] != kept[i]) {
                    ++count;
                    left.append(kept[i]);
                }
            forget(left);
            outgoing = moved;
            if (count > 0) {
                emit pagesRouted(count, *job.route);
                if (!valid())
                    return false;
            }
        } catch (const RouteError& error) {
            printLine(QStringLiteral("[watcher] route into ") + *job.route + QStringLiteral(" failed: ") +
                      QString::fromStdString(error.what()));
            // Pages moved before the failure are handed over where they are now.
            outgoing = error.paths();
            QStringList left;
            for (qsizetype i = 0; i < kept.size() && i < outgoing.size(); ++i)
                if (outgoing[i] != kept[i])
                    left.append(kept[i]);
            forget(left);
        }
    }
    if (!outgoing.isEmpty()) {
        emit cardsArrived(cardsOf(outgoing, deduped.keptSizes, deduped.keptFrontHashes));
        if (!valid())
            return false;
        setBatchesEmitted(batchesEmitted_ + 1);
    }
    return true;
}

bool FolderWatcher::reportLeftOut(const std::vector<LeftOutScanFile>& leftOut)
{
    QSet<QByteArray> present;
    std::vector<LeftOutScanFile> fresh;
    for (const LeftOutScanFile& file : leftOut) {
        present.insert(file.rawName);
        if (!leftOutSeen_.contains(file.rawName))
            fresh.push_back(file);
    }
    leftOutSeen_.swap(present); // a file that leaves and comes back is told again
    if (fresh.empty())
        return true;
    for (const LeftOutScanFile& file : fresh)
        CaptureLog::log(QStringLiteral("watcher ") + lastComponent(*folder_) + QStringLiteral(" LEFT OUT ") +
                        file.name + QStringLiteral(": ") + leftOutReasonText(file.reason));
    QPointer<FolderWatcher> self(this);
    const quint64 generation = generation_;
    emit filesLeftOut(fresh);
    return self && self->generation_ == generation && self->isWatching_;
}

void FolderWatcher::forget(const QStringList& movedPaths)
{
    for (const QString& path : movedPaths)
        seen_.remove(ScanFileOrder::fileName(path));
}

void FolderWatcher::setWatching(bool value)
{
    if (isWatching_ == value)
        return;
    isWatching_ = value;
    emit isWatchingChanged();
}

void FolderWatcher::setPaused(bool value)
{
    if (isPaused_ == value)
        return;
    isPaused_ = value;
    emit isPausedChanged();
}

void FolderWatcher::setFilesSeen(qint64 value)
{
    if (filesSeenSinceStart_ == value)
        return;
    filesSeenSinceStart_ = value;
    emit filesSeenSinceStartChanged();
}

int FolderWatcher::waitingPages() const
{
    const auto here = [](const Page& p) { return !p.gone; };
    return int(std::count_if(pending_.begin(), pending_.end(), here) +
               std::count_if(carried_.begin(), carried_.end(), here));
}

void FolderWatcher::updatePendingCount()
{
    const int count = waitingPages();
    if (pendingFileCount_ == count)
        return;
    pendingFileCount_ = count;
    emit pendingFileCountChanged();
}

void FolderWatcher::setBatchesEmitted(int value)
{
    if (batchesEmitted_ == value)
        return;
    batchesEmitted_ = value;
    emit batchesEmittedChanged();
}

void FolderWatcher::setFolderReadable(bool value)
{
    if (folderReadable_ == value)
        return;
    folderReadable_ = value;
    emit isFolderReadableChanged();
}

bool FolderWatcher::isFinished(const Page& p) const
{
    return !p.gone && p.identity.size > 0 && (p.proven || finished_.contains(p.name));
}

size_t FolderWatcher::finishedPrefix()
{
    // A gone page's card is dropped, or the page is found again under another name, only
    // once the folder is quiet.
    const auto gone = [](const Page& p) { return p.gone; };
    if (std::any_of(pending_.begin(), pending_.end(), gone) || std::any_of(carried_.begin(), carried_.end(), gone))
        return 0;
    std::stable_sort(pending_.begin(), pending_.end(),
                     [](const Page& a, const Page& b) { return ScanFileOrder::before(a.name, b.name); });
    size_t count = 0;
    while (count < pending_.size() && isFinished(pending_[count]))
        ++count;
    return count;
}

void FolderWatcher::pageFinished(const QString& path, std::optional<ScanSides> sides)
{
    if (!isWatching_ || isPaused_ || !folder_)
        return;
    const QFileInfo page(path);
    if (QDir::cleanPath(page.absolutePath()) != *folder_)
        return;
    const QString name = page.fileName();
    if (sides) {
        // The writer knows how the page was scanned, also when a poll noticed it first.
        bool waiting = false;
        for (std::vector<Page>* pages : {&carried_, &pending_})
            for (Page& p : *pages)
                if (p.name == name) {
                    p.sides = *sides;
                    waiting = true;
                }
        if (!waiting && !seen_.contains(name))
            writerSides_.insert(name, *sides);
    }
    finished_.insert(name);
    poll(false);
}

void FolderWatcher::folderFileFinished(const QString& path)
{
    if (!isWatching_ || isPaused_ || !folder_)
        return;
    const QFileInfo file(path);
    const QString name = file.fileName();
    // Hidden names are staged pages not placed yet, or other programs' side files.
    if (QDir::cleanPath(file.absolutePath()) != *folder_ || name.startsWith(QLatin1Char('.')) ||
        !imageExtensions().contains(file.suffix().toLower()))
        return;
    closed_.insert(name);
    eventPoll_.start();
}

} // namespace vantry
