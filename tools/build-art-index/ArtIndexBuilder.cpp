#include "ArtIndexBuilder.h"

#include "core/support/ImageDecode.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace vantry::tools {

namespace {

void fail(QString* error, const QString& message)
{
    if (error)
        *error = message;
}

} // namespace

std::optional<std::vector<ArtIndexSource>> readArtIndexManifest(const QString& manifestPath, QString* error)
{
    QFile file(manifestPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        fail(error, QStringLiteral("cannot read %1: %2").arg(manifestPath, file.errorString()));
        return std::nullopt;
    }
    const QDir folder = QFileInfo(manifestPath).absoluteDir();
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    std::vector<ArtIndexSource> sources;
    int lineNumber = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        ++lineNumber;
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList fields = line.split(u'\t');
        if (fields.size() < 4 || fields.size() > 5 || fields[0].trimmed().isEmpty()) {
            fail(error, QStringLiteral("%1:%2: expected id, name, set code, collector number [, image] separated by tabs")
                            .arg(manifestPath, QString::number(lineNumber)));
            return std::nullopt;
        }
        ArtIndexSource source{fields[0].trimmed(), fields[1].trimmed(), fields[2].trimmed(), fields[3].trimmed(), {}};
        if (fields.size() == 5 && !fields[4].trimmed().isEmpty()) {
            source.imagePath = folder.absoluteFilePath(fields[4].trimmed());
        } else {
            for (const char* extension : {"png", "jpg", "jpeg", "webp", "tif"}) {
                const QString candidate = folder.absoluteFilePath(source.scryfallId + u'.' + QLatin1String(extension));
                if (QFileInfo(candidate).isFile()) {
                    source.imagePath = candidate;
                    break;
                }
            }
        }
        if (source.imagePath.isEmpty() || !QFileInfo(source.imagePath).isFile()) {
            fail(error, QStringLiteral("%1:%2: no image for %3").arg(manifestPath, QString::number(lineNumber), source.scryfallId));
            return std::nullopt;
        }
        sources.push_back(std::move(source));
    }
    return sources;
}

std::optional<ArtCardIndex> buildArtCardIndex(const std::vector<ArtIndexSource>& sources, const FeaturePrinter& printer,
                                              QString* error)
{
    ArtCardIndex index;
    index.revision = artCardFeaturePrintRevision;
    index.dimension = printer.dimension();
    for (const ArtIndexSource& source : sources) {
        const auto image = image::decodeFile(source.imagePath);
        if (!image) {
            fail(error, QStringLiteral("cannot decode %1").arg(source.imagePath));
            return std::nullopt;
        }
        auto vector = printer.featurePrint(*image);
        if (!vector || static_cast<qint64>(vector->size()) != index.dimension) {
            fail(error, QStringLiteral("no feature print for %1").arg(source.imagePath));
            return std::nullopt;
        }
        index.entries.push_back(
            {source.scryfallId, source.name, source.setCode, source.collectorNumber, std::move(*vector)});
    }
    return index;
}

} // namespace vantry::tools
