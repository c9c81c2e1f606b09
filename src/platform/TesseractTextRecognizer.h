#pragma once

#include "platform/TextRecognizing.h"

#include <memory>

namespace vantry {

// Text recognition on Tesseract 5 (LSTM, English model, dictionaries off). Each worker
// thread owns its engine, created on first use. Lines that the engine joins across a
// wide gap (a collector number and the legal line on one baseline) come back split.
class TesseractTextRecognizer : public TextRecognizing {
public:
    // A crop of one kind of print on a mostly light ground is read without the engine's
    // inverted second read.
    std::vector<OCRLine> recognizeLines(const QImage& image, TextPrint print = TextPrint::mixed) const override;
    // Character boxes are the engine's symbol boxes.
    std::vector<TextObservation> recognizeObservations(const QImage& image) const override;

    // Whether the engine and its English model load on this machine.
    static bool available();

    // The process's recognizer (stateless: engines are per thread).
    static std::shared_ptr<const TextRecognizing> shared();
};

} // namespace vantry
