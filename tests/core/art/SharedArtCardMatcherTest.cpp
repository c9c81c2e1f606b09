#include "core/art/SharedArtCardMatcher.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

using namespace vantry;

namespace {

QCoro::Task<std::vector<SharedArtCardMatcher::Matcher>> getThrice()
{
    // Three batches asking at once.
    auto a = SharedArtCardMatcher::get();
    auto b = SharedArtCardMatcher::get();
    auto c = SharedArtCardMatcher::get();
    std::vector<SharedArtCardMatcher::Matcher> out;
    out.push_back(co_await std::move(a));
    out.push_back(co_await std::move(b));
    out.push_back(co_await std::move(c));
    co_return out;
}

struct RestoreLoader {
    ~RestoreLoader() { SharedArtCardMatcher::setLoaderForTesting({}); }
};

} // namespace

TEST(SharedArtCardMatcher, LoadsOnceOffTheMainThreadForEveryCaller)
{
    RestoreLoader restore;
    std::atomic<int> loads = 0;
    std::atomic<bool> onMainThread = true;
    QThread* const mainThread = QThread::currentThread();
    SharedArtCardMatcher::setLoaderForTesting([&] {
        ++loads;
        onMainThread = QThread::currentThread() == mainThread;
        ArtCardIndex index;
        index.revision = 2;
        index.entries.push_back(ArtCardEntry{});
        return std::make_shared<const VisionArtCardMatcher>(index);
    });
    EXPECT_EQ(SharedArtCardMatcher::ifLoaded(), nullptr);

    const auto matchers = QCoro::waitFor(getThrice());
    ASSERT_NE(matchers[0], nullptr);
    EXPECT_EQ(matchers[1], matchers[0]);
    EXPECT_EQ(matchers[2], matchers[0]);
    EXPECT_EQ(QCoro::waitFor(SharedArtCardMatcher::get()), matchers[0]);
    SharedArtCardMatcher::preload();
    EXPECT_EQ(SharedArtCardMatcher::ifLoaded(), matchers[0]);
    EXPECT_EQ(matchers[0]->entries().size(), 1u);
    EXPECT_EQ(loads.load(), 1);
    EXPECT_FALSE(onMainThread.load());
}

TEST(SharedArtCardMatcher, AFailedLoadMeansNoMatcher)
{
    RestoreLoader restore;
    SharedArtCardMatcher::setLoaderForTesting([]() -> SharedArtCardMatcher::Matcher {
        throw std::runtime_error("unreadable index");
    });
    EXPECT_EQ(QCoro::waitFor(SharedArtCardMatcher::get()), nullptr);
    EXPECT_EQ(SharedArtCardMatcher::ifLoaded(), nullptr);

    SharedArtCardMatcher::setLoaderForTesting([] { return SharedArtCardMatcher::Matcher{}; });
    EXPECT_EQ(QCoro::waitFor(SharedArtCardMatcher::get()), nullptr);
}
