#include "core/service/ScanEvidenceUploadBuilder.h"

#include "core/service/ScanEvidenceImage.h"

#include <QTextBoundaryFinder>

#include <map>

namespace vantry::ScanEvidenceUploadBuilder {

QString leadingCharacters(const QString& text, int maxCharacters)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    qsizetype position = 0;
    while (count < maxCharacters) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0)
            return text;
        position = next;
        ++count;
    }
    return text.left(position);
}

ScanEvidenceUploadBuildResult build(const std::vector<ScanEvidenceUploadSource>& sources)
{
    std::vector<QString> order;
    std::map<QString, std::vector<const ScanEvidenceUploadSource*>> byItem;
    for (const auto& source : sources) {
        auto& group = byItem[source.itemId];
        if (group.empty())
            order.push_back(source.itemId);
        group.push_back(&source);
    }

    ScanEvidenceUploadBuildResult result;
    for (const QString& itemId : order) {
        const auto& group = byItem[itemId];
        const ScanEvidenceUploadSource* chosen = nullptr;
        std::optional<ScanEvidenceImageRender> render;
        for (const auto* source : group) {
            render = ScanEvidenceImage::jpegRender(source->frontPath, ScanEvidenceImage::maxDimension,
                                                   ScanEvidenceImage::compressionQuality);
            if (render) {
                chosen = source;
                break;
            }
        }
        if (!chosen) {
            result.failedPaths.push_back(group.front()->frontPath);
            continue;
        }

        StringDictionary metadata{
            {QStringLiteral("client"), QStringLiteral("vantry-capture")},
            {QStringLiteral("image-variant"), render->variant},
            {QStringLiteral("source"), QStringLiteral("desktop-import")},
        };
        if (chosen->contentHash && !chosen->contentHash->isEmpty())
            metadata[QStringLiteral("content-hash")] = leadingCharacters(*chosen->contentHash, 128);
        const QString fileName = chosen->frontPath.section(QLatin1Char('/'), -1);
        if (!fileName.isEmpty())
            metadata[QStringLiteral("source-file")] = leadingCharacters(fileName, 512);

        result.uploads.push_back({itemId, render->imageData, ScanEvidenceImage::contentType, metadata});
    }
    return result;
}

} // namespace vantry::ScanEvidenceUploadBuilder
