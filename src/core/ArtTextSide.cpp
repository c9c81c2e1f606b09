#include "core/ArtTextSide.h"

#include "core/ImageCopy.h"
#include "core/VisionCardRecognizer.h"

namespace vantry {

namespace {

// One text pass of the image turned by `turns`, on the CPU pool. The task is made outside
// any co_await expression (GCC destroys such temporaries twice).
QCoro::Task<std::vector<OCRLine>> readTurned(std::shared_ptr<const TextRecognizing> engine, QImage image, int turns,
                                             CPULane lane)
{
    auto work = [engine, image, turns] {
        return VisionCardRecognizer::ocrLines(*engine, turns == 0 ? image : rotatedByQuarterTurns(image, turns));
    };
    auto task = CPUWork::run(std::move(work), lane);
    auto lines = co_await std::move(task);
    co_return lines;
}

bool singleExact(const std::optional<ArtCardBackResolution>& resolution)
{
    return resolution && resolution->exact.size() == 1;
}

} // namespace

QCoro::Task<std::optional<ArtCardBackResolution>> resolveArtTextSide(std::shared_ptr<const TextRecognizing> engine,
                                                                     QImage image, std::vector<OCRLine> seedLines,
                                                                     std::shared_ptr<const ArtCardMatching> matcher,
                                                                     CPULane lane)
{
    if (!matcher || matcher->entries().empty())
        co_return std::nullopt;
    const std::vector<ArtCardEntry>& entries = matcher->entries();

    const bool seeded = !seedLines.empty();
    std::vector<OCRLine> working = std::move(seedLines);
    std::optional<ArtCardBackResolution> best;
    auto parseAndResolve = [&] {
        if (auto read = ArtCardBack::parse(working))
            best = ArtCardBack::resolve(*read, entries);
    };

    parseAndResolve();
    if (singleExact(best))
        co_return best;

    // Upright is in the seed lines already; otherwise read it first, then upside down.
    const std::vector<int> turns = seeded ? std::vector<int>{2} : std::vector<int>{0, 2};
    for (int t : turns) {
        if (ArtCardBack::sawMarker(working))
            break;
        auto task = readTurned(engine, image, t, lane);
        auto lines = co_await std::move(task);
        working.insert(working.end(), lines.begin(), lines.end());
    }
    if (!ArtCardBack::sawMarker(working))
        co_return std::nullopt;

    parseAndResolve();
    if (singleExact(best))
        co_return best;

    for (int t : {1, 3}) {
        auto task = readTurned(engine, image, t, lane);
        auto lines = co_await std::move(task);
        working.insert(working.end(), lines.begin(), lines.end());
        parseAndResolve();
        if (singleExact(best) || t == 3)
            co_return best;
    }
    co_return best;
}

} // namespace vantry
