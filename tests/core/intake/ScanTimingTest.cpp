#include "core/intake/ScanTimingBatchSummary.h"
#include "core/intake/ScanTimingDiagnostics.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

using namespace vantry;

namespace {

const QDateTime t0 = QDateTime(QDate(2026, 3, 1), QTime(10, 0, 0), Qt::UTC);

ScanArrivalSample sampleAt(const QString& name, double fileSeconds, double observedSeconds,
                           std::optional<qint64> bytes = std::nullopt,
                           std::optional<ScanImageQuality> quality = std::nullopt)
{
    return {name, t0.addMSecs(qint64(fileSeconds * 1000)), t0.addMSecs(qint64(observedSeconds * 1000)), bytes,
            quality};
}

std::string dpiText(const std::optional<ScanImageQuality>& q)
{
    if (!q)
        return "none";
    return QStringLiteral("%1x%2 dpi %3").arg(q->width).arg(q->height).arg(q->dpiDescription()).toStdString();
}

QByteArray be16(int v) { return QByteArray(1, char(v >> 8)) + QByteArray(1, char(v)); }

} // namespace

TEST(ScanTimingTexts, NumbersBytesGapsAndDpi)
{
    struct NumberCase {
        double value;
        const char* text;
    };
    for (const NumberCase& c : std::vector<NumberCase>{
             {12.34, "12"}, {3.14, "3.1"}, {9.96, "10.0"}, {-3, "-3.0"}, {10, "10"}, {0, "0.0"}})
        EXPECT_EQ(ScanTimingDiagnostics::formatNumber(c.value), c.text) << c.value;
    for (const NumberCase& c : std::vector<NumberCase>{
             {999999, "1000KB"}, {1000000, "1.0MB"}, {512, "512B"}, {3400000, "3.4MB"}, {12000000, "12MB"}, {999.9, "999B"}})
        EXPECT_EQ(ScanTimingBatchSummary::formatBytes(c.value), c.text) << c.value;

    EXPECT_EQ(ScanTimingDiagnostics::gapDescription(std::nullopt), "first");
    EXPECT_EQ(ScanTimingDiagnostics::gapDescription(4.2), "4.2s");
    EXPECT_EQ(ScanTimingDiagnostics::gapDescription(12.0), "12s");
    EXPECT_EQ(ScanTimingDiagnostics::gapDescription(-1.5), "0.0s");

    EXPECT_EQ((ScanImageQuality{1, 1, 299.95, 300.0}.dpiDescription()), "300");
    EXPECT_EQ((ScanImageQuality{1, 1, 300.0, 600.0}.dpiDescription()), "300x600");
    EXPECT_EQ((ScanImageQuality{1, 1, 300.0, std::nullopt}.dpiDescription()), "unknown");

    const ScanImageQuality page{2550, 3508, 300.0, 300.0};
    EXPECT_EQ(ScanTimingDiagnostics::qualityDescription(sampleAt("a.png", 0, 0, 3400000, page)),
              "bytes=3.4MB pixels=2550x3508 mp=8.9 dpiMeta=300");
    EXPECT_EQ(ScanTimingDiagnostics::qualityDescription(sampleAt("a.png", 0, 0)),
              "bytes=unknown pixels=unknown dpiMeta=unknown");
}

TEST(ScanTimingBatchSummary, Texts)
{
    const ScanImageQuality page{2550, 3508, 300.0, 300.0};
    struct Case {
        const char* what;
        std::vector<ScanArrivalSample> samples;
        const char* log;
        const char* compact;
    };
    const std::vector<Case> cases{
        {"none", {},
         "files=0 first=none last=none fileSpan=0.0s observedSpan=0.0s avgFileGap=n/as avgObservedGap=n/as ppm=n/a "
         "avgBytes=n/a avgMP=n/a pixels=unknown dpiMeta=unknown",
         "0 files, single page, no avg gap"},
        {"one", {sampleAt("only.png", 5, 6, 512)},
         "files=1 first=only.png last=only.png fileSpan=0.0s observedSpan=0.0s avgFileGap=n/as avgObservedGap=n/as "
         "ppm=n/a avgBytes=512B avgMP=n/a pixels=unknown dpiMeta=unknown",
         "1 files, single page, no avg gap"},
        {"two, given last first",
         {sampleAt("card_0002.png", 4, 4, 3400000, page), sampleAt("card_0001.png", 0, 1, 3400000, page)},
         "files=2 first=card_0001.png last=card_0002.png fileSpan=4.0s observedSpan=3.0s avgFileGap=4.0s "
         "avgObservedGap=3.0s ppm=15 avgBytes=3.4MB avgMP=8.9 pixels=2550x3508 dpiMeta=300",
         "2 files, 15 ppm, 4.0s avg gap"},
        {"tied timestamps in number-aware order, no rate",
         {sampleAt("scan 10.png", 2, 2), sampleAt("scan 2.png", 2, 3)},
         "files=2 first=scan 2.png last=scan 10.png fileSpan=0.0s observedSpan=1.0s avgFileGap=0.0s "
         "avgObservedGap=1.0s ppm=n/a avgBytes=n/a avgMP=n/a pixels=unknown dpiMeta=unknown",
         "2 files, single page, 0.0s avg gap"},
        {"sizes differ: first and last in time order",
         {sampleAt("b.png", 1, 1, std::nullopt, ScanImageQuality{2544, 3500, 300.0, 600.0}),
          sampleAt("a.png", 0, 1, std::nullopt, page), sampleAt("c.png", 3, 3, std::nullopt, page)},
         "files=3 first=a.png last=c.png fileSpan=3.0s observedSpan=2.0s avgFileGap=1.5s avgObservedGap=1.0s "
         "ppm=40 avgBytes=n/a avgMP=8.9 pixels=2550x3508..2550x3508 dpiMeta=300..300",
         "3 files, 40 ppm, 1.5s avg gap"},
    };
    for (const Case& c : cases) {
        const ScanTimingBatchSummary summary(c.samples);
        EXPECT_EQ(summary.logDescription(), c.log) << c.what;
        EXPECT_EQ(summary.compactDescription(), c.compact) << c.what;
    }
    const ScanTimingBatchSummary ranged({sampleAt("a.png", 0, 0, std::nullopt, page),
                                         sampleAt("b.png", 1, 1, std::nullopt, ScanImageQuality{2544, 3500, 300.0, 600.0})});
    EXPECT_EQ(ranged.imageDimensionsDescription, "2550x3508..2544x3500");
    EXPECT_EQ(ranged.imageDpiDescription, "300..300x600");
}

