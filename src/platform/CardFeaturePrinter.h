#pragma once

#include "platform/FeaturePrinter.h"

namespace vantry {

// A deterministic descriptor of a card image for the art-card index: the card's inner area
// (the border and the cropper's padding trimmed off) sampled on a coarse grid in one luma
// and two colour-opponent channels, each channel with its mean removed and scaled by its
// own spread, so that scanner colour casts, exposure, resolution, JPEG noise and a slight
// skew move the vector little. Not rotation invariant: callers try the four orientations.
class CardFeaturePrinter final : public FeaturePrinter {
public:
    static constexpr int kRevision = 2;
    static constexpr int kLumaColumns = 16;
    static constexpr int kLumaRows = 24;
    static constexpr int kChromaColumns = 8;
    static constexpr int kChromaRows = 12;
    static constexpr int kDimension = kLumaColumns * kLumaRows + 2 * kChromaColumns * kChromaRows;

    int revision() const override { return kRevision; }
    int dimension() const override { return kDimension; }
    std::optional<std::vector<float>> featurePrint(const QImage& image) const override;
    // The scan halved as often as the print itself would halve it.
    QImage reducedForPrinting(const QImage& image) const override;

private:
    static std::optional<std::vector<float>> print(const QImage& image);
};

} // namespace vantry
