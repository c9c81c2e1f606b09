#include "platform/SaneScannerDevice.h"

#include "platform/SaneFrameAssembler.h"
#include "platform/SaneWorker.h"
#include "platform/ScanPageFile.h"

#include <QDir>

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <mutex>
#include <set>
#include <string>

namespace vantry {

struct SaneScannerDevice::State {
    std::shared_ptr<SanePoster> poster;
    SaneScannerDevice* owner = nullptr; // dereferenced only in posted calls, on the owner's thread
    QByteArray name;
    SanePageOptions pageOptions;

    std::mutex handleLock; // guards `handle` against sane_cancel from the main thread
    SANE_Handle handle = nullptr;
    std::atomic<bool> reading{false};
    std::atomic<int> cancelledThrough{0};

    // Worker only.
    QStringList feederSources;   // simplex feeder entries
    QStringList duplexSources;   // feeder entries that scan both sides
    QString flatbedSource;
    bool hasSourceOption = false;
};

namespace {

ScannerDeviceError saneError(SANE_Status status)
{
    return {static_cast<int>(status), QString::fromUtf8(sane_strstatus(status))};
}

bool containsAny(const QString& text, std::initializer_list<const char*> words)
{
    for (const char* word : words)
        if (text.contains(QLatin1String(word), Qt::CaseInsensitive))
            return true;
    return false;
}

// Option access by name on an open handle. Worker thread only.
class SaneOptions {
public:
    explicit SaneOptions(SANE_Handle handle) : handle_(handle) { reload(); }

    void reload()
    {
        index_.clear();
        SANE_Int count = 0;
        if (!sane_get_option_descriptor(handle_, 0) ||
            sane_control_option(handle_, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD)
            return;
        for (SANE_Int i = 1; i < count; ++i) {
            const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle_, i);
            if (d && d->name && *d->name && d->type != SANE_TYPE_GROUP)
                index_.emplace(d->name, i);
        }
    }

    const SANE_Option_Descriptor* find(const char* name, SANE_Int* index = nullptr) const
    {
        auto it = index_.find(name);
        if (it == index_.end())
            return nullptr;
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(handle_, it->second);
        if (!d || !SANE_OPTION_IS_ACTIVE(d->cap))
            return nullptr;
        if (index)
            *index = it->second;
        return d;
    }

    bool has(const char* name) const { return find(name) != nullptr; }

    QStringList stringList(const char* name) const
    {
        QStringList out;
        const SANE_Option_Descriptor* d = find(name);
        if (!d || d->type != SANE_TYPE_STRING || d->constraint_type != SANE_CONSTRAINT_STRING_LIST)
            return out;
        for (const SANE_String_Const* s = d->constraint.string_list; s && *s; ++s)
            out << QString::fromUtf8(*s);
        return out;
    }

    std::optional<double> number(const char* name) const
    {
        SANE_Int index = 0;
        const SANE_Option_Descriptor* d = find(name, &index);
        if (!d || (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED) || d->size != sizeof(SANE_Word))
            return std::nullopt;
        SANE_Word value = 0;
        if (sane_control_option(handle_, index, SANE_ACTION_GET_VALUE, &value, nullptr) != SANE_STATUS_GOOD)
            return std::nullopt;
        return d->type == SANE_TYPE_FIXED ? SANE_UNFIX(value) : double(value);
    }

    // (min, max) of a numeric range constraint.
    std::optional<std::pair<double, double>> range(const char* name) const
    {
        const SANE_Option_Descriptor* d = find(name);
        if (!d || d->constraint_type != SANE_CONSTRAINT_RANGE || !d->constraint.range)
            return std::nullopt;
        const SANE_Range* r = d->constraint.range;
        if (d->type == SANE_TYPE_FIXED)
            return std::pair{SANE_UNFIX(r->min), SANE_UNFIX(r->max)};
        return std::pair{double(r->min), double(r->max)};
    }

    SANE_Unit unit(const char* name) const
    {
        const SANE_Option_Descriptor* d = find(name);
        return d ? d->unit : SANE_UNIT_NONE;
    }

