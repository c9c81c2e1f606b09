#pragma once

#include <QCoroTask>
#include <QDateTime>
#include <QString>

#include <chrono>
#include <optional>
#include <type_traits>
#include <utility>

namespace vantry {

// The diagnostic log: "capture.log" under $XDG_STATE_HOME/VantryCapture, a copy of each
// message in the "com.vantryfinance.capture.diag" logging category, a main-thread
// heartbeat that records stalls, and a timing wrapper for asynchronous operations.
class CaptureLog {
public:
    // Callable from any thread; the file is appended on the log's own writer thread.
    static void log(const QString& message);

    // Logs "▶ label (inflight=n)", awaits the operation, then "■ label <ms>ms (inflight=m)".
    template <class F>
    static auto measure(QString label, F operation) -> std::invoke_result_t<F>;

    // Starts the 1 s main-thread heartbeat; a second call does nothing. Main thread only.
    static void startHeartbeat();

    // Where lines are written; resolved from the environment on each call.
    static QString filePath();

    // Blocks until every line logged so far is on disk (quit and tests).
    static void flush();

    // One file line, without the trailing line feed.
    static QString formatLine(const QDateTime& time, bool onMainThread, const QString& message);
    // Whole milliseconds between two monotonic nanosecond readings, truncated.
    static qint64 durationMillis(qint64 startNs, qint64 endNs);
    static QString measureStartLine(const QString& label, int inFlight);
    static QString measureEndLine(const QString& label, qint64 millis, int inFlight);

    // The heartbeat's decision, a pure function of the clock readings it is given.
    class Heartbeat {
    public:
        void start(const QDateTime& now);
        // The line to log for a tick at `now`, if any.
        std::optional<QString> tick(const QDateTime& now);

    private:
        std::optional<QDateTime> lastBeat_;
        std::optional<QDateTime> lastBeatLogged_;
    };

private:
    static int enterMeasure(const QString& label);
    static int leaveMeasure(const QString& label);
    static qint64 monotonicNs();
};

template <class F>
auto CaptureLog::measure(QString label, F operation) -> std::invoke_result_t<F>
{
    const int started = enterMeasure(label);
    const qint64 start = monotonicNs();
    log(measureStartLine(label, started));
    using Task = std::invoke_result_t<F>;
    using T = typename Task::value_type;
    auto finish = [label, start] {
        const qint64 millis = durationMillis(start, monotonicNs());
        log(measureEndLine(label, millis, leaveMeasure(label)));
    };
    if constexpr (std::is_void_v<T>) {
        co_await operation();
        finish();
    } else {
        T result = co_await operation();
        finish();
        co_return result;
    }
}

} // namespace vantry
