#include "platform/InotifyFolderEvents.h"

#include <QFile>

#include <cerrno>
#include <cstring>

#include <sys/inotify.h>
#include <unistd.h>

namespace vantry {

std::unique_ptr<FolderEvents> FolderEvents::system() { return InotifyFolderEvents::create(); }

std::unique_ptr<InotifyFolderEvents> InotifyFolderEvents::create(QObject* parent)
{
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0)
        return nullptr;
    return std::unique_ptr<InotifyFolderEvents>(new InotifyFolderEvents(fd, parent));
}

InotifyFolderEvents::InotifyFolderEvents(int fd, QObject* parent)
    : FolderEvents(parent), fd_(fd), notifier_(std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read))
{
    connect(notifier_.get(), &QSocketNotifier::activated, this, &InotifyFolderEvents::readEvents);
}

InotifyFolderEvents::~InotifyFolderEvents()
{
    notifier_.reset();
    ::close(fd_);
}

bool InotifyFolderEvents::watch(const QString& folder)
{
    unwatch();
    const QByteArray encoded = QFile::encodeName(folder);
    const int wd = ::inotify_add_watch(fd_, encoded.constData(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVE_SELF | IN_ONLYDIR);
    if (wd < 0)
        return false;
    wd_ = wd;
    folder_ = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    return true;
}

void InotifyFolderEvents::unwatch()
{
    if (wd_ >= 0)
        ::inotify_rm_watch(fd_, wd_);
    wd_ = -1;
    folder_.clear();
}

void InotifyFolderEvents::readEvents()
{
    alignas(inotify_event) char buffer[16 * 1024];
    bool lost = false;
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0) {
            if (n < 0 && errno == EINTR)
                continue;
            break; // EAGAIN: drained
        }
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += ssize_t(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                lost = true;
                continue;
            }
            // Events of a watch removed since (an earlier folder) are stale.
            if (event->wd != wd_ || wd_ < 0)
                continue;
            if (event->mask & IN_IGNORED) {
                wd_ = -1; // the folder was deleted or unmounted
                lost = true;
                continue;
            }
            if (event->mask & IN_MOVE_SELF) {
                // The watch would follow the folder to its new place; the path is what is watched.
                unwatch();
                lost = true;
                continue;
            }
            if ((event->mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) && event->len > 0 && !(event->mask & IN_ISDIR)) {
                const QString path = folder_ + QFile::decodeName(event->name);
                emit fileFinished(path);
            }
        }
    }
    if (lost)
        emit eventsLost();
}

} // namespace vantry
