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
        {"set needs a capital", lines({{"2023 • EN", 0.05}}), {}, s("en"), {}},
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
    a = parseAttribution(lines({{"R 0033", 0.12}, {"R 0044", 0.05}}));
    EXPECT_EQ(a.collectorNumber, s("0033")); // without a set line the first strip form wins
}

// Line sets as the four passes read real 2023+ strips: the enlarged strip pass's lines come
// first, the whole-card pass's after them (its cut-off reads often sit nearer the set line).
TEST(CollectorStripParser, ReadsRealStrips)
{
    struct Case {
        const char* name;
        std::vector<OCRLine> lines;
        std::optional<QString> set, number;
        bool complete = true;
        bool partial = false;
        bool token = false;
    };
    const std::vector<Case> cases{
        {"strip read beats a cut-off whole-card read",
         lines({{"R 0241", 0.045}, {"DSK • EN ✎ ARTIST", 0.022}, {"R 02.", 0.040}}), s("DSK"), s("0241")},
        {"strip read beats a short read", lines({{"M 0120", 0.045}, {"DSK + EN", 0.022}, {"M 012", 0.041}}),
         s("DSK"), s("0120")},
        {"cent sign for C", lines({{"C 0011", 0.045}, {"DSK « EN", 0.022}, {"¢ 001", 0.040}}), s("DSK"), s("0011")},
        {"lower-case rarity beside a cut read", lines({{"c 0125", 0.043}, {"12", 0.038}, {"DSK ¢ EN", 0.022}}),
         s("DSK"), s("0125")},
        {"artist's digits on the set line", lines({{"R 0188", 0.045}, {"DSK + EN #@98/NUISUKE", 0.022}}), s("DSK"),
         s("0188")},
        {"rarity glued before", lines({{"M0004", 0.045}, {"DSK • EN", 0.022}}), s("DSK"), s("0004")},
        {"rarity glued after", lines({{"0277M", 0.045}, {"DSK • EN", 0.022}}), s("DSK"), s("0277")},
        {"token number", lines({{"T0071", 0.045}, {"DSK • EN", 0.022}}), s("DSK"), s("0071"), true, false, true},
        {"star read as X", lines({{"R 0296", 0.045}, {"DSK XEN", 0.022}}), s("DSK"), s("0296")},
        {"star read as two X", lines({{"M 0400", 0.045}, {"DSK xX EN %ARTIST", 0.022}}), s("DSK"), s("0400")},
        {"O inside the digits", lines({{"U 0O91", 0.045}, {"DSK • EN", 0.022}}), s("DSK"), s("0091")},
        {"S and O inside the digits", lines({{"U 00SO", 0.045}, {"DSK • EN", 0.022}}), s("DSK"), s("0050")},
        {"legal-line fragment", lines({{"C 0062", 0.046}, {"20:", 0.040}, {"DSK • EN", 0.022}}), s("DSK"),
         s("0062")},
        {"power and toughness above the strip",
         lines({{"5/6", 0.06}, {"c 0125", 0.043}, {"DSK ¢ EN > DAviD AUDEN NASH", 0.022}}), s("DSK"), s("0125")},
        {"only a cut-off read", lines({{"R 02.", 0.045}, {"DSK • EN", 0.022}}), s("DSK"), s("02"), false, true},
        {"only a short read", lines({{"M 012", 0.045}, {"DSK • EN", 0.022}}), s("DSK"), s("012"), false},
        {"classic layout", lines({{"171/274 C", 0.045}, {"BFZ • EN ✎ Artist", 0.022}}), s("BFZ"), s("171")},
        {"padding zeros read as O", lines({{"U OOSS", 0.04}, {"00", 0.041}, {"DSK « EN JANA HEIDERSDORF", 0.02}}),
         s("DSK"), s("0055")},
        {"bullet read as a guillemet and a copyright sign",
         lines({{"R 0240", 0.04}, {"Bek EN +> JopiE Muir", 0.02}, {"DSK «© EN %Jop1E MuiR", 0.02}}), s("DSK"),
         s("0240")},
        {"rarity letter read twice",
         lines({{"Cc 0O15", 0.04},
                {"™ & © 2024 Wizards of the Coast", 0.04},
                {"BsKe EN © CARLOS PALMA CRUCHAGA", 0.03},
                {"DSK « EN % CARLOS PALMA CRUCHAGA", 0.02}}),
         s("DSK"), s("0015")},
        {"artwork read as a set line above the strip",
         lines({{"BIS - et - Pees? ”", 0.06}, {"R 0230", 0.04}, {"DSK « EN % MIKLOs LIGETI", 0.02}}), s("DSK"),
         s("0230")},
        // Cards without a strip: numbers of the art, power/toughness, dates, rules text.
        {"no strip: rules and art numbers", lines({{"23", 0.5}, {"3/3", 0.07}, {"1993", 0.03}, {"50.", 0.04}}), {},
         {}, false},
        {"no strip: a collector form in the bottom band", lines({{"R 0044", 0.05}, {"43", 0.04}}), {}, s("0044")},
        {"no strip: a collector form above the band", lines({{"R 0044", 0.5}}), {}, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CardAttribution a = parseAttribution(c.lines);
        EXPECT_EQ(a.setCode, c.set);
        EXPECT_EQ(a.collectorNumber, c.number);
        EXPECT_EQ(a.collectorNumberIsComplete, c.complete);
        EXPECT_EQ(a.collectorNumberIsPartial, c.partial);
        EXPECT_EQ(a.isToken, c.token);
    }
}

// Titles over textured frames: junk from the border or the artwork stands above the title bar.
TEST(CollectorStripParser, TitleIsTheWordiestLineOfTheTitleBar)
{
    auto a = parseAttribution(lines({{"— were", 0.98},
                                     {"ye ~<a", 0.98},
                                     {"Cackling Slash", 0.95},
                                     {"Deathtouch", 0.35},
                                     {"c 0085", 0.04},
                                     {"DSK + EN JOHANN BoDIN", 0.02}}));
    EXPECT_EQ(a.title, s("Cackling Slash"));
    EXPECT_EQ(a.titleAlternatives, (QStringList{"— were", "ye ~<a"}));
    a = parseAttribution(lines({{"&é", 0.98}, {"ete", 0.95}, {"Deatherip", 0.93}, {"Coane", 0.42}}));
    EXPECT_EQ(a.title, s("Deatherip"));
    a = parseAttribution(lines({{"| Bedhead aeagne", 0.94}, {"dee", 0.94}, {"Bedhead Beastie", 0.93},
                                {"DSK ¢ EN", 0.02}}));
    EXPECT_EQ(a.title, s("Bedhead Beastie"));
    // Texture over an old frame's title, boxed a few pixels tall, is no title.
    a = parseAttribution({{"SEILER", 0.95, 0.003},
                          {"rled", 0.93, 0.03},
                          {"\\nicorn", 0.93, 0.03},
                          {"2%", 0.93, 0.03},
                          {"Suramon Unicora", 0.43, 0.02}});
    EXPECT_EQ(a.title, s("nicorn"));
    // The title bar's edges and mana symbols read beside the title are not part of it.
    const std::vector<std::pair<const char*, const char*>> edges{
        {"| Questing Druid", "Questing Druid"}, {"( Island }", "Island"}, {"i( Island M", "i( Island M"},
        {"{ Dollmaker's Shop 3 )", "Dollmaker's Shop 3"}};
    for (const auto& [read, title] : edges)
        EXPECT_EQ(parseAttribution(lines({{read, 0.93}, {"DSK • EN", 0.02}})).title, s(title)) << read;
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
