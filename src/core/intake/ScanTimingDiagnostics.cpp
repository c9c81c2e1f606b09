#include "core/intake/ScanTimingDiagnostics.h"

#include "core/intake/ScanTimingBatchSummary.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <cmath>
#include <functional>

namespace vantry::ScanTimingDiagnostics {

namespace {

constexpr double inchesPerMetre = 39.37007874015748;

quint32 be32(const uchar* p) { return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | p[3]; }
quint16 be16(const uchar* p) { return quint16((p[0] << 8) | p[1]); }
qint32 le32(const uchar* p) { return qint32(quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24)); }
quint16 le16(const uchar* p) { return quint16(p[0] | (p[1] << 8)); }

const uchar* bytes(const QByteArray& b) { return reinterpret_cast<const uchar*>(b.constData()); }

std::optional<ScanImageQuality> sized(qint64 width, qint64 height)
{
    if (width < 1 || height < 1 || width > INT32_MAX || height > INT32_MAX)
        return std::nullopt;
    ScanImageQuality q;
    q.width = int(width);
    q.height = int(height);
    return q;
}

// PNG: IHDR for the size, pHYs (metres only) for the resolution; stops at the image data.
std::optional<ScanImageQuality> pngQuality(QFile& file)
{
    file.seek(8);
    std::optional<ScanImageQuality> quality;
    for (int chunks = 0; chunks < 10000; ++chunks) {
        const QByteArray header = file.read(8);
        if (header.size() != 8)
            break;
        const quint32 length = be32(bytes(header));
        const QByteArray type = header.mid(4, 4);
        if (type == "IHDR" && !quality) {
            const QByteArray data = file.read(std::min<quint32>(length, 8));
            if (data.size() < 8)
                break;
            quality = sized(be32(bytes(data)), be32(bytes(data) + 4));
            if (!quality)
                return std::nullopt;
            file.seek(file.pos() + qint64(length) - 8 + 4);
        } else if (type == "pHYs" && length >= 9) {
            const QByteArray data = file.read(9);
            if (data.size() < 9)
                break;
            if (quality && data[8] == 1) {
                quality->dpiWidth = be32(bytes(data)) / inchesPerMetre;
                quality->dpiHeight = be32(bytes(data) + 4) / inchesPerMetre;
            }
            file.seek(file.pos() + qint64(length) - 9 + 4);
        } else if (type == "IDAT" || type == "IEND") {
            break;
        } else if (!file.seek(file.pos() + qint64(length) + 4)) {
            break;
        }
    }
    return quality;
}

// A TIFF structure (a TIFF file or the EXIF block of a JPEG) read through `at(offset, n)`.
struct TiffFacts {
    std::optional<qint64> width, height;
    std::optional<double> xResolution, yResolution;
    int resolutionUnit = 2; // inches unless the file says otherwise
};

TiffFacts readTiff(const std::function<QByteArray(qint64, qint64)>& at)
{
    TiffFacts facts;
    const QByteArray head = at(0, 8);
    if (head.size() < 8)
        return facts;
    const bool little = head.startsWith("II*");
    if (!little && !head.startsWith(QByteArray("MM\0*", 4)))
        return facts;
    auto u16 = [little](const uchar* p) { return little ? le16(p) : be16(p); };
    auto u32 = [little](const uchar* p) { return little ? quint32(le32(p)) : be32(p); };
    const quint32 ifd = u32(bytes(head) + 4);
    const QByteArray countBytes = at(ifd, 2);
    if (countBytes.size() < 2)
        return facts;
    const int count = std::min<int>(u16(bytes(countBytes)), 1000);
    const QByteArray entries = at(qint64(ifd) + 2, qint64(count) * 12);
    auto rational = [&](quint32 offset) -> std::optional<double> {
        const QByteArray r = at(offset, 8);
        if (r.size() < 8 || u32(bytes(r) + 4) == 0)
            return std::nullopt;
        return double(u32(bytes(r))) / double(u32(bytes(r) + 4));
    };
    for (int i = 0; i + 1 <= count && (i + 1) * 12 <= entries.size(); ++i) {
        const uchar* e = bytes(entries) + i * 12;
        const quint16 tag = u16(e), type = u16(e + 2);
        const quint32 value = type == 3 ? u16(e + 8) : u32(e + 8); // SHORT or LONG / offset
        switch (tag) {
        case 0x0100: facts.width = value; break;
        case 0x0101: facts.height = value; break;
        case 0x011A: if (type == 5) facts.xResolution = rational(value); break;
        case 0x011B: if (type == 5) facts.yResolution = rational(value); break;
        case 0x0128: facts.resolutionUnit = int(value); break;
        default: break;
        }
    }
    return facts;
}

// Resolution in dpi from TIFF-style facts: unit 2 inches, 3 centimetres, 1 no unit.
void applyTiffResolution(const TiffFacts& facts, ScanImageQuality& q)
{
    if (!facts.xResolution || !facts.yResolution || facts.resolutionUnit < 2 || facts.resolutionUnit > 3)
        return;
    const double factor = facts.resolutionUnit == 3 ? 2.54 : 1.0;
    q.dpiWidth = *facts.xResolution * factor;
    q.dpiHeight = *facts.yResolution * factor;
}

std::optional<ScanImageQuality> tiffQuality(QFile& file)
{
    const TiffFacts facts = readTiff([&file](qint64 offset, qint64 n) {
        return file.seek(offset) ? file.read(n) : QByteArray();
    });
    if (!facts.width || !facts.height)
        return std::nullopt;
    std::optional<ScanImageQuality> q = sized(*facts.width, *facts.height);
    if (q)
        applyTiffResolution(facts, *q);
    return q;
}

// JPEG: SOFn for the size, JFIF density (dpi or dots per cm), else the EXIF resolution.
std::optional<ScanImageQuality> jpegQuality(QFile& file)
{
    file.seek(2);
    std::optional<std::pair<double, double>> jfif, exif;
    std::optional<ScanImageQuality> quality;
    for (int segments = 0; segments < 10000 && !quality; ++segments) {
        char c = 0;
        if (!file.getChar(&c))
            break;
        if (uchar(c) != 0xFF)
            break;
        while (file.getChar(&c) && uchar(c) == 0xFF) {
        }
        const uchar marker = uchar(c);
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        if (marker == 0xD9 || marker == 0xDA)
            break;
        const QByteArray lengthBytes = file.read(2);
        if (lengthBytes.size() < 2)
            break;
        const qint64 length = be16(bytes(lengthBytes)) - 2;
        if (length < 0)
            break;
        const qint64 start = file.pos();
        const bool isFrame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (isFrame) {
            const QByteArray d = file.read(std::min<qint64>(length, 5));
            if (d.size() < 5)
                break;
            quality = sized(be16(bytes(d) + 3), be16(bytes(d) + 1));
            if (!quality)
                return std::nullopt;
        } else if (marker == 0xE0 && !jfif) {
            const QByteArray d = file.read(std::min<qint64>(length, 14));
            if (d.size() >= 12 && d.startsWith(QByteArray("JFIF\0", 5))) {
                const uchar units = bytes(d)[7];
                const double x = be16(bytes(d) + 8), y = be16(bytes(d) + 10);
                if ((units == 1 || units == 2) && x > 0 && y > 0)
                    jfif = units == 1 ? std::pair{x, y} : std::pair{x * 2.54, y * 2.54};
            }
        } else if (marker == 0xE1 && !exif) {
            const QByteArray d = file.read(std::min<qint64>(length, 65535));
            if (d.startsWith(QByteArray("Exif\0\0", 6))) {
                const QByteArray tiff = d.mid(6);
                const TiffFacts facts = readTiff([&tiff](qint64 offset, qint64 n) { return tiff.mid(offset, n); });
                ScanImageQuality probe;
                applyTiffResolution(facts, probe);
                if (probe.dpiWidth && probe.dpiHeight)
                    exif = std::pair{*probe.dpiWidth, *probe.dpiHeight};
            }
        }
        if (!file.seek(start + length))
            break;
    }
    if (quality) {
        if (const auto dpi = jfif ? jfif : exif) {
            quality->dpiWidth = dpi->first;
            quality->dpiHeight = dpi->second;
        }
    }
    return quality;
}

std::optional<ScanImageQuality> bmpQuality(QFile& file)
{
    file.seek(0);
    const QByteArray h = file.read(46);
    if (h.size() < 26)
        return std::nullopt;
    const quint32 infoSize = quint32(le32(bytes(h) + 14));
    if (infoSize == 12)
        return sized(le16(bytes(h) + 18), le16(bytes(h) + 20));
    if (infoSize < 40 || h.size() < 46)
        return std::nullopt;
    std::optional<ScanImageQuality> q = sized(le32(bytes(h) + 18), std::abs(qint64(le32(bytes(h) + 22))));
    const qint32 xppm = le32(bytes(h) + 38), yppm = le32(bytes(h) + 42);
    if (q && xppm > 0 && yppm > 0) {
        q->dpiWidth = xppm / inchesPerMetre;
        q->dpiHeight = yppm / inchesPerMetre;
    }
    return q;
}

} // namespace

