#include "core/art/ArtSeriesStampingResolver.h"
#include "core/art/VisionArtCardMatcher.h"

#include <QCoroTask>
#include <QCoroTimer>
#include <QTimer>

#include <gtest/gtest.h>

using namespace vantry;

namespace {

// Answers after a turn of the event loop, like a network lookup, and records its calls.
class RecordingResolver final : public CardResolving {
public:
    std::vector<Candidate> answer;
    mutable QStringList calls;

    QCoro::Task<std::vector<Candidate>> resolveSetCollector(QString setCode, QString collectorNumber, ScanFinish finish,
                                                            std::optional<QString> language) const override
    {
        calls << QStringLiteral("set %1 %2 %3 %4").arg(setCode, collectorNumber, rawValue(finish), language.value_or("-"));
        QTimer timer;
        timer.setSingleShot(true);
        timer.start(0);
        co_await timer;
        co_return answer;
    }
    QCoro::Task<std::vector<Candidate>> searchByName(QString text, ScanFinish finish) const override
    {
        calls << QStringLiteral("name %1 %2").arg(text, rawValue(finish));
        co_return answer;
    }
};

Candidate candidate(const QString& id, bool art = false)
{
    Candidate c;
    c.scryfallId = id;
    c.isArtSeries = art;
    c.score = 1.0;
    return c;
}

} // namespace

TEST(ArtSeriesStampingResolver, PassesCallsThroughAndStampsIndexedPrints)
{
    auto inner = std::make_shared<RecordingResolver>();
    inner->answer = {candidate("art"), candidate("plain"), candidate("marked", true)};
    auto resolver = std::make_unique<ArtSeriesStampingResolver>(inner, QSet<QString>{"art"});

    auto byNumber = resolver->resolveSetCollector("AMH1", "12", ScanFinish::foil, QStringLiteral("en"));
    // The wrapper may go away while the lookup runs.
    resolver.reset();
    const auto found = QCoro::waitFor(byNumber);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_TRUE(found[0].isArtSeries);
    EXPECT_FALSE(found[1].isArtSeries);
    EXPECT_TRUE(found[2].isArtSeries);

    const ArtSeriesStampingResolver again(inner, {"plain"});
    const auto named = QCoro::waitFor(again.searchByName("Goblin Guide is:artseries", ScanFinish::nonfoil));
    EXPECT_FALSE(named[0].isArtSeries);
    EXPECT_TRUE(named[1].isArtSeries);
    EXPECT_EQ(inner->calls,
              (QStringList{"set AMH1 12 foil en", "name Goblin Guide is:artseries nonfoil"}));

    inner->answer.clear();
    EXPECT_TRUE(QCoro::waitFor(again.searchByName("x", ScanFinish::nonfoil)).empty());
}

TEST(ArtSeriesStampingResolver, StampsEveryPrintOfTheLoadedIndex)
{
    ArtCardIndex index{2, 0, {{"a", "A", "S", "1", {}}, {"b", "B", "S", "2", {}}}};
    EXPECT_EQ(artSeriesIds(std::make_shared<VisionArtCardMatcher>(index)), (QSet<QString>{"a", "b"}));
    EXPECT_TRUE(artSeriesIds(nullptr).isEmpty());
}
