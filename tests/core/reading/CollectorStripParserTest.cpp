#include "core/reading/CollectorStripParser.h"

#include <gtest/gtest.h>

using namespace vantry;

namespace {

std::vector<OCRLine> lines(std::initializer_list<std::pair<const char*, double>> items)
{
    std::vector<OCRLine> out;
    for (const auto& [text, y] : items)
        out.push_back({QString::fromUtf8(text), y, 0.02});
    return out;
}

std::optional<QString> s(const char* text) { return QString::fromUtf8(text); }

} // namespace

TEST(CollectorStripParser, ReadsStrips)
{
    struct Case {
        const char* name;
        std::vector<OCRLine> lines;
        std::optional<QString> set, language, number;
        bool partial = false;
        bool token = false;
    };
    const std::vector<Case> cases{
        {"plain strip", lines({{"NEO • EN", 0.05}, {"123 R", 0.07}}), s("NEO"), s("en"), s("123")},
        {"partial read", lines({{"NEO • EN", 0.05}, {"123. R", 0.07}}), s("NEO"), s("en"), s("123"), true},
        {"suffix letter kept", lines({{"NEO • EN", 0.05}, {"12a", 0.07}}), s("NEO"), s("en"), s("12a")},
        {"capital after digits is no number", lines({{"NEO • EN", 0.05}, {"12A", 0.07}}), s("NEO"), s("en"), {}},
        {"single digit and six digits never match", lines({{"NEO • EN", 0.05}, {"7 123456", 0.06}}), s("NEO"), s("en"),
         {}},
        {"foil mark appended", lines({{"★ NEO • EN", 0.05}, {"045", 0.06}}), s("NEO"), s("en"), s("045★")},
        {"far number ignored", lines({{"NEO • EN", 0.05}, {"123", 0.20}}), s("NEO"), s("en"), {}},
        {"legal line never a number", lines({{"NEO • EN", 0.05}, {"© 1993 WIZARDS OF THE COAST", 0.05}}), s("NEO"),
         s("en"), {}},
        {"set needs a capital", lines({{"2023 • EN", 0.05}}), {}, s("en"), s("2023")},
        {"token near the strip", lines({{"NEO • EN", 0.05}, {"T 12", 0.06}}), s("NEO"), s("en"), s("12"), false,
         true},
        {"token far from every anchor", lines({{"NEO • EN", 0.05}, {"T 12", 0.5}}), s("NEO"), s("en"), {}, false,
         false},
        // What Tesseract makes of the bullet.
        {"bullet read as guillemet", lines({{"DSK « EN & JOHN AVON", 0.02}, {"L 0255", 0.05}}), s("DSK"), s("en"),
         s("0255")},
        {"bullet read as cent sign", lines({{"DSK ¢ EN", 0.02}, {"L 0255", 0.05}}), s("DSK"), s("en"), s("0255")},
        {"bullet read as asterisk", lines({{"BFZ * EN", 0.02}, {"171/274 C", 0.05}}), s("BFZ"), s("en"), s("171")},
        {"number beside legal text on its own line",
         lines({{"L 0255", 0.05}, {"™ & © 2024 Wizards of the Coast", 0.05}, {"DSK + EN", 0.02}}), s("DSK"), s("en"),
         s("0255")},
        {"language lower-cased", lines({{"NEO • JA", 0.05}}), s("NEO"), s("ja"), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CardAttribution a = parseAttribution(c.lines);
        EXPECT_EQ(a.setCode, c.set);
        EXPECT_EQ(a.language, c.language);
        EXPECT_EQ(a.collectorNumber, c.number);
        EXPECT_EQ(a.collectorNumberIsPartial, c.partial);
        EXPECT_EQ(a.isToken, c.token);
    }
}

TEST(CollectorStripParser, EqualDistanceKeepsEarlierLine)
{
    auto a = parseAttribution(lines({{"NEO • EN", 0.05}, {"11", 0.07}, {"22", 0.03}}));
    EXPECT_EQ(a.collectorNumber, s("11"));
    a = parseAttribution(lines({{"33", 0.5}, {"44", 0.05}}));
    EXPECT_EQ(a.collectorNumber, s("33")); // without a set line the first number line wins
}

TEST(CollectorStripParser, TitlesAndAlternatives)
{
    EXPECT_EQ(parseAttribution({}), CardAttribution{});
    EXPECT_FALSE(parseAttribution(lines({{"123 45", 0.5}})).title);

    // With a set line: farthest first; alternatives close to the title.
    auto a = parseAttribution(
        lines({{"NEO • EN", 0.05}, {"Instant", 0.42}, {"Lightning Bolt", 0.93}, {"Ox", 0.9}, {"Vanilla", 0.85}}));
    EXPECT_EQ(a.title, s("Lightning Bolt"));
    EXPECT_EQ(a.titleAlternatives, QStringList{"Vanilla"}); // "NEO • EN" is too far, "Instant" > 0.18 away
    // Without a set line: topmost first, no alternatives.
    a = parseAttribution(lines({{"Instant", 0.42}, {"Goblin Guide", 0.93}, {"Haste", 0.90}}));
    EXPECT_EQ(a.title, s("Goblin Guide"));
    EXPECT_TRUE(a.titleAlternatives.isEmpty());
}

TEST(CollectorStripParser, ArtSeriesMarker)
{
    EXPECT_TRUE(ArtCardBack::sawMarker(lines({{"Goblin", 0.9}, {"art  series", 0.1}})));
    EXPECT_TRUE(ArtCardBack::sawMarker(lines({{"ARTSERIES 3/54", 0.1}})));
    EXPECT_FALSE(ArtCardBack::sawMarker(lines({{"ART SERIE", 0.1}})));
    EXPECT_FALSE(ArtCardBack::sawMarker({}));
    EXPECT_TRUE(parseAttribution(lines({{"Art Series", 0.1}})).isArtSeries);
}

TEST(CollectorStripParser, NormalisesNumbers)
{
    const std::vector<std::pair<QString, QString>> cases{
        {"007", "7"}, {"000", "0"}, {" 012a ", "12a"}, {"T12", "T12"}, {"", ""}, {"0", "0"}, {"045★", "45★"}};
    for (const auto& [in, out] : cases)
        EXPECT_EQ(normalizeCollectorNumber(in), out) << in.toStdString();

    EXPECT_EQ(normalizedCollectorLookupCandidates("007★"), (QStringList{"7★", "7"}));
    EXPECT_EQ(normalizedCollectorLookupCandidates("12"), QStringList{"12"});
    EXPECT_EQ(finishFromCollector(s("12†")), ScanFinish::foil);
    EXPECT_EQ(finishFromCollector(s("12")), std::nullopt);
    EXPECT_EQ(finishFromCollector(std::nullopt), std::nullopt);
    EXPECT_EQ(finishFromCollector(s("")), std::nullopt);
}
