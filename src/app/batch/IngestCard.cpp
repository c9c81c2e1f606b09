#include "app/batch/IngestCard.h"

#include "core/ingest/ScanPreparation.h"
#include "core/support/CPUWork.h"
#include "core/support/CaptureLog.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <utility>

namespace vantry {

namespace {

qint64 millisSince(qint64 startNs, qint64 nowNs) { return qint64(double(nowNs - startNs) / 1'000'000.0); }

// What the recognizer reads off the prepared scan; nothing read when the scan did not decode.
QCoro::Task<RecognitionOutcome> recognizeScan(std::shared_ptr<const CardRecognizing> recognizer,
                                              const ScannedCard& card, const ScanPrep& prep)
{
    RecognitionOutcome outcome;
    const std::optional<QImage> image = prep.cardImage;
    if (!image)
        co_return outcome;
    auto back = ScanPreparation::backImageProvider(card);
    outcome = co_await recognizer->recognize(*image, ScanFinish::nonfoil, std::move(back), CPULane::ordinary);
    // A crop that read nothing may have cut the card badly: once more on the whole scan.
    if (outcome.candidates.empty() && prep.cropped())
        outcome = co_await recognizer->recognize(*prep.full, ScanFinish::nonfoil, {}, CPULane::ordinary);
    co_return outcome;
}

} // namespace

void IngestWaker::wake()
{
    woken_ = true;
    if (const std::coroutine_handle<> waiting = std::exchange(waiting_, {}))
        QMetaObject::invokeMethod(QCoreApplication::instance(), [waiting] { waiting.resume(); }, Qt::QueuedConnection);
}

IngestCard::IngestCard(qint64 index, ScannedCard card) : index(index), card(std::move(card)) {}

IngestCard::~IngestCard()
{
    if (!prep.full && !prep.cardImage)
        return;
    CPUWork::submit([full = std::exchange(prep.full, std::nullopt), card = std::exchange(prep.cardImage, std::nullopt)] {});
}

QCoro::Task<> prepareIngestCard(std::shared_ptr<IngestCard> card, ImportLedger ledger, IngestClock clock,
                                std::shared_ptr<IngestWaker> waker)
{
    const qint64 start = clock();
    ScanPrep prep = co_await ScanPreparation::prepare(card->card, std::move(ledger));
    card->prep = std::move(prep);
    card->prepMs = millisSince(start, clock());
    card->stage = IngestCard::Stage::prepared;
    waker->wake();
}

QCoro::Task<> recognizeIngestCard(std::shared_ptr<IngestCard> card, std::shared_ptr<const CardRecognizing> recognizer,
                                  IngestClock clock, std::shared_ptr<IngestWaker> waker)
{
    const qint64 start = clock();
    try {
        RecognitionOutcome outcome = co_await recognizeScan(std::move(recognizer), card->card, card->prep);
        card->outcome = std::move(outcome);
    } catch (const std::exception& error) {
        // A run must never wait for a card forever: the card reads as nothing.
        CaptureLog::log(QStringLiteral("card ") + QString::number(card->index) +
                        QStringLiteral(" recognition failed: ") + QString::fromUtf8(error.what()));
    }
    card->recogMs = millisSince(start, clock());
    card->stage = IngestCard::Stage::ready;
    waker->wake();
}

} // namespace vantry
