#include "core/art/VisionArtCardMatcher.h"

#include "core/art/ArtCardScoring.h"
#include "core/support/CaptureLog.h"
#include "core/support/ImageCopy.h"
#include "core/support/ResourceBundle.h"
#include "platform/CardFeaturePrinter.h"
#include "platform/Paths.h"

#include <QFile>

#include <cstdio>

namespace vantry {

namespace {

void printLine(const QString& line)
{
    std::fputs(line.toUtf8().append('\n').constData(), stdout);
    std::fflush(stdout);
}

// Why Art Series matching is off: on standard output and in the diagnostic log.
void reportDisabled(const QString& line)
{
    printLine(line);
    CaptureLog::log(line);
}

} // namespace

VisionArtCardMatcher::VisionArtCardMatcher(ArtCardIndex index, float maxDistance, int k,
                                           std::shared_ptr<const FeaturePrinter> printer)
    : index_(std::make_shared<const ArtCardIndex>(std::move(index)))
    , backIndex_(std::make_shared<const ArtCardBackIndex>(
          std::shared_ptr<const std::vector<ArtCardEntry>>(index_, &index_->entries)))
    , maxDistance_(maxDistance)
    , k_(k)
    , printer_(printer ? std::move(printer) : shippedPrinter())
{
}

std::shared_ptr<const FeaturePrinter> VisionArtCardMatcher::shippedPrinter()
{
    static const std::shared_ptr<const FeaturePrinter> printer = std::make_shared<const CardFeaturePrinter>();
    return printer;
}

std::optional<std::vector<float>> VisionArtCardMatcher::featurePrintVector(const QImage& image)
{
    return shippedPrinter()->featurePrint(image);
}

QCoro::Task<std::vector<Candidate>> VisionArtCardMatcher::match(QImage image, ScanFinish finish, CPULane lane) const
{
    // Copies, so that the search does not depend on this object after the suspension.
    const auto index = index_;
    const auto printer = printer_;
    const float maxDistance = maxDistance_;
    const int k = k_;
    auto work = [image, printer] {
        // Turning a reduced copy is far cheaper than turning a 600-dpi scan three times.
        const QImage base = printer->reducedForPrinting(image);
        std::vector<std::vector<float>> produced;
        for (int turns = 0; turns < 4; ++turns) {
            if (auto vector = printer->featurePrint(turns == 0 ? base : rotatedByQuarterTurns(base, turns)))
                produced.push_back(std::move(*vector));
        }
        return produced;
    };
    // Task made outside the co_await expression: GCC destroys non-trivial temporaries of a
    // co_await full-expression twice.
    auto task = CPUWork::run(std::move(work), lane);
    auto vectors = co_await std::move(task);
    if (vectors.empty())
        co_return std::vector<Candidate>{};
    co_return artCardCandidates(index->nearestAcrossRotations(vectors, k, maxDistance), finish);
}

std::optional<QString> VisionArtCardMatcher::cachedIndexURL()
{
    const QString dataHome = paths::dataHome();
    if (dataHome.isEmpty())
        return std::nullopt;
    return dataHome + QStringLiteral("/Vantry Capture/art-card-index.bin");
}

std::optional<QString> VisionArtCardMatcher::bundledIndexURL()
{
    const auto folder = ResourceBundle::module();
    if (!folder)
        return std::nullopt;
    return *folder + QStringLiteral("/art-card-index.bin");
}

std::optional<ArtCardIndex> VisionArtCardMatcher::loadIndex(const std::vector<std::optional<QString>>& locations)
{
    for (const auto& location : locations) {
        if (!location)
            continue;
        QFile file(*location);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray data = file.readAll();
        if (file.error() != QFileDevice::NoError)
            continue;
        if (auto index = ArtCardIndex::fromData(data))
            return index;
    }
    return std::nullopt;
}

std::shared_ptr<const VisionArtCardMatcher> VisionArtCardMatcher::bundled(
    const std::vector<std::optional<QString>>& locations)
{
    auto index = loadIndex(locations);
    if (!index) {
        // Nothing shipped or cached: every other path works, but say so once, since the
        // matcher and the back reader otherwise stay silent.
        QStringList tried;
        for (const auto& location : locations)
            if (location)
                tried << u'"' + *location + u'"';
        CaptureLog::log(QStringLiteral("[art-match] Art Series matching is off: no art-card index found (tried ") +
                        (tried.isEmpty() ? QStringLiteral("no location") : tried.join(QStringLiteral(", "))) +
                        u')');
        return nullptr;
    }
    if (index->revision != artCardFeaturePrintRevision) {
        reportDisabled(QStringLiteral("[art-match] index revision ") + QString::number(index->revision) +
                       QStringLiteral(" != ") + QString::number(artCardFeaturePrintRevision) +
                       QStringLiteral("; disabled"));
        return nullptr;
    }
    // Vectors of another length (another descriptor) would be skipped by every search, and
    // the matcher would match nothing without a word.
    const int descriptorLength = shippedPrinter()->dimension();
    if (index->dimension != descriptorLength) {
        reportDisabled(QStringLiteral("[art-match] index descriptor length ") + QString::number(index->dimension) +
                       QStringLiteral(" != ") + QString::number(descriptorLength) + QStringLiteral("; disabled"));
        return nullptr;
    }
    printLine(QStringLiteral("[art-match] loaded ") + QString::number(index->entries.size()) +
              QStringLiteral(" art-series prints (dim ") + QString::number(index->dimension) + u')');
    return std::make_shared<const VisionArtCardMatcher>(std::move(*index), defaultArtCardMaxDistance, defaultK);
}

std::shared_ptr<const VisionArtCardMatcher> VisionArtCardMatcher::bundled()
{
    return bundled({cachedIndexURL(), bundledIndexURL()});
}

} // namespace vantry
