#include "core/service/ScanEvidenceImage.h"

#include "core/reading/CardCropper.h"
#include "core/support/ImageCopy.h"

#include <QFileInfo>

namespace vantry::ScanEvidenceImage {

namespace {
constexpr std::uint8_t evidenceLumaThreshold = 45;
constexpr double evidencePaddingFraction = 0.012;
} // namespace

std::optional<ScanEvidenceImageRender> jpegRender(const QString& path, int maxDimension, double compressionQuality)
{
    if (maxDimension < 1)
        return std::nullopt;
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    const std::optional<QImage> decoded = CardCropper::load(path);
    if (!decoded)
        return std::nullopt;

    QImage kept = *decoded;
    QString variant = fullFrameVariant;
    if (const auto rect = CardCropper::cropRect(*decoded, evidenceLumaThreshold, evidencePaddingFraction)) {
        const QImage cut = decoded->copy(*rect);
        if (!cut.isNull()) {
            kept = cut;
            variant = cardCropVariant;
        }
    }
    const std::optional<QByteArray> jpeg = ImageCopy::jpegData(kept, maxDimension, compressionQuality);
    if (!jpeg)
        return std::nullopt;
    return ScanEvidenceImageRender{*jpeg, variant};
}

std::optional<QByteArray> jpegData(const QString& path, int maxDimension, double compressionQuality)
{
    if (auto render = jpegRender(path, maxDimension, compressionQuality))
        return render->imageData;
    return std::nullopt;
}

} // namespace vantry::ScanEvidenceImage
