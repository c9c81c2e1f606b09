#include "core/support/CaptureLog.h"

#include "support/TempHome.h"

#include <QFile>
#include <QRegularExpression>
#include <QThread>
#include <QCoroTask>
#include <QCoroTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include <thread>

using namespace vantry;

namespace {

QStringList fileLines()
{
    CaptureLog::flush();
    QFile f(CaptureLog::filePath());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The message part of a file line.
QString messageOf(const QString& line) { return line.section("] ", 1); }

} // namespace

TEST(CaptureLog, LineFormat)
{
    const QDateTime t = QDateTime::fromString("2026-03-01T14:05:09.123Z", Qt::ISODateWithMs);
    EXPECT_EQ(CaptureLog::formatLine(t, true, "hello"), "2026-03-01T14:05:09.123Z [main] hello");
    EXPECT_EQ(CaptureLog::formatLine(t, false, "a\nb"), "2026-03-01T14:05:09.123Z [bg] a\nb");
    EXPECT_EQ(CaptureLog::measureStartLine("foil", 2), "▶ foil (inflight=2)");
    EXPECT_EQ(CaptureLog::measureEndLine("foil", 12, 0), "■ foil 12ms (inflight=0)");
    // A label is outside text: its "%" signs are kept, never filled in.
    EXPECT_EQ(CaptureLog::measureStartLine("scan 100%1", 2), "▶ scan 100%1 (inflight=2)");
    EXPECT_EQ(CaptureLog::measureEndLine("ocr %2%3", 12, 0), "■ ocr %2%3 12ms (inflight=0)");
    EXPECT_EQ(CaptureLog::durationMillis(0, 900'000), 0);
    EXPECT_EQ(CaptureLog::durationMillis(1'000, 2'501'000), 2);
}

TEST(CaptureLog, CreatesThenAppendsWithThreadTags)
{
    test::TempHome home;
    EXPECT_EQ(CaptureLog::filePath(), home.path() + "/.local/state/VantryCapture/capture.log");
    CaptureLog::log("first");
    std::thread([] { CaptureLog::log("from worker"); }).join();
    ASSERT_EQ(fileLines().size(), 2);

    // A later run appends after what is there.
    CaptureLog::log("second");
    const QStringList lines = fileLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].contains(" [main] first"));
    EXPECT_TRUE(lines[1].contains(" [bg] from worker"));
    EXPECT_TRUE(lines[2].endsWith(" [main] second"));
    EXPECT_TRUE(QDateTime::fromString(lines[0].section(' ', 0, 0), Qt::ISODateWithMs).isValid());
}

TEST(CaptureLog, AnUnwritableFileLosesOnlyThatLine)
{
    test::TempHome home;
    CaptureLog::log("kept");
    ASSERT_EQ(fileLines().size(), 1);
    QFile::setPermissions(CaptureLog::filePath(), QFileDevice::ReadOwner);
    const bool root = QFile(CaptureLog::filePath()).open(QIODevice::Append);
    CaptureLog::log("maybe lost");
    CaptureLog::flush();
    QFile::setPermissions(CaptureLog::filePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    CaptureLog::log("after");
    const QStringList lines = fileLines();
    // The existing content is never replaced, whatever happened to the middle line.
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines.first().endsWith("kept"));
    EXPECT_TRUE(lines.last().endsWith("after"));
    if (!root) {
        EXPECT_EQ(lines.size(), 2);
    }
}

TEST(CaptureLog, OverlappingMeasuresCountInFlightPerLabel)
{
    test::TempHome home;
    auto slow = [](int ms) {
        return [ms]() -> QCoro::Task<int> {
            QTimer timer;
            timer.setSingleShot(true);
            timer.start(ms);
            co_await timer;
            co_return ms;
        };
    };
    auto a = CaptureLog::measure("probe", slow(30));
    auto b = CaptureLog::measure("probe", slow(60));
    auto other = CaptureLog::measure("other", slow(1));
    EXPECT_EQ(QCoro::waitFor(a), 30);
    EXPECT_EQ(QCoro::waitFor(b), 60);
    QCoro::waitFor(other);

    QStringList messages;
    for (const QString& line : fileLines())
        messages << messageOf(line);
    ASSERT_EQ(messages.size(), 6);
    EXPECT_EQ(messages[0], "▶ probe (inflight=1)");
    EXPECT_EQ(messages[1], "▶ probe (inflight=2)");
    EXPECT_EQ(messages[2], "▶ other (inflight=1)");
    const QRegularExpression end("^■ (\\w+) \\d+ms \\(inflight=(\\d)\\)$");
    QStringList ends;
    for (int i = 3; i < 6; ++i) {
        const auto m = end.match(messages[i]);
        ASSERT_TRUE(m.hasMatch()) << messages[i].toStdString();
        ends << m.captured(1) + "=" + m.captured(2);
    }
    EXPECT_EQ(ends, (QStringList{"other=0", "probe=1", "probe=0"}));
}

TEST(CaptureLog, HeartbeatReportsStallsAndAliveLines)
{
    const QDateTime t0 = QDateTime::fromString("2026-03-01T00:00:00.000Z", Qt::ISODateWithMs);
    CaptureLog::Heartbeat beat;
    beat.start(t0);
    EXPECT_EQ(beat.tick(t0.addMSecs(1000)), std::nullopt);
    EXPECT_EQ(beat.tick(t0.addMSecs(3000)), std::nullopt); // a gap of exactly 2.0 s
    EXPECT_EQ(beat.tick(t0.addMSecs(6440)), QStringLiteral("⚠️ main thread blocked ~3.4s (heartbeat gap)"));

    // One-second ticks from there: the alive line comes once 60 s have passed since the stall line.
    qint64 ms = 6440;
    std::optional<QString> line;
    while (!line && ms < 200000) {
        ms += 1000;
        line = beat.tick(t0.addMSecs(ms));
    }
    EXPECT_EQ(line, QStringLiteral("❤️ main alive"));
    EXPECT_EQ(ms, 66440);

    // Setting the clock back yields nothing.
    EXPECT_EQ(beat.tick(t0), std::nullopt);
}

TEST(CaptureLog, StartingTheHeartbeatTwiceLogsOnce)
{
    test::TempHome home;
    CaptureLog::startHeartbeat();
    CaptureLog::startHeartbeat();
    const QStringList lines = fileLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(messageOf(lines[0]), "=== heartbeat started; log at " + CaptureLog::filePath() + " ===");
}
