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

QString FakeScannerDevice::writePage(const QString& fileName)
{
    if (scanRequests.isEmpty())
        return {};
    const ScanRequest& request = scanRequests.last();
    QDir().mkpath(request.downloadsDirectory);
    const int index = ++pagesWritten_;
    const QString finalName = fileName.isEmpty() ? ScanPageFile::pageName(request.documentName, index) : fileName;
    if (script_.unreadablePages) {
        if (request.stagePages)
            return ScanPageFile::stageBytes(request.downloadsDirectory, finalName, "not an image").path;
        const QString path = QDir(request.downloadsDirectory).filePath(finalName);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            file.write("not an image");
        return path;
    }
    QImage image = script_.pageImage ? script_.pageImage(index) : QImage();
    if (image.isNull()) {
        image = QImage(script_.pageSize, QImage::Format_RGB888);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.fillRect(QRect(5, 5, script_.pageSize.width() / 2, script_.pageSize.height() / 3), QColor(20, 20, 20));
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

void FakeScannerDevice::requestScan(const ScanRequest& request)
{
    scanRequests.push_back(request);
    pageFile_.emplace(request.downloadsDirectory, request.documentName);
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
            emit pageWritten(writePage(name));
        });
        delay += script_.pageInterval;
    }
    if (!script_.completes)
        return;
    later(last + script_.callbackDelay, [this, generation] {
        if (generation != scanGeneration_ || !scanning_)
            return;
        scanning_ = false;
        emit scanCompleted(script_.completionError);
    });
}

void FakeScannerDevice::cancelScan()
{
    ++cancelRequests;
    if (!scanning_)
        return;
    scanning_ = false;
    later(script_.callbackDelay, [this] { emit scanCompleted(ScannerDeviceError{-128, QStringLiteral("Canceled.")}); });
}

void FakeScannerDevice::deliverPage(const QString& fileName) { emit pageWritten(writePage(fileName)); }

} // namespace vantry
