#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace vantry {

// One scan file rendered as an evidence JPEG.
struct ScanEvidenceImageRender {
    QByteArray imageData;
    QString variant; // ScanEvidenceImage::cardCropVariant or fullFrameVariant

    bool operator==(const ScanEvidenceImageRender&) const = default;
};

namespace ScanEvidenceImage {

inline const QString contentType = QStringLiteral("image/jpeg");
inline const QString cardCropVariant = QStringLiteral("card-crop");
inline const QString fullFrameVariant = QStringLiteral("full-frame");

inline constexpr int maxDimension = 1600;
inline constexpr double compressionQuality = 0.78;

// The file's first image, cut to the card when one is found, scaled to at most
// `maxDimension` on its longer side and encoded as JPEG. None when the file is missing,
// cannot be decoded or encoded, or `maxDimension` is below 1.
std::optional<ScanEvidenceImageRender> jpegRender(const QString& path, int maxDimension, double compressionQuality);
std::optional<QByteArray> jpegData(const QString& path, int maxDimension, double compressionQuality);

} // namespace ScanEvidenceImage

} // namespace vantry