QString formatNumber(double value)
{
    return value >= 10 ? QString::asprintf("%.0f", value) : QString::asprintf("%.1f", value);
}

std::optional<ScanImageQuality> imageQuality(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray head = file.read(16);
    if (head.startsWith("\x89PNG\r\n\x1a\n"))
        return pngQuality(file);
    if (head.startsWith("\xff\xd8"))
        return jpegQuality(file);
    if (head.startsWith("II*") || head.startsWith(QByteArray("MM\0*", 4)))
        return tiffQuality(file);
    if (head.startsWith("BM"))
        return bmpQuality(file);
    if (head.startsWith("RIFF") && head.mid(8, 4) == "WEBP") {
        file.close();
        QImageReader reader(path, "webp");
        return sized(reader.size().width(), reader.size().height());
    }
    return std::nullopt;
}

ScanArrivalSample sample(const QString& path, const QDateTime& observedAt)
{
    ScanArrivalSample s;
    s.fileName = QFileInfo(path).fileName();
    s.observedAt = observedAt;
    s.fileTimestamp = observedAt;
    const QFileInfo info(path);
    if (info.exists()) {
        const QDateTime modified = info.lastModified();
        const QDateTime created = info.birthTime();
        s.fileTimestamp = modified.isValid() ? modified : created.isValid() ? created : observedAt;
        s.byteCount = info.size();
    }
    s.imageQuality = imageQuality(path);
    return s;
}

QString qualityDescription(const ScanArrivalSample& sample)
{
    const QString bytes = sample.byteCount ? ScanTimingBatchSummary::formatBytes(double(*sample.byteCount))
                                           : QStringLiteral("unknown");
    if (!sample.imageQuality)
        return QStringLiteral("bytes=") + bytes + QStringLiteral(" pixels=unknown dpiMeta=unknown");
    const ScanImageQuality& q = *sample.imageQuality;
    return QStringLiteral("bytes=") + bytes + QStringLiteral(" pixels=") + QString::number(q.width) +
           QLatin1Char('x') + QString::number(q.height) + QStringLiteral(" mp=") +
           formatNumber(double(q.width) * double(q.height) / 1e6) + QStringLiteral(" dpiMeta=") + q.dpiDescription();
}

QString gapDescription(std::optional<double> gapSeconds)
{
    if (!gapSeconds)
        return QStringLiteral("first");
    return formatNumber(std::max(*gapSeconds, 0.0)) + QLatin1Char('s');
}

} // namespace vantry::ScanTimingDiagnostics
