#include "ScannerTestRig.h"

#include "platform/SerialQueue.h"

#include <QRegularExpression>

namespace vantry::test {

namespace {
QMutex captureLock;
QStringList* captured = nullptr;
} // namespace

ScannerLogCapture::ScannerLogCapture()
{
    QMutexLocker lock(&captureLock);
    captured = new QStringList;
    previous_ = qInstallMessageHandler(&ScannerLogCapture::handler);
}

ScannerLogCapture::~ScannerLogCapture()
{
    qInstallMessageHandler(previous_);
    QMutexLocker lock(&captureLock);
    delete captured;
    captured = nullptr;
}

void ScannerLogCapture::handler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    {
        QMutexLocker lock(&captureLock);
        if (captured && context.category && QByteArray(context.category) == "com.vantry.capture.scanner")
            captured->push_back(message);
    }
    Q_UNUSED(type);
}

QStringList ScannerLogCapture::lines() const
{
    QMutexLocker lock(&captureLock);
    return captured ? *captured : QStringList{};
}

bool ScannerLogCapture::contains(const QString& text) const
{
    for (const QString& line : lines())
        if (line.contains(text))
            return true;
    return false;
}

QStringList scannerDiagLines()
{
    CaptureLog::flush();
    QFile file(CaptureLog::filePath());
    QStringList out;
    if (!file.open(QIODevice::ReadOnly))
        return out;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        const int at = line.indexOf(QStringLiteral("[scanner] "));
        if (at >= 0)
            out << line.mid(at + 10);
    }
    return out;
}

bool diagContains(const QString& text)
{
    for (const QString& line : scannerDiagLines())
        if (line.contains(text))
            return true;
    return false;
}

SharpenQueueHold::SharpenQueueHold() : gate_(std::make_shared<Gate>())
{
    ScannerController::sharpenQueue().submit([gate = gate_] {
        std::unique_lock lock(gate->mutex);
        gate->opened.wait(lock, [&] { return gate->open; });
    });
}

SharpenQueueHold::~SharpenQueueHold() { release(); }

void SharpenQueueHold::release()
{
    {
        std::lock_guard lock(gate_->mutex);
        gate_->open = true;
    }
    gate_->opened.notify_all();
}

QString phaseList(const QList<ScannerPhase>& phases)
{
    QStringList names;
    for (ScannerPhase phase : phases)
        names << rawValue(phase);
    return names.join(QStringLiteral(", "));
}

namespace {
QCoro::Task<> awaitScan(QCoro::Task<ScannerController::ScanOutcome> task, ScanRun* run)
{
    try {
        run->outcome = co_await task;
    } catch (const ScannerError& error) {
        run->error = error;
    }
    run->done = true;
}
} // namespace

QCoro::Task<> startScan(ScannerController& controller, std::shared_ptr<ScannerDevice> device, bool duplex, int dpi,
                        std::optional<QString> out, std::shared_ptr<ScanRun> run)
{
    return awaitScan(controller.scan(std::move(device), duplex, dpi, std::move(out)), run.get());
}

} // namespace vantry::test
