#include "core/support/CaptureLog.h"
#include "core/support/ImageCopy.h"
#include "core/support/ImageDecode.h"
#include "core/reading/AttributionStrip.h"
#include "core/recognition/Disposition.h"
#include "core/recognition/VisionCardRecognizer.h"
#include "platform/FakeTextRecognizer.h"
#include "support/RecordingResolver.h"
#include "support/TempHome.h"

#include <QCoroTask>
#include <QFile>
#include <QMutex>

#include <map>

#include <gtest/gtest.h>

using namespace vantry;
using test::makeCandidate;

namespace {

// Scans are 100 x 200; the fake engine answers the whole-image pass of the upright scan
// with `upright` and of the scan turned a quarter (200 x 100) with `turned`. Strips and
// band read nothing.
struct Harness {
    std::vector<OCRLine> upright;
    std::vector<OCRLine> turned;
    std::shared_ptr<test::RecordingResolver> resolver = std::make_shared<test::RecordingResolver>();
    std::shared_ptr<FakeTextRecognizer> engine = std::make_shared<FakeTextRecognizer>();
    std::shared_ptr<QStringList> trace = std::make_shared<QStringList>();
    bool autoFoil = false;
    SeparatorGlyph glyph = SeparatorGlyph::unknown;
    std::shared_ptr<const ArtCardMatching> matcher;
    std::vector<OCRLine> backLines; // what the whole-image pass of a 300 x 400 image reads

    RecognitionOutcome run(ScanFinish finish = ScanFinish::nonfoil, CardRecognizing::BackLoader back = {})
    {
        engine->setScript([up = upright, side = turned, b = backLines](const QImage& img) {
            if (img.size() == QSize(100, 200))
                return up;
            if (img.size() == QSize(200, 100))
                return side;
            if (img.size() == QSize(300, 400))
                return b;
            return std::vector<OCRLine>{};
        });
        VisionCardRecognizer::Options options;
        options.text = engine;
        options.trace = [t = trace](const QString& line) { *t << line; };
        const SeparatorGlyph g = glyph;
        options.glyph = [g](QImage, CPULane) -> QCoro::Task<SeparatorGlyph> { co_return g; };
        const bool on = autoFoil;
        const auto recognizer = std::make_shared<VisionCardRecognizer>(resolver, matcher, [on] { return on; }, options);
        QImage scan(100, 200, image::workingFormat);
        scan.fill(Qt::white);
        return QCoro::waitFor(recognizer->recognize(scan, finish, back));
    }
};

OCRLine line(const char* text, double y) { return {QString::fromUtf8(text), y, 0.02}; }
// A title as the title-bar pass reads it: across the middle of the bar, some 40 % of its height.
OCRLine titleLine(const char* text) { return {QString::fromUtf8(text), 0.5, 0.4}; }

QStringList ids(const std::vector<Candidate>& list)
{
    QStringList out;
    for (const auto& c : list)
        out << c.scryfallId + u'@' + QString::number(c.score);
    return out;
}

class FakeMatcher final : public ArtCardMatching {
public:
    std::vector<ArtCardEntry> list;
    std::vector<Candidate> visual;
    std::shared_ptr<int> calls = std::make_shared<int>(0);

    QCoro::Task<std::vector<Candidate>> match(QImage, ScanFinish, CPULane) const override
    {
        ++*calls;
        co_return visual;
    }
    const std::vector<ArtCardEntry>& entries() const override { return list; }
};

const Candidate kBolt = makeCandidate("bolt", "Lightning Bolt", "neo", "123", 1.0);
const Candidate kGuide = makeCandidate("guide", "Goblin Guide", "neo", "123", 1.0);
const Candidate kGetOut = makeCandidate("out", "Get Out", "neo", "124", 1.0);

} // namespace

