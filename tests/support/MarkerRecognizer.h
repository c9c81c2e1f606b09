#pragma once

#include "core/recognition/CardRecognizing.h"

#include <QImage>
#include <QList>
#include <QRectF>

#include <functional>
#include <memory>
#include <optional>

namespace vantry::test {

// A recognizer for pipeline tests: instead of reading text, it decodes a marker drawn in the
// card's art box (`drawRecognitionMarker`, or `SyntheticCard::marker`). The marker is placed
// relative to the card's edges, so it decodes only from an image cropped to the card: an
// uncropped scan, with its border of scanner background, reads as no marker.
class MarkerRecognizer final : public CardRecognizing {
public:
    // What a marker stands for. Default: one candidate "card-<n>", "Card <n>", set "TST",
    // number <n>, score 0.99, the finish asked for.
    using Answer = std::function<RecognitionOutcome(int marker, ScanFinish finish)>;

    struct Call {
        std::optional<int> marker; // none: no marker could be read
        QSize imageSize;
        ScanFinish finish = ScanFinish::nonfoil;
        bool hadBackLoader = false;
        CPULane lane = CPULane::ordinary;
    };

    Answer answer;
    // Awaited before answering (holds recognition open, e.g. while a tab is closed).
    std::function<QCoro::Task<void>()> gate;
    // Every recognition, in the order they finished; shared so copies of the recognizer report
    // to the same list.
    std::shared_ptr<QList<Call>> calls = std::make_shared<QList<Call>>();

    QCoro::Task<RecognitionOutcome> recognize(QImage image, ScanFinish finish, BackLoader back = {},
                                              CPULane lane = CPULane::ordinary) const override;

    static RecognitionOutcome defaultAnswer(int marker, ScanFinish finish);

    // Reads the marker of an image cropped to a card; none when there is none.
    static std::optional<int> readMarker(const QImage& card);
};

// Draws the marker of `value` (0...65535) into the card that fills `cardRect` of `image`.
void drawRecognitionMarker(QImage& image, const QRectF& cardRect, int value);

} // namespace vantry::test