TEST(ScanTimingDiagnostics, QualityFromFileHeaders)
{
    QTemporaryDir dir;
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::gray);
    image.setDotsPerMeterX(11811); // 300 dpi
    image.setDotsPerMeterY(23622); // 600 dpi
    struct Case {
        const char* format;
        const char* expected;
    };
    for (const Case& c : std::vector<Case>{{"png", "40x30 dpi 300x600"},
                                           {"jpg", "40x30 dpi 300x600"},
                                           {"tif", "40x30 dpi 300x600"},
                                           {"bmp", "40x30 dpi 300x600"},
                                           {"webp", "40x30 dpi unknown"}}) {
        const QString path = dir.filePath(QStringLiteral("page.") + c.format);
        QImageWriter writer(path);
        if (!writer.canWrite()) {
            ADD_FAILURE() << "no writer for " << c.format;
            continue;
        }
        ASSERT_TRUE(writer.write(image)) << c.format;
        EXPECT_EQ(dpiText(ScanTimingDiagnostics::imageQuality(path)), c.expected) << c.format;
    }

    // A JPEG whose resolution is only in EXIF, in dots per centimetre.
    QByteArray tiff("II*\0\x08\0\0\0", 8);
    tiff += QByteArray("\x03\0", 2); // three entries
    auto entry = [](int tag, int type, quint32 value) {
        QByteArray e;
        e += char(tag & 255), e += char(tag >> 8), e += char(type), e += char(0);
        e += QByteArray("\x01\0\0\0", 4);
        e += char(value & 255), e += char((value >> 8) & 255), e += char((value >> 16) & 255), e += char(value >> 24);
        return e;
    };
    tiff += entry(0x011A, 5, 50) + entry(0x011B, 5, 58) + entry(0x0128, 3, 3) + QByteArray(4, '\0');
    tiff += QByteArray("\x76\0\0\0\x01\0\0\0", 8) + QByteArray("\xec\0\0\0\x01\0\0\0", 8); // 118/1, 236/1 per cm
    const QByteArray exif = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray jpeg("\xff\xd8", 2);
    jpeg += QByteArray("\xff\xe1", 2) + be16(int(exif.size()) + 2) + exif;
    jpeg += QByteArray("\xff\xc0", 2) + be16(8 + 3 * 3) + QByteArray("\x08", 1) + be16(3508) + be16(2550) +
            QByteArray("\x03\x01\x11\x00\x02\x11\x01\x03\x11\x01", 10);
    jpeg += QByteArray("\xff\xda", 2);
    const QString exifPath = dir.filePath("exif.jpg");
    QFile f(exifPath);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(jpeg);
    f.close();
    const auto q = ScanTimingDiagnostics::imageQuality(exifPath);
    ASSERT_TRUE(q.has_value());
    EXPECT_EQ(q->width, 2550);
    EXPECT_EQ(q->height, 3508);
    EXPECT_NEAR(*q->dpiWidth, 299.72, 0.01);
    EXPECT_EQ(q->dpiDescription(), "300x599");

    // Not images, truncated and empty files give no quality and no crash.
    for (const QByteArray& junk : {QByteArray(), QByteArray("\x89PNG\r\n\x1a\n", 8), QByteArray("\xff\xd8\xff", 3),
                                   QByteArray("II*\0\xff\xff\xff\x7f", 8), QByteArray("BM"), QByteArray("hello")}) {
        QFile j(dir.filePath("junk.png"));
        ASSERT_TRUE(j.open(QIODevice::WriteOnly | QIODevice::Truncate));
        j.write(junk);
        j.close();
        EXPECT_EQ(dpiText(ScanTimingDiagnostics::imageQuality(j.fileName())), "none") << junk.toHex().toStdString();
    }
}

TEST(ScanTimingDiagnostics, SampleOfAFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("scan 1.png");
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::white);
    ASSERT_TRUE(image.save(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(t0, QFileDevice::FileModificationTime));
    file.close();

    const QDateTime observed = t0.addSecs(7);
    const ScanArrivalSample s = ScanTimingDiagnostics::sample(path, observed);
    EXPECT_EQ(s.fileName, "scan 1.png");
    EXPECT_EQ(s.fileTimestamp, t0);
    EXPECT_EQ(s.observedAt, observed);
    EXPECT_EQ(s.byteCount, QFileInfo(path).size());
    ASSERT_TRUE(s.imageQuality.has_value());
    EXPECT_EQ(s.imageQuality->width, 20);

    const ScanArrivalSample missing = ScanTimingDiagnostics::sample(dir.filePath("gone.png"), observed);
    EXPECT_EQ(missing.fileTimestamp, observed);
    EXPECT_FALSE(missing.byteCount.has_value());
    EXPECT_FALSE(missing.imageQuality.has_value());
}