    SANE_Status setString(const char* name, const QString& value)
    {
        SANE_Int index = 0;
        const SANE_Option_Descriptor* d = find(name, &index);
        if (!d || d->type != SANE_TYPE_STRING || !SANE_OPTION_IS_SETTABLE(d->cap))
            return SANE_STATUS_UNSUPPORTED;
        QByteArray buffer = value.toUtf8();
        if (buffer.size() >= d->size)
            return SANE_STATUS_INVAL;
        buffer.resize(d->size, '\0');
        return control(index, buffer.data());
    }

    SANE_Status setNumber(const char* name, double value)
    {
        SANE_Int index = 0;
        const SANE_Option_Descriptor* d = find(name, &index);
        if (!d || (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED) || d->size != sizeof(SANE_Word) ||
            !SANE_OPTION_IS_SETTABLE(d->cap))
            return SANE_STATUS_UNSUPPORTED;
        if (auto r = range(name))
            value = std::clamp(value, r->first, r->second);
        SANE_Word word = d->type == SANE_TYPE_FIXED ? SANE_FIX(value) : SANE_Word(std::lround(value));
        return control(index, &word);
    }

    SANE_Status setBool(const char* name, bool value)
    {
        SANE_Int index = 0;
        const SANE_Option_Descriptor* d = find(name, &index);
        if (!d || d->type != SANE_TYPE_BOOL || !SANE_OPTION_IS_SETTABLE(d->cap))
            return SANE_STATUS_UNSUPPORTED;
        SANE_Word word = value ? SANE_TRUE : SANE_FALSE;
        return control(index, &word);
    }

    // A value given as text, read according to the option's type.
    SANE_Status setText(const char* name, const QByteArray& text)
    {
        const SANE_Option_Descriptor* d = find(name);
        if (!d)
            return SANE_STATUS_UNSUPPORTED;
        switch (d->type) {
        case SANE_TYPE_BOOL: return setBool(name, text == "true" || text == "yes" || text == "1");
        case SANE_TYPE_INT:
        case SANE_TYPE_FIXED: return setNumber(name, text.toDouble());
        case SANE_TYPE_STRING: return setString(name, QString::fromUtf8(text));
        default: return SANE_STATUS_UNSUPPORTED;
        }
    }

    // Resolutions the option offers: a word list as given, a range as the common steps inside it.
    QList<int> resolutions(const char* name) const
    {
        QList<int> out;
        const SANE_Option_Descriptor* d = find(name);
        if (!d || (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED))
            return out;
        auto value = [d](SANE_Word w) { return d->type == SANE_TYPE_FIXED ? SANE_UNFIX(w) : double(w); };
        std::set<int> values;
        if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST && d->constraint.word_list) {
            const SANE_Word* list = d->constraint.word_list;
            for (SANE_Word i = 1; i <= list[0]; ++i)
                if (int v = int(std::lround(value(list[i]))); v > 0)
                    values.insert(v);
        } else if (d->constraint_type == SANE_CONSTRAINT_RANGE && d->constraint.range) {
            const double lo = value(d->constraint.range->min), hi = value(d->constraint.range->max);
            const double quant = value(d->constraint.range->quant);
            static const int steps[] = {50, 75, 100, 150, 200, 240, 300, 400, 500, 600, 800, 1200, 1600, 2400, 3200, 4800, 9600};
            for (int s : steps) {
                if (s < lo || s > hi)
                    continue;
                if (quant > 0 && std::fabs(std::remainder(s - lo, quant)) > 1e-6)
                    continue;
                values.insert(s);
            }
            if (lo >= 1)
                values.insert(int(std::lround(lo)));
            if (hi >= 1)
                values.insert(int(std::lround(hi)));
        } else if (auto current = number(name); current && *current > 0) {
            values.insert(int(std::lround(*current)));
        }
        for (int v : values)
            out << v;
        return out;
    }

private:
    SANE_Status control(SANE_Int index, void* value)
    {
        SANE_Int info = 0;
        const SANE_Status status = sane_control_option(handle_, index, SANE_ACTION_SET_VALUE, value, &info);
        if (status == SANE_STATUS_GOOD && (info & SANE_INFO_RELOAD_OPTIONS))
            reload();
        return status;
    }

