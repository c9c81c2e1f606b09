#include "platform/SingleInstance.h"
#include "platform/VirtualDelayScheduler.h"

#include <gtest/gtest.h>

#include <QFile>
#include <cstring>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <memory>

#include <csignal>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vantry;

namespace {

// Runs the blocking hand-off of a second process on a thread of its own while this thread's
// event loop serves the running instance.
SingleInstance::Forward forwardFromAnotherThread(const QString& name, const QUrl& url, int timeoutMs = 3000)
{
    std::atomic<bool> done{false};
    SingleInstance::Forward result = SingleInstance::Forward::failed;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        result = SingleInstance::forward(name, url, timeoutMs);
        done = true;
    }));
    thread->start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 10000));
    thread->wait();
    return result;
}

} // namespace

TEST(SingleInstance, ASecondProcessHandsItsCallbackToTheRunningOne)
{
    QTemporaryDir dir;
    const QString name = dir.filePath("instance.socket");
    SingleInstance running(name);
    ASSERT_TRUE(running.listen());
    QSignalSpy urls(&running, &SingleInstance::urlReceived);
    QSignalSpy activations(&running, &SingleInstance::activationRequested);

    const QUrl callback("vantrycapture://auth?code=a%2Bb&state=0F8FAD5B-D9CB-469F-A165-70867728950E");
    EXPECT_EQ(forwardFromAnotherThread(name, callback), SingleInstance::Forward::delivered);
    ASSERT_TRUE(urls.count() == 1 || urls.wait(2000));
    EXPECT_EQ(urls.at(0).at(0).toUrl(), callback);
    EXPECT_EQ(urls.at(0).at(0).toUrl().toEncoded(), callback.toEncoded());

    // Started again without a URL: the running one is asked to come forward.
    EXPECT_EQ(forwardFromAnotherThread(name, QUrl()), SingleInstance::Forward::delivered);
    EXPECT_TRUE(activations.count() == 1 || activations.wait(2000));
    EXPECT_EQ(urls.count(), 1);
}

TEST(SingleInstance, WithoutARunningInstanceThisProcessBecomesIt)
{
    QTemporaryDir dir;
    const QString name = dir.filePath("instance.socket");
    EXPECT_EQ(SingleInstance::forward(name, QUrl("vantrycapture://auth?code=x"), 500),
              SingleInstance::Forward::noInstance);

    // A socket file left behind by a crashed process does not block the next start.
    QFile stale(name);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    EXPECT_EQ(SingleInstance::forward(name, QUrl(), 500), SingleInstance::Forward::noInstance);
    SingleInstance running(name);
    EXPECT_TRUE(running.listen());
    EXPECT_EQ(forwardFromAnotherThread(name, QUrl()), SingleInstance::Forward::delivered);
}

TEST(SingleInstance, ALaterStartNeverTakesTheSocketOfARunningInstance)
{
    // Two starts that both found nobody listening: the one that listens first stays reachable.
    QTemporaryDir dir;
    const QString name = dir.filePath("instance.socket");
    SingleInstance first(name);
    ASSERT_TRUE(first.listen());
    SingleInstance second(name);
    EXPECT_FALSE(second.listen());

    QSignalSpy urls(&first, &SingleInstance::urlReceived);
    const QUrl callback("vantrycapture://auth?code=c&state=S");
    EXPECT_EQ(forwardFromAnotherThread(name, callback), SingleInstance::Forward::delivered);
    EXPECT_TRUE(urls.count() == 1 || urls.wait(2000));
}

TEST(SingleInstance, AListenerThatNeverConfirmsIsAFailureNotADelivery)
{
    QTemporaryDir dir;
    const QString name = dir.filePath("instance.socket");
    QLocalServer silent;
    ASSERT_TRUE(silent.listen(name));
    EXPECT_EQ(forwardFromAnotherThread(name, QUrl("vantrycapture://auth?code=x"), 200), SingleInstance::Forward::failed);
}

