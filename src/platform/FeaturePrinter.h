#pragma once

#include <QImage>

#include <optional>
#include <vector>

namespace vantry {

// Turns an image into a fixed-length feature vector whose Euclidean distances say how alike
// two images look. Index building and queries must use the same printer and revision.
// Implementations are stateless and callable from any thread.
class FeaturePrinter {
public:
    virtual ~FeaturePrinter() = default;
    // Vectors of different revisions are not comparable.
    virtual int revision() const = 0;
    virtual int dimension() const = 0;
    // An L2-normalised vector of `dimension()` floats, or nothing when the image carries no
    // usable content (null, tiny or a single flat colour).
    virtual std::optional<std::vector<float>> featurePrint(const QImage& image) const = 0;
    // A smaller copy that prints (nearly) the same, for callers that print several turned
    // copies of one large image. The image itself by default.
    virtual QImage reducedForPrinting(const QImage& image) const { return image; }
};

} // namespace vantry
