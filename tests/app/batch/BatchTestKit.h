#pragma once

#include <QString>

#include <QCoroTask>

#include <functional>
#include <memory>
#include <vector>

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

// Recognitions wait their turn: the n-th call (from 0) answers once `released[n]` is set;
// calls past the end of `released` answer at once (a MarkerRecognizer gate).
struct RecognitionTurns {
    std::vector<bool> released;
    int calls = 0;
};
std::function<QCoro::Task<void>()> recognitionsInTurn(std::shared_ptr<RecognitionTurns> turns);

} // namespace vantry::test