    SANE_Handle handle_;
    std::map<std::string, SANE_Int> index_;
};

const char* resolutionOption(const SaneOptions& options)
{
    return options.has(SANE_NAME_SCAN_RESOLUTION) ? SANE_NAME_SCAN_RESOLUTION : SANE_NAME_SCAN_X_RESOLUTION;
}

// Inches per option unit for the geometry options, or 0 when the unit cannot be converted.
double inchesPerUnit(const SaneOptions& options, double resolution)
{
    switch (options.unit(SANE_NAME_SCAN_BR_X)) {
    case SANE_UNIT_MM: return 1.0 / 25.4;
    case SANE_UNIT_PIXEL: return resolution > 0 ? 1.0 / resolution : 0.0;
    default: return 0.0;
    }
}

void readSources(SaneScannerDevice::State& s, const SaneOptions& options)
{
    s.feederSources.clear();
    s.duplexSources.clear();
    s.flatbedSource.clear();
    const QStringList sources = options.stringList(SANE_NAME_SCAN_SOURCE);
    s.hasSourceOption = !sources.isEmpty();
    for (const QString& entry : sources) {
        const bool duplex = entry.contains(QLatin1String("duplex"), Qt::CaseInsensitive);
        if (duplex)
            s.duplexSources << entry;
        else if (containsAny(entry, {"adf", "feeder", "document"}))
            s.feederSources << entry;
        else if (s.flatbedSource.isEmpty() || entry.contains(QLatin1String("flatbed"), Qt::CaseInsensitive))
            s.flatbedSource = entry;
    }
}

QList<ScannerUnitType> unitTypes(const SaneScannerDevice::State& s)
{
    QList<ScannerUnitType> types;
    if (!s.hasSourceOption || !s.flatbedSource.isEmpty())
        types << ScannerUnitType::flatbed;
    if (!s.feederSources.isEmpty() || !s.duplexSources.isEmpty())
        types << ScannerUnitType::documentFeeder;
    return types;
}

bool hasDuplexOption(const SaneOptions& options)
{
    if (options.find("duplex") && options.find("duplex")->type == SANE_TYPE_BOOL)
        return true;
    for (const QString& mode : options.stringList("adf-mode"))
        if (mode.contains(QLatin1String("duplex"), Qt::CaseInsensitive))
            return true;
    return false;
}

void setDuplexOption(SaneOptions& options, bool duplex)
{
    if (const auto* d = options.find("duplex"); d && d->type == SANE_TYPE_BOOL)
        options.setBool("duplex", duplex);
    for (const QString& mode : options.stringList("adf-mode")) {
        const bool isDuplex = mode.contains(QLatin1String("duplex"), Qt::CaseInsensitive);
        if (isDuplex == duplex) {
            options.setString("adf-mode", mode);
            break;
        }
    }
}

ScannerUnitInfo unitInfo(ScannerUnitType type, const SaneScannerDevice::State& s, const SaneOptions& options)
{
    ScannerUnitInfo info;
    info.type = type;
    const char* res = resolutionOption(options);
    info.supportedResolutions = options.resolutions(res);
    info.resolution = int(std::lround(options.number(res).value_or(0)));
    const double perUnit = inchesPerUnit(options, info.resolution);
    const auto x0 = options.range(SANE_NAME_SCAN_TL_X), x1 = options.range(SANE_NAME_SCAN_BR_X);
    const auto y0 = options.range(SANE_NAME_SCAN_TL_Y), y1 = options.range(SANE_NAME_SCAN_BR_Y);
    if (perUnit > 0 && x1 && y1) {
        const double w = (x1->second - (x0 ? x0->first : x1->first)) * perUnit;
        const double h = (y1->second - (y0 ? y0->first : y1->first)) * perUnit;
        if (w > 0 && h > 0)
            info.physicalSize = QSizeF(w, h);
    }
    info.supportsDuplex = type == ScannerUnitType::documentFeeder && (!s.duplexSources.isEmpty() || hasDuplexOption(options));
    return info;
}

// The feeder or flatbed source the request asks for, and duplex on a feeder.
std::optional<ScannerDeviceError> programSource(const SaneScannerDevice::State& s, SaneOptions& options,
                                                const ScanRequest& request)
{
    if (request.unitType != ScannerUnitType::documentFeeder) {
        if (!s.flatbedSource.isEmpty())
            options.setString(SANE_NAME_SCAN_SOURCE, s.flatbedSource);
        return std::nullopt;
    }
    QString source;
    if (request.duplex && !s.duplexSources.isEmpty())
        source = s.duplexSources.first();
    else if (!s.feederSources.isEmpty())
        source = s.feederSources.first();
    else if (!s.duplexSources.isEmpty())
        source = s.duplexSources.first();
    if (!source.isEmpty())
        if (SANE_Status st = options.setString(SANE_NAME_SCAN_SOURCE, source); st != SANE_STATUS_GOOD)
            return saneError(st);
    setDuplexOption(options, request.duplex);
    return std::nullopt;
}

// Colour, 8 bits, the resolution and the scan area; returns the resolution the scanner uses.
double programImage(SaneOptions& options, const ScanRequest& request)
{
    // Colour and 8 bits when offered; anything else is converted to 8-bit RGB while reading.
    const QStringList modes = options.stringList(SANE_NAME_SCAN_MODE);
    for (const QString& mode : modes) {
        if (mode.compare(QLatin1String(SANE_VALUE_SCAN_MODE_COLOR), Qt::CaseInsensitive) == 0 ||
            containsAny(mode, {"color", "colour", "rgb"})) {
            options.setString(SANE_NAME_SCAN_MODE, mode);
            break;
        }
    }
    if (options.has(SANE_NAME_BIT_DEPTH))
        options.setNumber(SANE_NAME_BIT_DEPTH, 8);

    if (request.resolution > 0) {
        if (options.has(SANE_NAME_SCAN_RESOLUTION)) {
            options.setNumber(SANE_NAME_SCAN_RESOLUTION, request.resolution);
        } else {
            options.setNumber(SANE_NAME_SCAN_X_RESOLUTION, request.resolution);
            options.setNumber(SANE_NAME_SCAN_Y_RESOLUTION, request.resolution);
        }
    }
    const double dpi = options.number(resolutionOption(options)).value_or(request.resolution);

    if (const double perUnit = inchesPerUnit(options, dpi); perUnit > 0 && !request.scanArea.isEmpty()) {
        const double x0 = options.range(SANE_NAME_SCAN_TL_X).value_or(std::pair{0.0, 0.0}).first;
        const double y0 = options.range(SANE_NAME_SCAN_TL_Y).value_or(std::pair{0.0, 0.0}).first;
        options.setNumber(SANE_NAME_SCAN_TL_X, x0 + request.scanArea.left() / perUnit);
        options.setNumber(SANE_NAME_SCAN_TL_Y, y0 + request.scanArea.top() / perUnit);
        options.setNumber(SANE_NAME_SCAN_BR_X, x0 + request.scanArea.right() / perUnit);
        options.setNumber(SANE_NAME_SCAN_BR_Y, y0 + request.scanArea.bottom() / perUnit);
    }
    return dpi;
}

// The reads of one scan on the worker. A cancel from the main thread may only interrupt the
// reads of a started frame: backends lose track of their reader when sane_cancel runs
// alongside sane_start or another sane_cancel, and a reader left running crashes once
// sane_exit unloads the backend.
class SaneScanReader {
public:
    SaneScanReader(SaneScannerDevice::State& s, int scanNumber)
        : s_(s), h_(s.handle), scanNumber_(scanNumber), buffer_(256 * 1024, Qt::Uninitialized)
    {
    }