TEST(VisionCardRecognizer, TrustedExactPrinting)
{
    Harness h;
    h.upright = {line("Lightning Bolt", 0.93), line("NEO • EN", 0.05), line("0123", 0.07)};
    h.resolver->onSet = [](const QString& set, const QString& number, ScanFinish, const std::optional<QString>&) {
        return set == "NEO" && number == "0123" ? std::vector<Candidate>{kBolt} : std::vector<Candidate>{};
    };
    const auto outcome = h.run();
    EXPECT_EQ(ids(outcome.candidates), QStringList{"bolt@1"});
    EXPECT_EQ(outcome.attribution.setCode, QString("NEO"));
    EXPECT_EQ(*h.resolver->calls, QStringList{"set NEO 0123 nonfoil en"});
    EXPECT_EQ(*h.trace,
              (QStringList{"[recognize] 3 lines · set=NEO collector=0123 lang=en title=Lightning Bolt alts=[] "
                           "finish=nonfoil",
                           "[recognize]   raw: \"Lightning Bolt\"@y0.93h0.02 | \"0123\"@y0.07h0.02 | "
                           "\"NEO • EN\"@y0.05h0.02",
                           "[recognize]   -> resolved exact printing via set+collector"}));
    // Strip and title bar, then (no sign of a strip yet) title line and turned title bar,
    // then the whole card, which shows the strip, and the band.
    EXPECT_EQ(h.engine->calls(), 6);
}

