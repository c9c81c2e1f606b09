#pragma once

#include "core/support/CPUWork.h"
#include "core/card/Candidate.h"
#include "core/card/CardAttribution.h"

#include <QCoroTask>
#include <QImage>

#include <functional>
#include <optional>
#include <vector>

namespace vantry {

// What recognition made of one scan: candidates best first, and what the card said.
struct RecognitionOutcome {
    std::vector<Candidate> candidates;
    CardAttribution attribution;

    bool operator==(const RecognitionOutcome&) const = default;
};

// The recognizer the batch model holds.
class CardRecognizing {
public:
    // Loads the other side of the card; no image when there is none.
    using BackLoader = std::function<QCoro::Task<std::optional<QImage>>()>;

    virtual ~CardRecognizing() = default;

    // `image` is the cropped front, `finish` the finish proposed for the card. Never throws:
    // every failure ends in fewer or no candidates. CPU work goes to `lane`.
    virtual QCoro::Task<RecognitionOutcome> recognize(QImage image, ScanFinish finish, BackLoader back = {},
                                                      CPULane lane = CPULane::ordinary) const = 0;
};

} // namespace vantry