    bool cancelled() const { return s_.cancelledThrough.load() >= scanNumber_; }

    // Ends the batch, or the frame being read.
    void cancelHere()
    {
        std::lock_guard lock(s_.handleLock);
        s_.reading = false;
        sane_cancel(h_);
    }

    // Every frame of the next page into `frames`: SANE_STATUS_GOOD once the last frame is in.
    SANE_Status readPage(SaneFrameAssembler& frames)
    {
        SANE_Status status = SANE_STATUS_GOOD;
        for (;;) {
            SANE_Parameters params{};
            status = startFrame(params);
            if (status != SANE_STATUS_GOOD)
                break;
            QByteArray data;
            if (params.lines > 0 && params.bytes_per_line > 0)
                data.reserve(qsizetype(params.lines) * params.bytes_per_line);
            status = readFrame(data);
            setReading(false); // before the next frame's sane_start
            if (status != SANE_STATUS_EOF)
                break;
            status = SANE_STATUS_GOOD;
            if (!frames.addFrame(params, data)) {
                status = SANE_STATUS_IO_ERROR;
                break;
            }
            if (params.last_frame)
                break;
        }
        setReading(false);
        return status;
    }

private:
    void setReading(bool on)
    {
        std::lock_guard lock(s_.handleLock);
        s_.reading = on;
    }

