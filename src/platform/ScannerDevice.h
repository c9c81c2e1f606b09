#pragma once

#include <QList>
#include <QObject>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>

namespace vantry {

// The kinds of functional unit a scanner may offer; the values follow the platform
// scanner framework's numbering (3 = document feeder, 0 = flatbed).
enum class ScannerUnitType { flatbed = 0, documentFeeder = 3 };

// A failure reported by a scanner device: a numeric code of the device layer and a text for people.
struct ScannerDeviceError {
    int code = 0;
    QString description;
};

// What a selected functional unit offers. Sizes are in inches.
struct ScannerUnitInfo {
    ScannerUnitType type = ScannerUnitType::flatbed;
    QList<int> supportedResolutions; // ascending; empty while the unit is not ready
    int resolution = 0;              // the unit's current resolution, 0 when unknown
    QSizeF physicalSize;             // zero when the device does not say
    bool supportsDuplex = false;
};

// How one scan is programmed. Pages are always 8-bit RGB; the area is in inches.
struct ScanRequest {
    ScannerUnitType unitType = ScannerUnitType::documentFeeder;
    int resolution = 0;
    QRectF scanArea;
    bool duplex = false;
    QString documentName = QStringLiteral("card"); // pages are "<name>_0001.png", ...
    QString downloadsDirectory;
    // Pages stay under their hidden staged name (`ScanPageFile::stage`); whoever receives
    // them moves each into place once it is finished (`ScanPageFile::place`).
    bool stagePages = false;
};

// One scanner. Requests return at once; their results arrive as signals, always emitted
// on the thread the device lives on (the main thread), never from inside the request call.
class ScannerDevice : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~ScannerDevice() override = default;

    virtual QString name() const = 0; // for people; may be empty
    virtual QString id() const = 0;   // the device's identity within its browser
    virtual bool isScanner() const = 0;

    virtual void requestOpenSession() = 0;
    virtual void requestCloseSession() = 0;
    // Valid once the session is open.
    virtual QList<ScannerUnitType> availableUnitTypes() const = 0;
    virtual void requestSelectUnit(ScannerUnitType type) = 0;
    // The unit of the last successful selection.
    virtual std::optional<ScannerUnitInfo> selectedUnit() const = 0;
    // Scans until the feeder is empty (a flatbed gives one page); each page is written as a
    // PNG into the downloads directory under a name that did not exist before, or left
    // under its hidden staged name when the request asks for staged pages.
    virtual void requestScan(const ScanRequest& request) = 0;
    // Stops a running scan as soon as the device allows; safe to call at any time.
    virtual void cancelScan() = 0;

signals:
    void sessionOpened(std::optional<vantry::ScannerDeviceError> error);
    void sessionClosed(std::optional<vantry::ScannerDeviceError> error);
    void unitSelected(std::optional<vantry::ScannerUnitInfo> unit, std::optional<vantry::ScannerDeviceError> error);
    void pageWritten(QString path);
    void scanCompleted(std::optional<vantry::ScannerDeviceError> error);
    void becameReady();
};

} // namespace vantry
