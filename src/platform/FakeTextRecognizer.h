#pragma once

#include "platform/TextRecognizing.h"

#include <QMutex>

#include <functional>
#include <utility>

namespace vantry {

// Test stand-in for text recognition: answers through a function of the image, and
// counts the calls it received.
class FakeTextRecognizer : public TextRecognizing {
public:
    using Script = std::function<std::vector<OCRLine>(const QImage&)>;

    explicit FakeTextRecognizer(Script script = {}) : script_(std::move(script)) {}

    std::vector<OCRLine> recognizeLines(const QImage& image, TextPrint = TextPrint::mixed) const override
    {
        Script script;
        {
            QMutexLocker lock(&mutex_);
            ++calls_;
            sizes_.push_back(image.size());
            script = script_;
        }
        return script ? script(image) : std::vector<OCRLine>{};
    }

    void setScript(Script script)
    {
        QMutexLocker lock(&mutex_);
        script_ = std::move(script);
    }
    int calls() const
    {
        QMutexLocker lock(&mutex_);
        return calls_;
    }
    // Sizes of the images read, in call order.
    std::vector<QSize> sizes() const
    {
        QMutexLocker lock(&mutex_);
        return sizes_;
    }

private:
    mutable QMutex mutex_;
    Script script_;
    mutable int calls_ = 0;
    mutable std::vector<QSize> sizes_;
};

} // namespace vantry
