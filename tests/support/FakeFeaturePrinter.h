#pragma once

#include "platform/FeaturePrinter.h"

#include <functional>

namespace vantry::test {

// A feature printer whose vectors a test decides, e.g. by the colour of a marker pixel.
class FakeFeaturePrinter final : public FeaturePrinter {
public:
    using Function = std::function<std::optional<std::vector<float>>(const QImage&)>;

    FakeFeaturePrinter(int dimension, Function function)
        : dimension_(dimension)
        , function_(std::move(function))
    {
    }

    int revision() const override { return 2; }
    int dimension() const override { return dimension_; }
    std::optional<std::vector<float>> featurePrint(const QImage& image) const override { return function_(image); }

private:
    int dimension_;
    Function function_;
};

} // namespace vantry::test