    SANE_Status startFrame(SANE_Parameters& params)
    {
        SANE_Status status = sane_start(h_);
        if (status == SANE_STATUS_GOOD)
            setReading(true);
        if (cancelled()) {
            cancelHere();
            status = SANE_STATUS_CANCELLED;
        }
        if (status != SANE_STATUS_GOOD)
            return status;
        return sane_get_parameters(h_, &params);
    }

    // Reads until the frame ends: SANE_STATUS_EOF when it is whole.
    SANE_Status readFrame(QByteArray& data)
    {
        for (;;) {
            SANE_Int length = 0;
            const SANE_Status status =
                sane_read(h_, reinterpret_cast<SANE_Byte*>(buffer_.data()), SANE_Int(buffer_.size()), &length);
            if (status != SANE_STATUS_GOOD)
                return status;
            data.append(buffer_.constData(), length);
        }
    }

    SaneScannerDevice::State& s_;
    const SANE_Handle h_;
    const int scanNumber_;
    QByteArray buffer_;
};

// Reads pages until the feeder is empty (one page from the flatbed), each written and
// announced as it comes.
std::optional<ScannerDeviceError> readPages(SaneScannerDevice::State& s, SaneOptions& options, SaneScanReader& reader,
                                            const ScanRequest& request, double dpi)
{
    const bool feeder = request.unitType == ScannerUnitType::documentFeeder;
    ScanPageFile pages(request.downloadsDirectory, request.documentName);
    for (int page = 1;; ++page) {
        if (reader.cancelled())
            return saneError(SANE_STATUS_CANCELLED);
        if (s.pageOptions)
            for (const auto& [name, value] : s.pageOptions(page))
                options.setText(name.constData(), value);

        SaneFrameAssembler frames;
        const SANE_Status status = reader.readPage(frames);
        // Some backends end a cancelled frame with EOF: what was read is only part of the page.
        if (reader.cancelled())
            return saneError(SANE_STATUS_CANCELLED);
        // The feeder ran out of paper: the normal end of a batch, and an empty scan (not a
        // failure) when there was no paper to begin with.
        if (status == SANE_STATUS_NO_DOCS && feeder)
            return std::nullopt;
        // A page that stopped half-way is not kept.
        if (status != SANE_STATUS_GOOD)
            return reader.cancelled() ? saneError(SANE_STATUS_CANCELLED) : saneError(status);
        const std::optional<QImage> image = frames.image();
        if (!image)
            return saneError(SANE_STATUS_IO_ERROR);
        const ScanPageFile::Written result = request.stagePages ? pages.stage(*image, dpi) : pages.write(*image, dpi);
        if (!result.error.isEmpty())
            return ScannerDeviceError{int(SANE_STATUS_IO_ERROR),
                                      QStringLiteral("Couldn't save page: %1").arg(result.error)};
        s.poster->post([owner = s.owner, path = result.path] { emit owner->pageWritten(path); });
        if (!feeder)
            return std::nullopt;
    }
}

// One scan on the worker: program the options, then read pages until the feeder is empty.
std::optional<ScannerDeviceError> runScan(SaneScannerDevice::State& s, const ScanRequest& request, int scanNumber)
{
    if (!s.handle)
        return ScannerDeviceError{int(SANE_STATUS_INVAL), QStringLiteral("The scanner session is not open.")};
    SaneOptions options(s.handle);
    if (std::optional<ScannerDeviceError> error = programSource(s, options, request))
        return error;
    const double dpi = programImage(options, request);
    SaneScanReader reader(s, scanNumber);
    const std::optional<ScannerDeviceError> error = readPages(s, options, reader, request, dpi);
    reader.cancelHere(); // ends the batch, as SANE asks after the last page
    return error;
}

} // namespace

SaneScannerDevice::SaneScannerDevice(std::shared_ptr<SaneWorker> worker, SaneDeviceIdentity identity,
                                     SanePageOptions pageOptions)
    : worker_(std::move(worker)), identity_(std::move(identity)), state_(std::make_shared<State>())
{
    state_->poster = std::make_shared<SanePoster>(this);
    state_->owner = this;
    state_->name = identity_.name;
    state_->pageOptions = std::move(pageOptions);
}

