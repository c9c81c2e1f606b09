#pragma once

#include <QString>

#include <QCoroTask>

#include <functional>
#include <memory>

namespace vantry::test {

// A scan as the feeder writes it, the card carrying recognition marker `marker`.
void writeMarkedScan(const QString& path, int marker);

// A scan of two cards fed side by side: its crop is far wider than a card.
void writeTwoCardScan(const QString& path);

// Holds the first `held` recognitions until `open` is set (a MarkerRecognizer gate).
struct RecognitionHold {
    bool open = false;
    int held = 1;
    int calls = 0;
};
std::function<QCoro::Task<void>()> holdRecognitions(std::shared_ptr<RecognitionHold> hold);

} // namespace vantry::test
