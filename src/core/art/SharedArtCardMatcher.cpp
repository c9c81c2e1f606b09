#include "core/art/SharedArtCardMatcher.h"

#include "core/support/CPUWork.h"

#include <QFuture>
#include <QMutex>
#include <QPromise>

#include <QCoroFuture>

#include <optional>

namespace vantry {

namespace {

struct State {
    QMutex mutex;
    SharedArtCardMatcher::Loader loader;
    std::optional<QFuture<SharedArtCardMatcher::Matcher>> load;
};

State& state()
{
    static State s;
    return s;
}

QFuture<SharedArtCardMatcher::Matcher> startedLoad()
{
    State& s = state();
    QMutexLocker lock(&s.mutex);
    if (!s.load) {
        auto promise = std::make_shared<QPromise<SharedArtCardMatcher::Matcher>>();
        s.load = promise->future();
        promise->start();
        SharedArtCardMatcher::Loader loader =
            s.loader ? s.loader : SharedArtCardMatcher::Loader([] { return VisionArtCardMatcher::bundled(); });
        CPUWork::submit([promise, loader = std::move(loader)] {
            SharedArtCardMatcher::Matcher matcher;
            try {
                matcher = loader();
            } catch (...) {
                // A broken index file means no art matching, never a dead batch.
            }
            promise->addResult(std::move(matcher));
            promise->finish();
        });
    }
    return *s.load;
}

} // namespace

QCoro::Task<SharedArtCardMatcher::Matcher> SharedArtCardMatcher::get()
{
    QFuture<Matcher> load = startedLoad();
    co_await load;
    co_return load.resultCount() > 0 ? load.result() : Matcher{};
}

void SharedArtCardMatcher::preload() { startedLoad(); }

SharedArtCardMatcher::Matcher SharedArtCardMatcher::ifLoaded()
{
    State& s = state();
    QMutexLocker lock(&s.mutex);
    if (!s.load || !s.load->isFinished() || s.load->resultCount() == 0)
        return {};
    return s.load->result();
}

void SharedArtCardMatcher::setLoaderForTesting(Loader loader)
{
    State& s = state();
    QMutexLocker lock(&s.mutex);
    s.loader = std::move(loader);
    s.load.reset();
}

} // namespace vantry
