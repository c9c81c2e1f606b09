#pragma once

#include "core/card/ScannedCard.h"
#include "core/ingest/ScanPrep.h"
#include "core/recognition/CardRecognizing.h"
#include "core/records/ImportLedger.h"

#include <QCoroTask>

#include <coroutine>
#include <functional>
#include <memory>

namespace vantry {

// Wakes the one coroutine that waits on it (an ingest run) when a step of one of its cards
// has ended. A wake while nothing waits is kept for the next wait. The waiter resumes from
// the event loop, never inside the step that woke it. Main thread only.
class IngestWaker {
    struct Awaiter {
        IngestWaker& waker;
        bool await_ready() const noexcept { return waker.woken_; }
        void await_suspend(std::coroutine_handle<> handle) noexcept { waker.waiting_ = handle; }
        void await_resume() const noexcept { waker.woken_ = false; }
    };

public:
    void wake();
    // Resumes at once when woken since the last wait.
    Awaiter next() { return Awaiter{*this}; }

private:
    bool woken_ = false;
    std::coroutine_handle<> waiting_;
};

// One card of an ingest run on its way to a row: prepared on the CPU pool, admitted by the
// run in card order, then recognised unless admission left it out. Shared by the run and the
// card's running step, which may outlive a run that went stale. Main thread only.
struct IngestCard {
    enum class Stage {
        preparing,
        prepared,  // waits for admission
        reading,   // admitted; being recognised
        ready,     // waits for its turn to be counted, logged and become a row
    };
    // What admission made of the prepared scan.
    enum class Fate { tooLarge, imported, duplicate, multiFeed, read };

    qint64 index = 0; // in the run
    ScannedCard card;
    Stage stage = Stage::preparing;
    Fate fate = Fate::read;
    ScanPrep prep;
    qint64 prepMs = 0;
    RecognitionOutcome outcome;
    qint64 recogMs = 0;

    IngestCard(qint64 index, ScannedCard card);
    // Hands the decoded images to the CPU pool to be freed there: giving tens of megabytes back
    // to the system takes milliseconds, which the main thread would spend on every page of a
    // running feeder. The last holder of the card is the last holder of its images.
    ~IngestCard();
    IngestCard(const IngestCard&) = delete;
    IngestCard& operator=(const IngestCard&) = delete;
};

// Monotonic nanoseconds.
using IngestClock = std::function<qint64()>;

// Prepares the card's front against `ledger` on the CPU pool, then wakes the run.
QCoro::Task<> prepareIngestCard(std::shared_ptr<IngestCard> card, ImportLedger ledger, IngestClock clock,
                                std::shared_ptr<IngestWaker> waker);
// Recognises the prepared card, then wakes the run. A card that did not decode reads as nothing.
QCoro::Task<> recognizeIngestCard(std::shared_ptr<IngestCard> card, std::shared_ptr<const CardRecognizing> recognizer,
                                  IngestClock clock, std::shared_ptr<IngestWaker> waker);

} // namespace vantry