SaneScannerDevice::~SaneScannerDevice()
{
    state_->poster->detach();
    cancelScan();
    worker_->submit([s = state_](bool) {
        std::lock_guard lock(s->handleLock);
        if (s->handle) {
            sane_close(s->handle);
            s->handle = nullptr;
        }
    });
}

QString SaneScannerDevice::name() const
{
    return QStringLiteral("%1 %2").arg(identity_.vendor, identity_.model).trimmed();
}

QString SaneScannerDevice::id() const { return QString::fromUtf8(identity_.name); }

bool SaneScannerDevice::isScanner() const
{
    return !identity_.type.contains(QLatin1String("camera"), Qt::CaseInsensitive);
}

void SaneScannerDevice::requestOpenSession()
{
    worker_->submit([s = state_](bool ready) {
        std::optional<ScannerDeviceError> error;
        QList<ScannerUnitType> types;
        if (!ready) {
            error = ScannerDeviceError{int(SANE_STATUS_IO_ERROR), QStringLiteral("SANE could not be started.")};
        } else {
            if (!s->handle) {
                SANE_Handle handle = nullptr;
                const SANE_Status status = sane_open(s->name.constData(), &handle);
                if (status != SANE_STATUS_GOOD) {
                    error = saneError(status);
                } else {
                    std::lock_guard lock(s->handleLock);
                    s->handle = handle;
                }
            }
            if (s->handle) {
                SaneOptions options(s->handle);
                readSources(*s, options);
                types = unitTypes(*s);
            }
        }
        s->poster->post([owner = s->owner, error, types] {
            owner->unitTypes_ = types;
            emit owner->sessionOpened(error);
        });
    });
}

void SaneScannerDevice::requestCloseSession()
{
    cancelScan();
    worker_->submit([s = state_](bool) {
        {
            std::lock_guard lock(s->handleLock);
            if (s->handle) {
                sane_close(s->handle);
                s->handle = nullptr;
            }
        }
        s->poster->post([owner = s->owner] {
            owner->selected_.reset();
            emit owner->sessionClosed(std::nullopt);
        });
    });
}

void SaneScannerDevice::requestSelectUnit(ScannerUnitType type)
{
    worker_->submit([s = state_, type](bool) {
        std::optional<ScannerDeviceError> error;
        std::optional<ScannerUnitInfo> info;
        if (!s->handle) {
            error = ScannerDeviceError{int(SANE_STATUS_INVAL), QStringLiteral("The scanner session is not open.")};
        } else {
            SaneOptions options(s->handle);
            QString source;
            if (type == ScannerUnitType::documentFeeder)
                source = !s->feederSources.isEmpty() ? s->feederSources.first()
                                                     : (s->duplexSources.isEmpty() ? QString() : s->duplexSources.first());
            else
                source = s->flatbedSource;
            if (type == ScannerUnitType::documentFeeder && source.isEmpty()) {
                error = ScannerDeviceError{int(SANE_STATUS_UNSUPPORTED), QStringLiteral("The scanner has no document feeder.")};
            } else if (!source.isEmpty()) {
                if (SANE_Status st = options.setString(SANE_NAME_SCAN_SOURCE, source); st != SANE_STATUS_GOOD)
                    error = saneError(st);
            }
            if (!error)
                info = unitInfo(type, *s, options);
        }
        s->poster->post([owner = s->owner, error, info] {
            if (info)
                owner->selected_ = info;
            emit owner->unitSelected(info, error);
        });
    });
}

void SaneScannerDevice::requestScan(const ScanRequest& request)
{
    const int number = ++scansRequested_;
    worker_->submit([s = state_, request, number](bool) {
        const std::optional<ScannerDeviceError> error = runScan(*s, request, number);
        s->poster->post([owner = s->owner, error] { emit owner->scanCompleted(error); });
    });
}

void SaneScannerDevice::cancelScan()
{
    state_->cancelledThrough = scansRequested_;
    std::lock_guard lock(state_->handleLock);
    if (state_->handle && state_->reading)
        sane_cancel(state_->handle);
}

} // namespace vantry