TEST(VisionCardRecognizer, DemotedHitJoinsTheNameSearch)
{
    test::TempHome home;
    struct Case {
        const char* name;
        std::vector<Candidate> names;
        QStringList expected;
    };
    Candidate other = makeCandidate("other", "Lightning Bolt", "m21", "162");
    Candidate guideInNames = kGuide;
    guideInNames.score = 0.3;
    const std::vector<Case> cases{
        {"appended last at 0.6", {other}, {"other@0", "guide@0.6"}},
        // The name result with the read number floats to the front.
        {"listed once with the name score", {other, guideInNames}, {"guide@0.3", "other@0"}},
        {"alone when the search finds nothing", {}, {"guide@0.6"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        h.upright = {line("Lightning Bolt", 0.93), line("NEO • EN", 0.05), line("0123", 0.07)};
        h.resolver->onSet = [](const QString& set, auto&&...) {
            return set == "NEO" ? std::vector<Candidate>{kGuide} : std::vector<Candidate>{};
        };
        h.resolver->onSearch = [names = c.names](auto&&...) { return names; };
        const auto outcome = h.run();
        EXPECT_EQ(ids(outcome.candidates), c.expected);
        EXPECT_EQ(*h.resolver->calls, (QStringList{"set NEO 0123 nonfoil en", "set TNEO 0123 nonfoil en",
                                                   "search Lightning Bolt nonfoil"}));
        EXPECT_EQ(h.trace->at(2), "[recognize]   set+collector -> \"Goblin Guide\" but titles were "
                                  "[\"Lightning Bolt\"] \u2014 demoting to review");
        EXPECT_EQ(h.trace->size(), 3);
    }
}

TEST(VisionCardRecognizer, CollectorPinnedNameSearchIsLogged)
{
    test::TempHome home;
    Harness h;
    h.upright = {line("Lightning Bolt", 0.93), line("0123", 0.07)}; // no set line: no exact lookup
    h.resolver->onSearch = [](auto&&...) {
        return std::vector<Candidate>{makeCandidate("a", "Lightning Bolt", "m21", "162"),
                                      makeCandidate("b", "Lightning Bolt", "neo", "123")};
    };
    const auto outcome = h.run();
    EXPECT_EQ(ids(outcome.candidates), (QStringList{"b@0.95", "a@0"}));
    EXPECT_EQ(h.trace->last(), "[recognize]   -> 2 name candidates for \"Lightning Bolt\" (review)");
    CaptureLog::flush();
    QFile log(CaptureLog::filePath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("recognize collector-pinned neo 123 'Lightning Bolt'"));
}

TEST(VisionCardRecognizer, SetWithoutNumberIsReadSidewaysFirst)
{
    Harness h;
    h.upright = {line("Goblin Guide", 0.93), line("NEO • EN", 0.05)};
    h.turned = {line("Lightning Bolt", 0.9), line("NEO • EN", 0.05), line("0123", 0.07)};
    h.resolver->onSet = [](const QString& set, const QString& number, auto&&...) {
        return set == "NEO" && number == "0123" ? std::vector<Candidate>{kBolt} : std::vector<Candidate>{};
    };
    const auto outcome = h.run();
    EXPECT_EQ(ids(outcome.candidates), QStringList{"bolt@1"});
    EXPECT_EQ(outcome.attribution.title, QString("Lightning Bolt")); // the rotated read's attribution
    EXPECT_EQ(*h.resolver->calls, QStringList{"set NEO 0123 nonfoil en"});
    EXPECT_EQ(h.trace->last(),
              "[recognize]   -> resolved exact printing via sideways re-read (Battle / landscape card)");
    // Strip, title bar, title line, turned title bar, whole card (which shows the set), band,
    // the corner once more, and the four passes turned.
    EXPECT_EQ(h.engine->calls(), 11);
}

// A card printed without a strip: its title finds it by name, so it is not read sideways
// (four more passes). Here the strip and title bars read nothing, so the whole card is read
// for a title; a title that names nothing does not lead to the sideways read either, when
// the turned title bar names nothing.
TEST(VisionCardRecognizer, CardWithoutStripNamedByItsTitleIsNotReadSideways)
{
    for (const bool named : {true, false}) {
        SCOPED_TRACE(named);
        Harness h;
        h.upright = {line("Goblin Guide", 0.93), line("Haste", 0.4)};
        h.resolver->onSearch = [named](auto&&...) {
            return std::vector<Candidate>{named ? kGuide : kBolt};
        };
        const auto outcome = h.run();
        EXPECT_EQ(ids(outcome.candidates), QStringList{named ? "guide@1" : "bolt@1"});
        EXPECT_EQ(*h.resolver->calls, QStringList{"search Goblin Guide nonfoil"});
        // Strip, title bar, title line, turned title bar, whole card.
        EXPECT_EQ(h.engine->calls(), 5);
    }
}

// The name hits of a card without a strip come in the order of how alike their letters are to
// the title's, then of how much of each name the title reads; hits alike in both keep the
// search's order.
TEST(VisionCardRecognizer, NameHitsOfACardWithoutStripGoByTheShareOfTheNameRead)
{
    const Candidate terror = makeCandidate("terror", "Terror", "lea", "130");
    const Candidate reprint = makeCandidate("reprint", "Terror", "2ed", "136");
    const Candidate eater = makeCandidate("eater", "Valgavoth, Terror Eater", "dsk", "120");
    const Candidate give = makeCandidate("give", "Give In to Violence", "dsk", "101");
    const Candidate elves = makeCandidate("elves", "Llanowar Elves", "lea", "210");
    const Candidate air = makeCandidate("air", "Wall of Air", "lea", "89");
    const Candidate water = makeCandidate("water", "Wall of Water", "lea", "90");
    struct Case {
        const char* read;
        std::vector<Candidate> found;
        QStringList order;
    };
    const std::vector<Case> cases{
        {"Tfrror", {eater, terror}, {"terror@0", "eater@0"}},
        {"Llanowar Glve", {give, elves}, {"elves@0", "give@0"}},
        {"Tfrror", {reprint, eater, terror}, {"reprint@0", "terror@0", "eater@0"}},
        {"Wall Wat", {air, water}, {"water@0", "air@0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.read);
        Harness h;
        h.upright = {line(c.read, 0.93)};
        h.resolver->onSearch = [found = c.found](auto&&...) { return found; };
        EXPECT_EQ(ids(h.run().candidates), c.order);
    }
}

namespace {

// Answers each region of a 100 x 200 scan (and of the scan turned a quarter) with its own
// lines, told apart by the sizes the regions are read at, and records the regions read.
struct RegionEngine {
    std::map<QString, std::vector<OCRLine>> answers;
    // Regions are read on several threads at once.
    std::shared_ptr<QStringList> read = std::make_shared<QStringList>();
    std::shared_ptr<QMutex> readLock = std::make_shared<QMutex>();

    static std::map<QString, QSize> regionSizes()
    {
        QImage scan(100, 200, image::workingFormat);
        scan.fill(Qt::white);
        const QImage turned = rotatedByQuarterTurns(scan, 1);
        const int scale = AttributionStrip::scaleForHeight(scan.height());
        const int turnedScale = AttributionStrip::scaleForHeight(turned.height());
        return {
            {"strip", AttributionStrip::collectorStrip(scan)->size()},
            {"title bar", AttributionStrip::titleBar(scan)->size()},
            {"title line", AttributionStrip::titleLine(scan)->size()},
            {"band", AttributionStrip::upscaledBand(scan, AttributionStrip::interiorTopFraction,
                                                    AttributionStrip::interiorHeightFraction, scale)
                         ->size()},
            {"whole", scan.size()},
            {"turned strip", AttributionStrip::collectorStrip(turned)->size()},
            {"turned title bar", AttributionStrip::titleBar(turned)->size()},
            {"turned band", AttributionStrip::upscaledBand(turned, AttributionStrip::interiorTopFraction,
                                                           AttributionStrip::interiorHeightFraction, turnedScale)
                                ->size()},
            {"turned whole", turned.size()},
            {"corner", AttributionStrip::collectorCorner(scan)->size()},
            {"wide strip", AttributionStrip::wideCollectorStrip(scan)->size()},
        };
    }

    std::shared_ptr<FakeTextRecognizer> engine() const
    {
        const auto sizes = regionSizes();
        return std::make_shared<FakeTextRecognizer>([sizes, answers = answers, read = read,
                                                      readLock = readLock](const QImage& img) {
            QMutexLocker locker(readLock.get());
            for (const auto& [region, size] : sizes) {
                if (size != img.size())
                    continue;
                *read << region;
                const auto it = answers.find(region);
                return it == answers.end() ? std::vector<OCRLine>{} : it->second;
            }
            *read << QStringLiteral("unknown");
            return std::vector<OCRLine>{};
        });
    }
};

} // namespace

// A title as a title region's pass reads it: half the region tall.
static OCRLine titled(const char* text) { return {QString::fromUtf8(text), 0.5, 0.5}; }

// Without any sign of a strip after the first read, the title is read again closer (the
// title line), the card turned is read only where a turned card's title bar would be, and
// the whole card only when no title was read at all; the band never.
TEST(VisionCardRecognizer, CardWithoutStripIsReadOnlyWhereItsTitleIs)
{
    ASSERT_EQ(RegionEngine::regionSizes().size(), 11u); // every region has a size of its own
    struct Case {
        const char* name;
        std::map<QString, std::vector<OCRLine>> answers;
        QStringList regions;     // sorted
        QStringList candidates;  // first ones
        std::optional<QString> title;
    };
    const std::vector<Case> cases{
        {"the title bar names the card",
         {{"title bar", {titled("Goblin Guide")}}},
         {"strip", "title bar"},
         {"guide@1"},
         QStringLiteral("Goblin Guide")},
        {"the closer title line names it",
         {{"title bar", {titled("sentences")}}, {"title line", {titled("Goblin Guide")}}},
         {"strip", "title bar", "title line"},
         {"guide@1"},
         QStringLiteral("Goblin Guide")},
        // "Shop" agrees with a name of several words by one of them: the title line is still
        // read, and its title, which reads the whole of a name, replaces it.
        {"the title bar shares one word with a name: the closer title line is read",
         {{"title bar", {titled("Shon")}}, {"title line", {titled("Goblin Guide")}}},
         {"strip", "title bar", "title line"},
         {"guide@1"},
         QStringLiteral("Goblin Guide")},
        {"nothing read names a card: no band, no whole card, no sideways read",
         {{"title bar", {titled("sentences")}}, {"title line", {titled("Bees knees")}}},
         {"strip", "title bar", "title line", "turned title bar"},
         {},
         QStringLiteral("sentences")},
        {"no title anywhere but on the whole card",
         {{"whole", {line("Goblin Guide", 0.93)}}},
         {"strip", "title bar", "title line", "turned title bar", "whole"},
         {"guide@1"},
         QStringLiteral("Goblin Guide")},
        {"the turned title bar names a card: read sideways as before",
         {{"title bar", {titled("sentences")}},
          {"turned title bar", {titled("Lightning Bolt")}},
          {"turned strip", {line("C 0123", 0.7), line("NEO • EN", 0.3)}}},
         {"band", "strip", "title bar", "title line", "turned band", "turned strip", "turned title bar",
          "turned title bar", "turned whole", "whole", "wide strip"},
         {"bolt@1"},
         QStringLiteral("Lightning Bolt")},
        // Noise read sideways agrees with a one-word name by a letter.
        {"the turned title bar agrees with a one-word name only: not read sideways",
         {{"title bar", {titled("sentences")}}, {"turned title bar", {titled("Shook")}}},
         {"strip", "title bar", "title line", "turned title bar"},
         {},
         QStringLiteral("sentences")},
        {"the whole card shows a strip after all: band, corner and sideways read as before",
         {{"whole", {line("Goblin Guide", 0.93), line("NEO • EN", 0.05)}},
          {"turned whole", {line("Lightning Bolt", 0.9), line("NEO • EN", 0.05), line("0123", 0.07)}}},
         {"band", "corner", "strip", "title bar", "title line", "turned band", "turned strip", "turned title bar",
          "turned title bar", "turned whole", "whole"},
         {"bolt@1"},
         QStringLiteral("Lightning Bolt")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RegionEngine regions;
        regions.answers = c.answers;
        auto resolver = std::make_shared<test::RecordingResolver>();
        resolver->onSet = [](const QString& set, const QString& number, auto&&...) {
            return set == "NEO" && number == "0123" ? std::vector<Candidate>{kBolt} : std::vector<Candidate>{};
        };
        resolver->onSearch = [](const QString& text, ScanFinish) {
            if (text.contains("Goblin"))
                return std::vector<Candidate>{kGuide};
            if (text.contains("Lightning"))
                return std::vector<Candidate>{kBolt};
            if (text.contains("Shon"))
                return std::vector<Candidate>{
                    makeCandidate("shop", "Dollmaker's Shop // Porcelain Gallery", "dsk", "1")};
            if (text.contains("Shook"))
                return std::vector<Candidate>{makeCandidate("shock", "Shock", "m21", "159")};
            return std::vector<Candidate>{};
        };
        VisionCardRecognizer::Options options;
        options.text = regions.engine();
        options.trace = [](const QString&) {};
        const VisionCardRecognizer recognizer(resolver, nullptr, [] { return false; }, options);
        QImage scan(100, 200, image::workingFormat);
        scan.fill(Qt::white);
        const auto outcome = QCoro::waitFor(recognizer.recognize(scan, ScanFinish::nonfoil));
        QStringList read = *regions.read;
        read.sort();
        EXPECT_EQ(read, c.regions);
        EXPECT_EQ(ids(outcome.candidates).mid(0, c.candidates.size()), c.candidates);
        if (c.candidates.isEmpty())
            EXPECT_TRUE(outcome.candidates.empty());
        EXPECT_EQ(outcome.attribution.title, c.title);
        EXPECT_FALSE(outcome.attribution.collectorNumber && c.candidates != QStringList{"bolt@1"});
    }
}

// The first read (collector strip and title bar) settles a card on its own when it can:
// a complete strip whose title confirms the printing, or no strip at all and a title that
// names cards. A complete strip is checked once more against the top of the card and, for
// titles standing elsewhere, the title bar of the card turned (rooms and split cards print
// theirs along the left edge); then it goes to review without further passes. Otherwise the
// whole card and the band are read too.
TEST(VisionCardRecognizer, FirstReadSettlesWhatItCan)
{
    struct Case {
        const char* name;
        std::vector<OCRLine> strip, title; // as the strip and title-bar passes read them
        std::vector<Candidate> found;      // what a name search finds
        int passes;
        QStringList expected;
        std::vector<OCRLine> corner = {}; // as the collector corner's own pass reads it
        std::vector<OCRLine> wideStrip = {}; // as the wide strip pass reads it
        std::vector<OCRLine> area = {};      // as the top of the card reads
        std::vector<OCRLine> turnedTitle = {}; // as the title bar of the card turned reads
    };
    const std::vector<Case> cases{
        {"strip confirmed by its title", {line("C 0123", 0.7), line("NEO • EN", 0.3)}, {titleLine("Lightning Bolt")},
         {}, 2, {"bolt@1"}},
        {"title disagrees with the strip", {line("C 0123", 0.7), line("NEO • EN", 0.3)}, {titleLine("Goblin Guide")},
         {}, 4, {"bolt@0.6"}},
        {"the top of the card confirms what the title bar missed", {line("C 0123", 0.7), line("NEO • EN", 0.3)},
         {titleLine("dee")}, {}, 3, {"bolt@1"}, {}, {}, {titled("Lightning Bolt")}},
        {"nor does the top of the card confirm it", {line("C 0123", 0.7), line("NEO • EN", 0.3)},
         {titleLine("dee")}, {}, 4, {"bolt@0.6"}, {}, {}, {titled("Goblin Guide")}},
        {"a title read turned confirms it", {line("C 0123", 0.7), line("NEO • EN", 0.3)}, {titleLine("dee")}, {},
         4, {"bolt@1"}, {}, {}, {}, {titled("Lightning Bolt")}},
        {"a turned title that disagrees does not", {line("C 0123", 0.7), line("NEO • EN", 0.3)},
         {titleLine("dee")}, {}, 4, {"bolt@0.6"}, {}, {}, {}, {titled("Lightning Helix")}},
        // A name of short words is confirmed by a title holding its words, and only by one.
        {"a turned title of short words confirms a name of short words", {line("C 0124", 0.7), line("NEO • EN", 0.3)},
         {titleLine("dee")}, {}, 4, {"out@1"}, {}, {}, {}, {titled(". Get Out")}},
        {"a title bar of short words confirms it at once", {line("C 0124", 0.7), line("NEO • EN", 0.3)},
         {titleLine("Get Out")}, {}, 2, {"out@1"}},
        {"a misread name of short words does not", {line("C 0124", 0.7), line("NEO • EN", 0.3)},
         {titleLine("dee")}, {}, 4, {"out@0.6"}, {}, {}, {}, {titled("Got Oat")}},
        {"no strip, the title names the card", {}, {titleLine("Goblin Guide")}, {kGuide}, 2, {"guide@1"}},
        // A language is a sign of a strip the first read missed: its corner and the wide strip are read too.
        {"a language without set or number", {line("• EN", 0.3)}, {titleLine("Goblin Guide")}, {kGuide}, 6,
         {"guide@1"}},
        // Artwork read as a dash and two letters no strip prints is no sign of a strip.
        {"two letters after a dash that are no language", {line("~ SE", 0.3)}, {titleLine("Goblin Guide")},
         {kGuide}, 2, {"guide@1"}},
        // The strip pass missed the number above the set line; the corner's own read finds it.
        {"number read from the corner", {line("NEO • EN", 0.3)}, {titleLine("Lightning Bolt")}, {}, 3, {"bolt@1"},
         {line("C 0123", 0.6), line("NEO • EN", 0.2)}},
        {"number read nowhere", {line("R 0og95s", 0.7), line("NEO • EN", 0.3)}, {titleLine("Lightning Bolt")},
         {kBolt}, 10, {"bolt@1"}, {line("NEO • EN", 0.2)}}, // the corner once, then sideways
        // The tight strip misses the number and so does the corner: the wide strip reads it.
        {"number only in the wide strip", {line("NEO • EN", 0.3)}, {titleLine("Lightning Bolt")}, {}, 6,
         {"bolt@1"}, {}, {line("C 0123", 0.5), line("NEO • EN", 0.2)}},
        {"set line only in the wide strip", {line("C 0123", 0.7)}, {titleLine("Lightning Bolt")}, {}, 5, {"bolt@1"},
         {}, {line("C 0123", 0.5), line("NEO • EN", 0.2)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A 100 x 200 scan: the strip pass reads 165 x 51, the title bar 200 x 38, the
        // collector corner 240 x 80, the wide strip 300 x 90, the top of the card 100 x 32, the
        // title bar of the card turned 400 x 20.
        auto engine = std::make_shared<FakeTextRecognizer>([&c](const QImage& img) {
            if (img.size() == QSize(165, 51))
                return c.strip;
            if (img.size() == QSize(300, 90))
                return c.wideStrip;
            if (img.size() == QSize(200, 38))
                return c.title;
            if (img.size() == QSize(240, 80))
                return c.corner;
            if (img.size() == QSize(100, 32))
                return c.area;
            if (img.size() == QSize(400, 20))
                return c.turnedTitle;
            return std::vector<OCRLine>{};
        });
        auto resolver = std::make_shared<test::RecordingResolver>();
        resolver->onSet = [](const QString& set, const QString& number, auto&&...) {
            if (set == "NEO" && number == "0124")
                return std::vector<Candidate>{kGetOut};
            return set == "NEO" && number == "0123" ? std::vector<Candidate>{kBolt} : std::vector<Candidate>{};
        };
        resolver->onSearch = [found = c.found](auto&&...) { return found; };
        VisionCardRecognizer::Options options;
        options.text = engine;
        options.trace = [](const QString&) {};
        const VisionCardRecognizer recognizer(resolver, nullptr, [] { return false; }, options);
        QImage scan(100, 200, image::workingFormat);
        scan.fill(Qt::white);
        const auto outcome = QCoro::waitFor(recognizer.recognize(scan, ScanFinish::nonfoil));
        EXPECT_EQ(engine->calls(), c.passes);
        ASSERT_FALSE(outcome.candidates.empty());
        EXPECT_EQ(ids(outcome.candidates).first(), c.expected.first());
        // A turned title that confirmed the printing is the card's title, as validation checks it.
        if (!c.turnedTitle.empty())
            EXPECT_EQ(validatedDisposition(outcome.candidates, outcome.attribution).disposition ==
                          Disposition::autoConfirm,
                      c.expected.first().endsWith("@1"));
        // A lookup is asked once, whichever read made it.
        const QString lookup = "set NEO " + outcome.attribution.collectorNumber.value_or("") + " nonfoil en";
        EXPECT_EQ(resolver->calls->count(lookup), outcome.attribution.collectorNumber ? 1 : 0);
    }
}

TEST(VisionCardRecognizer, NothingReadEndsInNothingParsed)
{
    Harness h;
    const auto outcome = h.run();
    EXPECT_TRUE(outcome.candidates.empty());
    EXPECT_EQ(outcome.attribution, CardAttribution{});
    EXPECT_TRUE(h.resolver->calls->isEmpty());
    EXPECT_EQ(h.trace->first(), "[recognize] 0 lines · set=nil collector=nil lang=nil title=nil alts=[] finish=nonfoil");
    EXPECT_EQ(h.trace->last(), "[recognize]   -> nothing parsed");

    // A title that finds nothing, with an art matcher that finds nothing either.
    Harness named;
    named.upright = {line("Goblin Guide", 0.9)};
    named.turned = {line("Goblin Guide", 0.9)};
    auto matcher = std::make_shared<FakeMatcher>();
    named.matcher = matcher;
    named.run();
    EXPECT_EQ(named.trace->mid(2), (QStringList{"[recognize]   name search for \"Goblin Guide\" found nothing",
                                                "[recognize]   -> nothing parsed"}));
    EXPECT_EQ(*matcher->calls, 1);
}

TEST(VisionCardRecognizer, FinishChoice)
{
    struct Case {
        const char* name;
        bool autoFoil;
        SeparatorGlyph glyph;
        const char* number;
        ScanFinish expected;
        QString note;
    };
    const std::vector<Case> cases{
        {"dot beats the star mark", true, SeparatorGlyph::dot, "45★", ScanFinish::nonfoil, " (shape ★/•)"},
        {"star glyph", true, SeparatorGlyph::star, "45", ScanFinish::foil, " (shape ★/•)"},
        {"unknown glyph, star mark", true, SeparatorGlyph::unknown, "45★", ScanFinish::foil, " (★ ocr)"},
        {"unknown glyph, no mark", true, SeparatorGlyph::unknown, "45", ScanFinish::etched, ""},
        {"detection off", false, SeparatorGlyph::star, "45★", ScanFinish::etched, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        h.autoFoil = c.autoFoil;
        h.glyph = c.glyph;
        h.upright = {line("NEO • EN", 0.05), line(c.number, 0.07)};
        h.run(ScanFinish::etched);
        EXPECT_TRUE(h.trace->first().endsWith("finish=" + rawValue(c.expected) + c.note)) << h.trace->first().toStdString();
        ASSERT_FALSE(h.resolver->calls->isEmpty());
        EXPECT_TRUE(h.resolver->calls->first().contains(" " + rawValue(c.expected) + " "));
    }
}

TEST(VisionCardRecognizer, ArtSeriesPaths)
{
    // No matcher: straight to the name search, art-typed hits first.
    {
        Harness h;
        h.upright = {line("Goblin Guide", 0.9), line("ART SERIES 3/54", 0.1)};
        h.resolver->onSearch = [](const QString& text, ScanFinish) {
            return text.endsWith("is:artseries") ? std::vector<Candidate>{makeCandidate("art", "Goblin Guide", "aneo", "3")}
                                                 : std::vector<Candidate>{kGuide};
        };
        const auto outcome = h.run();
        EXPECT_EQ(ids(outcome.candidates), (QStringList{"art@0", "guide@1"}));
        EXPECT_EQ(*h.resolver->calls, (QStringList{"search Goblin Guide nonfoil", "search Goblin Guide is:artseries nonfoil"}));
        EXPECT_EQ(h.trace->last(), "[recognize]   -> 2 name candidates for \"Goblin Guide\" (art-biased) (review)");
        EXPECT_TRUE(h.trace->first().endsWith(" ART-SERIES"));
    }
    // With a matcher and the marker already in the upright read: no rotated reads, and an
    // exact back resolution needs neither the back nor the matcher.
    {
        Harness h;
        h.upright = {line("Goblin Guide", 0.9), line("ART SERIES 3/54", 0.1)};
        auto matcher = std::make_shared<FakeMatcher>();
        matcher->list = {{"art3", "Goblin Guide", "aneo", "3", {}}, {"art4", "Lightning Bolt", "aneo", "4", {}}};
        h.matcher = matcher;
        int backLoads = 0;
        const auto outcome = h.run(ScanFinish::nonfoil, [&]() -> QCoro::Task<std::optional<QImage>> {
            ++backLoads;
            co_return std::nullopt;
        });
        EXPECT_EQ(ids(outcome.candidates), QStringList{"art3@1"});
        // Strip, title bar, title line, turned title bar, whole card (the marker) and band.
        EXPECT_EQ(h.engine->calls(), 6);
        EXPECT_EQ(backLoads, 0);
        EXPECT_EQ(*matcher->calls, 0);
        EXPECT_EQ(h.trace->last(), "[recognize]   -> 1 art-series candidates from text side (exact, auto)");
    }
    // A plain card with no name hits: its back is read as an Art Series text side.
    for (bool backHasMarker : {true, false}) {
        SCOPED_TRACE(backHasMarker);
        Harness h;
        h.upright = {line("Goblin Guide", 0.9)};
        if (backHasMarker)
            h.backLines = {line("Goblin Guide", 0.9), line("ART SERIES 3/54", 0.1)};
        auto matcher = std::make_shared<FakeMatcher>();
        matcher->list = {{"art3", "Goblin Guide", "aneo", "3", {}}};
        matcher->visual = {makeCandidate("vis", "Goblin Guide", "aneo", "3", 0.5)};
        h.matcher = matcher;
        int backLoads = 0;
        const auto outcome = h.run(ScanFinish::foil, [&]() -> QCoro::Task<std::optional<QImage>> {
            ++backLoads;
            QImage back(300, 400, image::workingFormat);
            back.fill(Qt::white);
            co_return back;
        });
        EXPECT_EQ(backLoads, 1);
        if (backHasMarker) {
            EXPECT_EQ(ids(outcome.candidates), QStringList{"art3@1"});
            EXPECT_EQ(outcome.candidates.front().finish, ScanFinish::foil);
            EXPECT_EQ(*matcher->calls, 0);
            EXPECT_EQ(h.trace->last(), "[recognize]   -> art card resolved exactly from its back (auto)");
        } else {
            // No marker on the back (read upright and upside down): the front is matched visually.
            EXPECT_EQ(ids(outcome.candidates), QStringList{"vis@0.5"});
            EXPECT_EQ(*matcher->calls, 1);
            EXPECT_EQ(h.trace->last(), "[recognize]   -> 1 art-card candidates (visual) (review)");
        }
    }
}

TEST(VisionCardRecognizer, SingleNamesAreQuotedAsTheyAre)
{
    // A card name or a read title may hold double quotes of its own: the single name in a
    // trace line is written as it is between its quotes; only the bracketed list escapes.
    const Candidate kongming = makeCandidate("kong", "Kongming, \"Sleeping Dragon\"", "neo", "123", 1.0);
    {
        Harness h;
        h.upright = {line("Goblin \"Guide\"", 0.93), line("NEO • EN", 0.05), line("0123", 0.07)};
        h.resolver->onSet = [&](const QString& set, auto&&...) {
            return set == "NEO" ? std::vector<Candidate>{kongming} : std::vector<Candidate>{};
        };
        h.run();
        EXPECT_EQ(h.trace->at(2), "[recognize]   set+collector -> \"Kongming, \"Sleeping Dragon\"\" but titles were "
                                  "[\"Goblin \\\"Guide\\\"\"] \u2014 demoting to review");
    }
    for (bool found : {true, false}) {
        SCOPED_TRACE(found);
        Harness h;
        h.upright = {line("Kongming, \"Sleeping Dragon\"", 0.9)};
        h.resolver->onSearch = [&](auto&&...) {
            return found ? std::vector<Candidate>{kongming} : std::vector<Candidate>{};
        };
        h.run();
        EXPECT_EQ(h.trace->last(), found ? "[recognize]   -> 1 name candidates for \"Kongming, \"Sleeping Dragon\"\" (review)"
                                         : "[recognize]   -> nothing parsed");
        if (!found)
            EXPECT_EQ(h.trace->at(h.trace->size() - 2),
                      "[recognize]   name search for \"Kongming, \"Sleeping Dragon\"\" found nothing");
    }
}
