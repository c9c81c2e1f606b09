#include "platform/FakeScannerDevice.h"

#include "platform/ScanPageFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>

namespace vantry {

FakeScannerDevice::FakeScannerDevice(Script script, DelayScheduler& scheduler)
    : script_(std::move(script)), scheduler_(scheduler)
{
}

FakeScannerDevice::~FakeScannerDevice() { thread_.reset(); }

void FakeScannerDevice::later(std::chrono::milliseconds delay, std::function<void()> action)
{
    scheduler_.after(delay, this, std::move(action));
}

void FakeScannerDevice::requestOpenSession()
{
    ++openRequests;
    const bool fails = script_.failingOpens < 0 || openRequests <= script_.failingOpens;
    later(script_.callbackDelay, [this, fails] {
        if (fails) {
            emit sessionOpened(script_.openError);
            return;
        }
        open_ = true;
        emit sessionOpened(std::nullopt);
    });
}

void FakeScannerDevice::requestCloseSession()
{
    ++closeRequests;
    later(script_.callbackDelay, [this] {
        open_ = false;
        selected_.reset();
        emit sessionClosed(script_.closeError);
    });
}

void FakeScannerDevice::requestSelectUnit(ScannerUnitType type)
{
    selectRequests.push_back(type);
    const int n = int(selectRequests.size());
    later(script_.callbackDelay, [this, type, n] {
        for (int reply = 0; reply <= script_.extraSelectReplies; ++reply) {
            if (n <= script_.failingSelects) {
                emit unitSelected(std::nullopt, script_.selectError);
                continue;
            }
            ScannerUnitInfo info;
            info.type = type;
            const bool ready = !(script_.notReadySelects < 0 || n <= script_.failingSelects + script_.notReadySelects);
            if (ready)
                info.supportedResolutions = script_.resolutions;
            info.resolution = script_.unitResolution;
            info.physicalSize = script_.physicalSize;
            info.supportsDuplex = script_.supportsDuplex && type == ScannerUnitType::documentFeeder;
            selected_ = info;
            emit unitSelected(info, std::nullopt);
        }
    });
}

QString FakeScannerDevice::writePage(const ScanRequest& request, const Script& script, const QString& fileName)
{
    QDir().mkpath(request.downloadsDirectory);
    const int index = ++pagesWritten_;
    const QString finalName = fileName.isEmpty() ? ScanPageFile::pageName(request.documentName, index) : fileName;
    if (script.unreadablePages) {
        if (request.stagePages)
            return ScanPageFile::stageBytes(request.downloadsDirectory, finalName, "not an image").path;
        const QString path = QDir(request.downloadsDirectory).filePath(finalName);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            file.write("not an image");
        return path;
    }
    QImage image = script.pageImage ? script.pageImage(index) : QImage();
    if (image.isNull()) {
        image = QImage(script.pageSize, QImage::Format_RGB888);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.fillRect(QRect(5, 5, script.pageSize.width() / 2, script.pageSize.height() / 3), QColor(20, 20, 20));
    }
    if (!pageFile_)
        pageFile_.emplace(request.downloadsDirectory, request.documentName);
    ScanPageFile& pages = *pageFile_;
    if (!fileName.isEmpty()) {
        const int dpm = int(request.resolution / 0.0254 + 0.5);
        image.setDotsPerMeterX(dpm);
        image.setDotsPerMeterY(dpm);
        if (request.stagePages) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
            return ScanPageFile::stageBytes(request.downloadsDirectory, fileName, bytes).path;
        }
        const QString path = QDir(request.downloadsDirectory).filePath(fileName);
        image.save(path, "PNG");
        return path;
    }
    return (request.stagePages ? pages.stage(image, request.resolution) : pages.write(image, request.resolution)).path;
}

SerialQueue& FakeScannerDevice::deviceThread()
{
    // Lowered: the encoding stands in for the scanner's own hardware, which takes no core
    // from the application.
    if (!thread_)
        thread_ = std::make_unique<SerialQueue>(QStringLiteral("com.vantry.capture.fake-scanner"),
                                                SerialQueue::Priority::lowered);
    return *thread_;
}

void FakeScannerDevice::producePage(const QString& fileName, std::function<bool()> current)
{
    if (scanRequests.isEmpty()) {
        emit pageWritten(QString());
        return;
    }
    if (!script_.ownThread) {
        emit pageWritten(writePage(scanRequests.last(), script_, fileName));
        return;
    }
    // The job holds copies: the script may change and new requests come while it waits.
    deviceThread().submit([this, request = scanRequests.last(), script = script_, fileName, current = std::move(current)] {
        const QString path = writePage(request, script, fileName);
        // Queued to this object: dropped if the device is gone by then.
        QMetaObject::invokeMethod(this, [this, path, current] {
            if (current && !current()) {
                QFile::remove(path); // made for a scan that has been replaced
                return;
            }
            emit pageWritten(path);
        }, Qt::QueuedConnection);
    });
}

void FakeScannerDevice::afterPages(std::function<void()> action)
{
    if (!script_.ownThread) {
        action();
        return;
    }
    deviceThread().submit([this, action = std::move(action)] {
        QMetaObject::invokeMethod(this, action, Qt::QueuedConnection);
    });
}

void FakeScannerDevice::requestScan(const ScanRequest& request)
{
    scanRequests.push_back(request);
    auto restartNumbering = [this, request] { pageFile_.emplace(request.downloadsDirectory, request.documentName); };
    if (script_.ownThread)
        deviceThread().submit(std::move(restartNumbering));
    else
        restartNumbering();
    const int generation = ++scanGeneration_;
    scanning_ = true;
    auto delay = script_.firstPageDelay;
    auto last = script_.firstPageDelay;
    for (int i = 0; i < script_.pages; ++i) {
        last = delay;
        const QString name = i < script_.pageNames.size() ? script_.pageNames[i] : QString();
        later(delay, [this, generation, name] {
            if (generation != scanGeneration_ || !scanning_)
                return;
            // A page fed before a cancel still comes out; one of an earlier scan does not.
            producePage(name, [this, generation] { return generation == scanGeneration_; });
        });
        delay += script_.pageInterval;
    }
    if (!script_.completes)
        return;
    later(last + script_.callbackDelay, [this, generation] {
        if (generation != scanGeneration_ || !scanning_)
            return;
        afterPages([this, generation] {
            if (generation != scanGeneration_ || !scanning_)
                return; // canceled meanwhile: the cancel reports the end
            scanning_ = false;
            emit scanCompleted(script_.completionError);
        });
    });
}

void FakeScannerDevice::cancelScan()
{
    ++cancelRequests;
    if (!scanning_)
        return;
    scanning_ = false;
    later(script_.callbackDelay, [this] {
        afterPages([this] { emit scanCompleted(ScannerDeviceError{-128, QStringLiteral("Canceled.")}); });
    });
}

void FakeScannerDevice::deliverPage(const QString& fileName) { producePage(fileName, {}); }

} // namespace vantry
