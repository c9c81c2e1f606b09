#include "core/ArtSeriesRecognition.h"

#include "core/ArtCardBack.h"
#include "core/ArtTextSide.h"

#include <cstdio>

namespace vantry::ArtSeriesRecognition {

namespace {

void printLine(const QString& line)
{
    std::fputs(line.toUtf8().append('\n').constData(), stdout);
    std::fflush(stdout);
}

// Tasks are made outside co_await expressions: GCC destroys such temporaries twice.
QCoro::Task<std::optional<QImage>> loadBackImage(const BackLoader& loadBack)
{
    if (!loadBack)
        co_return std::nullopt;
    auto task = loadBack();
    auto image = co_await std::move(task);
    co_return image;
}

} // namespace

QCoro::Task<std::optional<std::vector<Candidate>>> textSide(std::shared_ptr<const TextRecognizing> engine,
                                                            std::shared_ptr<const ArtCardMatching> matcher,
                                                            QImage image, std::vector<OCRLine> lines,
                                                            BackLoader loadBack, ScanFinish finish, CPULane lane)
{
    auto resolving = resolveArtTextSide(engine, image, std::move(lines), matcher, lane);
    const std::optional<ArtCardBackResolution> resolution = co_await std::move(resolving);

    std::vector<Candidate> visual;
    if (!(resolution && resolution->exact.size() == 1) && loadBack) {
        auto loading = loadBackImage(loadBack);
        if (const auto back = co_await std::move(loading)) {
            auto matching = matcher->match(*back, finish, lane);
            visual = co_await std::move(matching);
        }
    }
    auto merged = ArtCardBack::merge(visual, resolution, finish);
    if (merged.empty())
        co_return std::nullopt;
    printLine(QStringLiteral("[recognize]   -> %1 art-series candidates from text side%2")
                  .arg(merged.size())
                  .arg(merged.front().score == 1.0 ? QStringLiteral(" (exact, auto)") : QStringLiteral(" (review)")));
    co_return merged;
}

QCoro::Task<std::vector<Candidate>> visualMatch(std::shared_ptr<const TextRecognizing> engine,
                                                std::shared_ptr<const ArtCardMatching> matcher, QImage image,
                                                BackLoader loadBack, ScanFinish finish, CPULane lane)
{
    std::optional<ArtCardBackResolution> resolution;
    auto loading = loadBackImage(loadBack);
    if (const auto back = co_await std::move(loading)) {
        auto resolving = resolveArtTextSide(engine, *back, {}, matcher, lane);
        resolution = co_await std::move(resolving);
        if (resolution && resolution->exact.size() == 1) {
            auto merged = ArtCardBack::merge({}, resolution, finish);
            printLine(QStringLiteral("[recognize]   -> art card resolved exactly from its back (auto)"));
            co_return merged;
        }
    }
    auto matching = matcher->match(image, finish, lane);
    const auto visual = co_await std::move(matching);
    auto merged = ArtCardBack::merge(visual, resolution, finish);
    if (merged.empty()) {
        printLine(QStringLiteral("[recognize]   -> nothing parsed"));
        co_return merged;
    }
    printLine(QStringLiteral("[recognize]   -> %1 art-card candidates (visual%2) (review)")
                  .arg(merged.size())
                  .arg(resolution ? QStringLiteral(" + back text") : QString()));
    co_return merged;
}

} // namespace vantry::ArtSeriesRecognition
