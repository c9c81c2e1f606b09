#include "core/support/CaptureLog.h"

#include "platform/SerialQueue.h"
#include "platform/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLoggingCategory>
#include <QThread>
#include <QTimer>

#include <mutex>

Q_LOGGING_CATEGORY(lcDiag, "com.vantryfinance.capture.diag", QtInfoMsg)

namespace vantry {

namespace {

SerialQueue& writer()
{
    // Never destroyed: lines may still be logged while static destructors run.
    static SerialQueue* queue = new SerialQueue(QStringLiteral("com.vantryfinance.capture.diaglog"));
    return *queue;
}

std::mutex inFlightLock;
QHash<QString, int>& inFlight()
{
    static QHash<QString, int> counts;
    return counts;
}

bool onMainThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// Appends, creating the file if needed; the file is never replaced. A failure loses this line.
void appendLine(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    file.write(bytes);
    file.close();
}

} // namespace

QString CaptureLog::formatLine(const QDateTime& time, bool mainThread, const QString& message)
{
    return time.toUTC().toString(Qt::ISODateWithMs) + QStringLiteral(" [") +
           (mainThread ? QStringLiteral("main") : QStringLiteral("bg")) + QStringLiteral("] ") + message;
}

void CaptureLog::log(const QString& message)
{
    const QString line = formatLine(QDateTime::currentDateTimeUtc(), onMainThread(), message);
    qCInfo(lcDiag).noquote() << message;
    QByteArray bytes = line.toUtf8();
    bytes.append('\n');
    writer().submit([path = filePath(), bytes = std::move(bytes)] { appendLine(path, bytes); });
}

QString CaptureLog::filePath() { return paths::captureLogFile(); }

void CaptureLog::flush() { writer().drain(); }

qint64 CaptureLog::durationMillis(qint64 startNs, qint64 endNs) { return (endNs - startNs) / 1000000; }

QString CaptureLog::measureStartLine(const QString& label, int n)
{
    return QStringLiteral("▶ %1 (inflight=%2)").arg(label, QString::number(n));
}

QString CaptureLog::measureEndLine(const QString& label, qint64 millis, int n)
{
    return QStringLiteral("■ %1 %2ms (inflight=%3)").arg(label, QString::number(millis), QString::number(n));
}

int CaptureLog::enterMeasure(const QString& label)
{
    std::lock_guard lock(inFlightLock);
    return ++inFlight()[label];
}

int CaptureLog::leaveMeasure(const QString& label)
{
    std::lock_guard lock(inFlightLock);
    auto& counts = inFlight();
    const int current = counts.contains(label) ? counts.value(label) : 1;
    counts[label] = current - 1;
    return current - 1;
}

qint64 CaptureLog::monotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void CaptureLog::Heartbeat::start(const QDateTime& now)
{
    lastBeat_ = now;
    lastBeatLogged_ = now;
}

std::optional<QString> CaptureLog::Heartbeat::tick(const QDateTime& now)
{
    const double gap = lastBeat_ ? lastBeat_->msecsTo(now) / 1000.0 : 0.0;
    lastBeat_ = now;
    if (gap > 2.0) {
        lastBeatLogged_ = now;
        return QStringLiteral("⚠️ main thread blocked ~%1s (heartbeat gap)").arg(gap, 0, 'f', 1);
    }
    if (lastBeatLogged_ && lastBeatLogged_->msecsTo(now) >= 60000) {
        lastBeatLogged_ = now;
        return QStringLiteral("❤️ main alive");
    }
    return std::nullopt;
}

void CaptureLog::startHeartbeat()
{
    static QTimer* timer = nullptr;
    static Heartbeat state;
    if (timer)
        return;
    log(QStringLiteral("=== heartbeat started; log at %1 ===").arg(filePath()));
    state.start(QDateTime::currentDateTimeUtc());
    timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(1000);
    QObject::connect(timer, &QTimer::timeout, [] {
        if (auto line = state.tick(QDateTime::currentDateTimeUtc()))
            log(*line);
    });
    timer->start();
}

} // namespace vantry