TEST(SingleInstance, PeersAreClosedAfterTheirMessageWhenIdleAndPastTheLimit)
{
    using namespace std::chrono_literals;
    QTemporaryDir dir;
    const QString name = dir.filePath("instance.socket");
    VirtualDelayScheduler clock;
    SingleInstance running(name, clock, {5s, 4});
    ASSERT_TRUE(running.listen());
    QSignalSpy urls(&running, &SingleInstance::urlReceived);
    auto closed = [](const QLocalSocket& s) { return s.state() == QLocalSocket::UnconnectedState; };

    // A peer that has handed over its line is answered, then closed.
    QLocalSocket talker;
    talker.connectToServer(name);
    ASSERT_TRUE(talker.waitForConnected(2000));
    talker.write("vantrycapture://auth?code=x&state=S\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return closed(talker); }, 5000));
    EXPECT_EQ(talker.readAll(), "ok\n");
    EXPECT_EQ(urls.count(), 1);
    EXPECT_EQ(running.openPeerCount(), 0);

    // Twenty peers that say nothing: no more than the limit stay open (the oldest go first)...
    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int i = 0; i < 20; ++i) {
        idle.push_back(std::make_unique<QLocalSocket>());
        idle.back()->connectToServer(name);
    }
    auto closedCount = [&] { return int(std::count_if(idle.begin(), idle.end(), [&](auto& s) { return closed(*s); })); };
    ASSERT_TRUE(QTest::qWaitFor([&] { return closedCount() == 16; }, 5000)) << closedCount();
    for (int i = 16; i < 20; ++i)
        EXPECT_FALSE(closed(*idle[i])) << i;
    EXPECT_EQ(running.openPeerCount(), 4);
    // ...a real hand-off still gets through...
    EXPECT_EQ(forwardFromAnotherThread(name, QUrl("vantrycapture://auth?code=y&state=S")),
              SingleInstance::Forward::delivered);
    EXPECT_TRUE(urls.count() == 2 || urls.wait(2000));
    // ...and after the idle time none is left.
    clock.advance(5s);
    ASSERT_TRUE(QTest::qWaitFor([&] { return closedCount() == 20; }, 5000)) << closedCount();
    EXPECT_TRUE(QTest::qWaitFor([&] { return running.openPeerCount() == 0; }, 2000));
}

TEST(SingleInstance, UrlArgument)
{
    struct Case {
        QStringList arguments;
        std::optional<QUrl> url;
    };
    const std::vector<Case> cases = {
        {{"vantry-capture"}, std::nullopt},
        {{"vantry-capture", "--verbose", "vantrycapture://auth?code=1&state=S"}, QUrl("vantrycapture://auth?code=1&state=S")},
        {{"vantry-capture", "https://x.test/?code=1"}, std::nullopt},
        {{"vantrycapture://auth?code=0"}, std::nullopt}, // the program name itself is not an argument
    };
    for (const Case& c : cases)
        EXPECT_EQ(SingleInstance::urlArgument(c.arguments, "vantrycapture"), c.url) << c.arguments.join(' ').toStdString();
}

TEST(SingleInstance, NeverHandsTheUrlToAnotherUsersProcess)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs to start a process as another user";
    // A shared folder, as the runtime folder's fallback is, where another user listens first.
    QTemporaryDir dir;
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 01777), 0);
    const QByteArray name = QFile::encodeName(dir.filePath("instance.socket"));
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Another user's listener that takes everything and confirms it.
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
        const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, name.constData(), sizeof address.sun_path - 1);
        if (::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::chmod(name.constData(), 0777) != 0 || ::listen(server, 4) != 0)
            ::_exit(4);
        (void)::write(ready[1], "r", 1);
        for (;;) {
            const int peer = ::accept(server, nullptr, nullptr);
            char buffer[512];
            (void)::read(peer, buffer, sizeof buffer);
            (void)::write(peer, "ok\n", 3);
            ::close(peer);
        }
    }
    ::close(ready[1]);
    char byte = 0;
    const bool listening = ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);

    const SingleInstance::Forward result =
        listening ? SingleInstance::forward(QString::fromLocal8Bit(name), QUrl("vantrycapture://auth?code=x&state=S"), 500)
                  : SingleInstance::Forward::failed;
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ASSERT_TRUE(listening);
    EXPECT_EQ(result, SingleInstance::Forward::noInstance);
}
