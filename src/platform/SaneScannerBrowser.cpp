#include "platform/SaneScannerBrowser.h"

#include "platform/SaneWorker.h"

#include <sane/sane.h>

#include <set>

namespace vantry {

SaneScannerBrowser::SaneScannerBrowser() : SaneScannerBrowser(Options{}) {}

SaneScannerBrowser::SaneScannerBrowser(Options options)
    : options_(std::move(options)), worker_(SaneWorker::acquire()), poster_(std::make_shared<SanePoster>(this))
{
    timer_.setInterval(options_.pollInterval);
    connect(&timer_, &QTimer::timeout, this, &SaneScannerBrowser::poll);
}

SaneScannerBrowser::~SaneScannerBrowser() { poster_->detach(); }

void SaneScannerBrowser::start()
{
    if (running_)
        return;
    running_ = true;
    timer_.start();
    poll();
}

void SaneScannerBrowser::stop()
{
    running_ = false;
    timer_.stop();
}

void SaneScannerBrowser::poll()
{
    if (!running_ || inFlight_)
        return;
    inFlight_ = true;
    worker_->submit([poster = poster_, self = this](bool ready) {
        QList<SaneDeviceIdentity> found;
        const SANE_Device** list = nullptr;
        if (ready && sane_get_devices(&list, SANE_FALSE) == SANE_STATUS_GOOD && list) {
            for (const SANE_Device** d = list; *d; ++d) {
                if (!(*d)->name)
                    continue;
                found.push_back({QByteArray((*d)->name), QString::fromUtf8((*d)->vendor ? (*d)->vendor : ""),
                                 QString::fromUtf8((*d)->model ? (*d)->model : ""),
                                 QString::fromUtf8((*d)->type ? (*d)->type : "")});
            }
        }
        poster->post([self, found] {
            self->inFlight_ = false;
            self->polled_ = true;
            if (self->running_)
                self->apply(found);
        });
    });
}

void SaneScannerBrowser::apply(const QList<SaneDeviceIdentity>& found)
{
    std::set<QByteArray> names;
    for (const auto& identity : found)
        names.insert(identity.name);
    std::vector<std::shared_ptr<SaneScannerDevice>> gone;
    for (auto it = known_.begin(); it != known_.end();) {
        if (!names.count(it->first)) {
            gone.push_back(it->second);
            it = known_.erase(it);
        } else {
            ++it;
        }
    }
    std::vector<std::shared_ptr<SaneScannerDevice>> added;
    for (const auto& identity : found) {
        if (known_.count(identity.name))
            continue;
        auto device = std::make_shared<SaneScannerDevice>(worker_, identity, options_.pageOptions);
        known_.emplace(identity.name, device);
        added.push_back(device);
    }
    for (size_t i = 0; i < gone.size(); ++i)
        emit deviceRemoved(gone[i], i + 1 < gone.size());
    for (size_t i = 0; i < added.size(); ++i)
        emit deviceAdded(added[i], i + 1 < added.size());
}

} // namespace vantry
