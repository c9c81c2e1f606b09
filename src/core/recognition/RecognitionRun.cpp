#include "core/recognition/RecognitionRun.h"

#include "core/reading/AttributionStrip.h"
#include "core/reading/CollectorMatching.h"
#include "core/reading/CollectorStripParser.h"
#include "core/reading/TextPasses.h"
#include "core/support/CaptureLog.h"
#include "core/support/ImageCopy.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace vantry {

namespace {

using TitleCrop = TextPasses::TitleCrop;

// A single name between double quotes, as it is.
QString inQuotes(const QString& text) { return u'"' + text + u'"'; }

bool singleExact(const std::optional<ArtCardBackResolution>& r) { return r && r->exact.size() == 1; }

// A title with words that can be compared with a name.
bool readable(const std::optional<QString>& title)
{
    return title && !title->isEmpty() && titleCandidatesHaveComparableWords({*title});
}

bool namesACard(const std::vector<Candidate>& found, const QStringList& read)
{
    return std::any_of(found.begin(), found.end(),
                       [&](const Candidate& c) { return titlesAgreeAcrossCandidates(read, c.name); });
}

// A title that reads most of a found name: a short misread ("Shon") agrees with names it
// only shares a word with ("Dollmaker's Shop").
bool readsMostOfACard(const std::vector<Candidate>& found, const QStringList& read)
{
    return std::any_of(found.begin(), found.end(), [&](const Candidate& c) { return titlesCoverName(read, c.name); });
}

// The largest share of one found name's words that a title reads: "Craw Wettm" reads half of
// "Craw Wurm", a misread that only shares "meet" with a long name reads a quarter of it.
double largestNameShare(const std::vector<Candidate>& found, const QStringList& read)
{
    double largest = 0;
    for (const Candidate& c : found) {
        const QStringList nameWords = significantWords(c.name);
        if (nameWords.isEmpty())
            continue;
        for (const QString& title : read) {
            const QStringList titleWords = significantWords(title);
            const auto words = std::count_if(nameWords.begin(), nameWords.end(), [&](const QString& nw) {
                return std::any_of(titleWords.begin(), titleWords.end(),
                                   [&](const QString& tw) { return titleWordsAgree(tw, nw); });
            });
            largest = std::max(largest, double(words) / double(nameWords.size()));
        }
    }
    return largest;
}

// The letters of a text, lower-case, without spaces or marks.
QString lettersOf(const QString& text)
{
    QString out;
    for (const QChar c : text.toLower())
        if (c.isLetter())
            out += c;
    return out;
}

// How alike two texts' letters are: 1 less their edit distance over the longer's length.
double letterLikeness(const QString& a, const QString& b)
{
    const qsizetype n = a.size(), m = b.size();
    if (n == 0 || m == 0)
        return 0;
    std::vector<qsizetype> row(std::size_t(m) + 1);
    for (qsizetype j = 0; j <= m; ++j)
        row[std::size_t(j)] = j;
    for (qsizetype i = 1; i <= n; ++i) {
        qsizetype diagonal = row[0];
        row[0] = i;
        for (qsizetype j = 1; j <= m; ++j) {
            const qsizetype above = row[std::size_t(j)];
            row[std::size_t(j)] = std::min({above + 1, row[std::size_t(j - 1)] + 1,
                                            diagonal + (a.at(i - 1) == b.at(j - 1) ? 0 : 1)});
            diagonal = above;
        }
    }
    return 1.0 - double(row[std::size_t(m)]) / double(std::max(n, m));
}

// The name hits of a card without a strip, those whose letters are most like the title's first
// ("Terror" before "Valgavoth, Terror Eater" for a read "Tfrror", "Wall of Water" before "Wall
// of Air" for "Wall Wat", though the latter's one long word is read whole), then those the
// title reads more words of; the search's own order otherwise.
std::vector<Candidate> rankedByTitle(std::vector<Candidate> found, const QStringList& read)
{
    struct Ranked {
        double share = 0, likeness = 0;
        Candidate candidate;
    };
    std::vector<Ranked> ranked;
    ranked.reserve(found.size());
    for (Candidate& c : found) {
        Ranked r{largestNameShare({c}, read), 0, {}};
        const QString name = lettersOf(c.name);
        for (const QString& title : read)
            r.likeness = std::max(r.likeness, letterLikeness(lettersOf(title), name));
        r.candidate = std::move(c);
        ranked.push_back(std::move(r));
    }
    std::stable_sort(ranked.begin(), ranked.end(), [](const Ranked& a, const Ranked& b) {
        return a.likeness != b.likeness ? a.likeness > b.likeness : a.share > b.share;
    });
    found.clear();
    for (Ranked& r : ranked)
        found.push_back(std::move(r.candidate));
    return found;
}

// The scan turned by some quarter turns, read in four passes and parsed.
QCoro::Task<CardAttribution> readTurned(TextPasses::TextEngine text, QImage image, int turns, CPULane lane)
{
    if (turns != 0) {
        std::function<QImage()> rotate = [image, turns] { return rotatedByQuarterTurns(image, turns); };
        auto rotating = CPUWork::run(std::move(rotate), lane);
        image = co_await std::move(rotating);
    }
    auto reading = TextPasses::recognizeAttributionLines(text, image, lane);
    const auto lines = co_await std::move(reading);
    co_return parseAttribution(lines);
}

using LookupsMade =
    std::map<std::tuple<QString, QString, ScanFinish, std::optional<QString>>, std::vector<Candidate>>;

// The resolver's answer, asked once per scan.
QCoro::Task<std::vector<Candidate>> rememberedLookup(std::shared_ptr<const CardResolving> resolver,
                                                     std::shared_ptr<LookupsMade> asked, QString set, QString number,
                                                     ScanFinish finish, std::optional<QString> language)
{
    const auto key = std::make_tuple(set, number, finish, language);
    if (const auto it = asked->find(key); it != asked->end()) {
        // A copy: QCoro moves from a non-const lvalue given to co_return, which would empty
        // the memo for the next lookup.
        std::vector<Candidate> hits = it->second;
        co_return hits;
    }
    auto resolving = resolver->resolveSetCollector(set, number, finish, language);
    std::vector<Candidate> hits = co_await std::move(resolving);
    asked->emplace(key, hits);
    co_return hits;
}

} // namespace

RecognitionRun::RecognitionRun(std::shared_ptr<const CardResolving> resolver,
                               std::shared_ptr<const ArtCardMatching> matcher, std::function<bool()> autoFoilDetect,
                               VisionCardRecognizer::Options options, QImage image, ScanFinish finish,
                               CardRecognizing::BackLoader back, CPULane lane)
    : resolver_(std::move(resolver)), matcher_(std::move(matcher)), autoFoilDetect_(std::move(autoFoilDetect)),
      options_(std::move(options)), image_(std::move(image)), finish_(finish), back_(std::move(back)), lane_(lane),
      chosen_(finish)
{
    // A lookup made for the first read is not sent again for the full one.
    lookup_ = [resolver = resolver_, asked = std::make_shared<LookupsMade>()](
                  QString set, QString number, ScanFinish f, std::optional<QString> language) {
        return rememberedLookup(resolver, asked, set, number, f, language);
    };
}

// A language code strips print; other letters after a dash are artwork read as text.
bool RecognitionRun::stripLanguage() const
{
    return attribution_.language && isPrintedLanguage(*attribution_.language);
}

bool RecognitionRun::completeStrip() const
{
    return attribution_.setCode && attribution_.collectorNumber && attribution_.collectorNumberIsComplete;
}

bool RecognitionRun::stripless() const
{
    return !attribution_.isArtSeries && !attribution_.collectorNumber && !attribution_.setCode && attribution_.title &&
           !attribution_.title->isEmpty() && titleCandidatesHaveComparableWords(titles_);
}

std::optional<QString> RecognitionRun::title() const
{
    return attribution_.title && !attribution_.title->isEmpty() ? attribution_.title : std::nullopt;
}

QCoro::Task<void> RecognitionRun::firstRead()
{
    auto firstReading = TextPasses::recognizeFirstLines(options_.text, image_, lane_);
    lines_ = co_await std::move(firstReading);
    attribution_ = parseAttribution(lines_);
    auto retrying = readCornerWhenIncomplete();
    co_await std::move(retrying);
}

// A set line read without a complete number: the number's corner once more, on its own.
QCoro::Task<void> RecognitionRun::readCornerWhenIncomplete()
{
    if (cornerRead_ || attribution_.isArtSeries || attribution_.collectorNumberIsComplete ||
        (!attribution_.setCode && !stripLanguage()))
        co_return;
    cornerRead_ = true;
    auto cornerReading = TextPasses::recognizeCollectorCorner(options_.text, image_, lane_);
    const std::vector<OCRLine> corner = co_await std::move(cornerReading);
    lines_.insert(lines_.end(), corner.begin(), corner.end());
    attribution_ = parseAttribution(lines_);
}

QCoro::Task<void> RecognitionRun::readFinish()
{
    detectFinish_ = autoFoilDetect_();
    if (detectFinish_ && options_.glyph) {
        auto locating = options_.glyph(image_, lane_);
        glyph_ = co_await std::move(locating);
    }
    chooseFinish();
    titles_ = titleCandidates(attribution_);
}

void RecognitionRun::chooseFinish()
{
    chosen_ = finish_;
    finishNote_.clear();
    if (!detectFinish_)
        return;
    if (glyph_ != SeparatorGlyph::unknown) {
        chosen_ = glyph_ == SeparatorGlyph::star ? ScanFinish::foil : ScanFinish::nonfoil;
        finishNote_ = QStringLiteral(" (shape \u2605/\u2022)");
    } else if (auto marked = finishFromCollector(attribution_.collectorNumber)) {
        chosen_ = *marked;
        finishNote_ = QStringLiteral(" (\u2605 ocr)");
    }
}

QCoro::Task<RecognitionRun::Settled> RecognitionRun::confirmStrip()
{
    const auto trusted = [this](const AttributionResolution& r) {
        traceReading();
        options_.trace(QStringLiteral("[recognize]   -> resolved exact printing via set+collector"));
        return RecognitionOutcome{r.candidates, attribution_};
    };
    // A complete strip whose title confirms its printing needs no other pass.
    if (completeStrip() && title()) {
        auto resolving = resolveAttribution(attribution_, chosen_, titles_, lookup_);
        const AttributionResolution r = co_await std::move(resolving);
        if (r.kind == AttributionResolution::Kind::trusted)
            co_return trusted(r);
    }
    // A complete strip whose title bar did not confirm it: its title is looked for elsewhere,
    // cheapest read first. The title line found by its print (over artwork, frames of another
    // shape) is one line; the top of the card read as the whole card shows it (white titles
    // over artwork) costs more and confirms less often; rooms and split cards print theirs
    // along the left edge (read turned). When none confirms the printing, it goes to review
    // with the exact printing first, without the whole-card and band passes: they cost several
    // times more and seldom read a title these did not.
    if (attribution_.isArtSeries || !completeStrip())
        co_return std::nullopt;
    auto locatedReading =
        TextPasses::recognizeLocatedTitle(options_.text, image_, AttributionStrip::LineGround::smoothed, lane_);
    const std::vector<OCRLine> locatedLines = co_await std::move(locatedReading);
    auto byLocated = confirmByTitleRead(locatedLines);
    if (auto confirmed = co_await std::move(byLocated))
        co_return trusted(*confirmed);
    auto areaReading = TextPasses::recognizeTitle(options_.text, image_, TitleCrop::area, lane_);
    const std::vector<OCRLine> area = co_await std::move(areaReading);
    lines_.insert(lines_.end(), area.begin(), area.end());
    attribution_ = parseAttribution(lines_);
    chooseFinish();
    titles_ = titleCandidates(attribution_);
    auto resolving = resolveAttribution(attribution_, chosen_, titles_, lookup_);
    const AttributionResolution r = co_await std::move(resolving);
    if (r.kind == AttributionResolution::Kind::trusted)
        co_return trusted(r);
    auto turnedReading = readTurnedTitleLine();
    const std::vector<OCRLine> turnedLines = co_await std::move(turnedReading);
    auto byTurned = confirmByTitleRead(turnedLines);
    if (auto confirmed = co_await std::move(byTurned))
        co_return trusted(*confirmed);
    stripSettled_ = r.kind == AttributionResolution::Kind::demote;
    co_return std::nullopt;
}

// A title read where the title bar does not show it confirms the strip's printing only when
// it agrees with its name, as any title does; it then is the card's title.
QCoro::Task<std::optional<AttributionResolution>> RecognitionRun::confirmByTitleRead(std::vector<OCRLine> lines)
{
    const CardAttribution found = parseAttribution(lines);
    // A title of short words may still read a name of short words ("Get Out").
    if (!found.title || found.title->isEmpty())
        co_return std::nullopt;
    CardAttribution titled = attribution_;
    titled.title = found.title;
    titled.titleAlternatives.clear();
    const QStringList titles = titleCandidates(titled);
    auto resolving = resolveAttribution(titled, chosen_, titles, lookup_);
    const AttributionResolution r = co_await std::move(resolving);
    if (r.kind != AttributionResolution::Kind::trusted)
        co_return std::nullopt;
    attribution_ = titled;
    titles_ = titles;
    co_return r;
}

// The title line of the card turned a quarter clockwise, found by its print (rooms print a
// title along the left edge of each half: two titles on one line once turned, the first of
// which is read); the title bar where no line stands out.
QCoro::Task<std::vector<OCRLine>> RecognitionRun::readTurnedTitleLine() const
{
    std::function<QImage()> rotate = [image = image_] { return rotatedByQuarterTurns(image, 1); };
    auto rotating = CPUWork::run(std::move(rotate), lane_);
    const QImage turned = co_await std::move(rotating);
    auto locating =
        TextPasses::recognizeLocatedTitle(options_.text, turned, AttributionStrip::LineGround::smoothed, lane_);
    std::vector<OCRLine> lines = co_await std::move(locating);
    if (lines.empty()) {
        auto reading = TextPasses::recognizeTitle(options_.text, turned, TitleCrop::bar, lane_);
        lines = co_await std::move(reading);
    }
    co_return lines;
}

// A card without any strip whose readable title names catalogue cards stands upright: reading
// it again sideways (four more passes) would find nothing. Its name search is made here and
// used in step 10. When the first read shows no sign of a strip (no set, number or language)
// and its title already names cards, the other passes are skipped as well.
QCoro::Task<void> RecognitionRun::cardWithoutStrip()
{
    if (stripless() && !stripLanguage()) {
        auto searching = nameCandidates(*attribution_.title, attribution_, chosen_);
        earlyNames_ = co_await std::move(searching);
        searchedTitle_ = attribution_.title;
        namedUpright_ = namesACard(*earlyNames_, titles_);
        namedWhole_ = readsMostOfACard(*earlyNames_, titles_);
        nameShare_ = largestNameShare(*earlyNames_, titles_);
    }
    // No sign of a strip at all: older frames print none. Their title is read again closer;
    // the card is read turned only when its turned title line names a card (a landscape card
    // lying on its side), and the whole card only when no title could be read.
    readRemaining_ = !namedUpright_ && !stripSettled_;
    const bool noStripSign = !attribution_.isArtSeries && !attribution_.setCode && !attribution_.collectorNumber &&
                             !stripLanguage();
    if (!noStripSign || namedWhole_)
        co_return;
    auto closerReading = readTitleLineCloser();
    co_await std::move(closerReading);
    if (!namedUpright_) {
        auto turning = turnedTitleNamesACard();
        const bool turnedNamed = co_await std::move(turning);
        readSideways_ = turnedNamed;
        readBand_ = turnedNamed;
        readRemaining_ = turnedNamed || !readable(attribution_.title);
    }
    readRemaining_ = readRemaining_ && !namedUpright_;
}

// The title line read closer, in three reads until one names a card: found by its print and
// cut from its whiteness (light serif print on a coloured, textured frame), then the same cut
// in luma split at its threshold (light print on a dark frame), then the fixed title line of
// older frames.
QCoro::Task<void> RecognitionRun::readTitleLineCloser()
{
    using Ground = AttributionStrip::LineGround;
    for (int read = 0; read < 3 && !namedWhole_; ++read) {
        const Ground ground = read == 0 ? Ground::whiteness : Ground::binarised;
        auto reading = read < 2 ? TextPasses::recognizeLocatedTitle(options_.text, image_, ground, lane_)
                                : TextPasses::recognizeTitle(options_.text, image_, TitleCrop::line, lane_);
        const std::vector<OCRLine> closerLines = co_await std::move(reading);
        auto taking = takeCloserTitle(closerLines);
        co_await std::move(taking);
    }
}

// A closer read's title replaces the first read's when it reads most of a found name, names a
// card where the first read's named none, reads a larger share of a found name, or the first
// read's says nothing. Either way the card goes to review: a name search never confirms.
QCoro::Task<void> RecognitionRun::takeCloserTitle(std::vector<OCRLine> closerLines)
{
    const CardAttribution closer = parseAttribution(closerLines);
    if (!readable(closer.title) || closer.title == searchedTitle_)
        co_return;
    auto searching = nameCandidates(*closer.title, closer, chosen_);
    std::vector<Candidate> found = co_await std::move(searching);
    const QStringList closerTitles = titleCandidates(closer);
    const bool named = namesACard(found, closerTitles);
    const bool whole = readsMostOfACard(found, closerTitles);
    const double share = largestNameShare(found, closerTitles);
    if (!whole && !(named && !namedUpright_) && share <= nameShare_ && readable(attribution_.title))
        co_return;
    lines_.insert(lines_.end(), closerLines.begin(), closerLines.end());
    attribution_.title = closer.title;
    attribution_.titleAlternatives = closer.titleAlternatives;
    titles_ = titleCandidates(attribution_);
    earlyNames_ = std::move(found);
    searchedTitle_ = closer.title;
    namedUpright_ = named;
    namedWhole_ = whole;
    nameShare_ = share;
}

// Whether the title line of the card turned a quarter names a card.
QCoro::Task<bool> RecognitionRun::turnedTitleNamesACard()
{
    auto turnedReading = readTurnedTitleLine();
    const std::vector<OCRLine> turnedLines = co_await std::move(turnedReading);
    const CardAttribution turnedTitle = parseAttribution(turnedLines);
    if (!readable(turnedTitle.title))
        co_return false;
    auto searching = nameCandidates(*turnedTitle.title, turnedTitle, chosen_);
    const std::vector<Candidate> found = co_await std::move(searching);
    // Text read sideways off an upright card is noise whose words agree with one-word names
    // by a letter: the turned title must read most of a name of several words (as landscape
    // cards have).
    const QStringList turnedTitles = titleCandidates(turnedTitle);
    co_return std::any_of(found.begin(), found.end(), [&](const Candidate& c) {
        return significantWords(c.name).size() >= 2 && titlesCoverName(turnedTitles, c.name);
    });
}

QCoro::Task<void> RecognitionRun::readRemainingPasses()
{
    if (!readRemaining_)
        co_return;
    if (readBand_) {
        // The first read's strip is cut tight: without a set code and a complete number it is
        // read again wider.
        const bool wider =
            !attribution_.setCode || !attribution_.collectorNumber || !attribution_.collectorNumberIsComplete;
        auto remainingReading = TextPasses::recognizeRemainingLines(options_.text, image_, lane_);
        if (wider) {
            auto wideReading = TextPasses::recognizeWideStrip(options_.text, image_, lane_);
            const std::vector<OCRLine> wide = co_await std::move(wideReading);
            lines_.insert(lines_.end(), wide.begin(), wide.end());
        }
        const std::vector<OCRLine> more = co_await std::move(remainingReading);
        lines_.insert(lines_.end(), more.begin(), more.end());
    } else {
        auto wholeReading = TextPasses::recognizeText(options_.text, image_, lane_);
        std::vector<OCRLine> more = co_await std::move(wholeReading);
        const CardAttribution fuller = parseAttribution(more);
        const bool fullerLanguage = fuller.language && isPrintedLanguage(*fuller.language);
        if (fuller.setCode || fuller.collectorNumber || fullerLanguage || fuller.isArtSeries) {
            // A strip (or an Art Series side) after all: the band and the sideways read as
            // for any card.
            auto bandReading = TextPasses::recognizeInteriorBand(options_.text, image_, lane_);
            const std::vector<OCRLine> band = co_await std::move(bandReading);
            more = AttributionStrip::mergedLines(more, {}, {}, band);
            readSideways_ = true;
        }
        lines_.insert(lines_.end(), more.begin(), more.end());
    }
    attribution_ = parseAttribution(lines_);
    auto retrying = readCornerWhenIncomplete();
    co_await std::move(retrying);
    chooseFinish();
    titles_ = titleCandidates(attribution_);
}

void RecognitionRun::traceReading() const
{
    options_.trace(VisionCardRecognizer::summaryLine(lines_.size(), attribution_, chosen_, finishNote_));
    options_.trace(VisionCardRecognizer::rawLine(lines_));
}

QCoro::Task<RecognitionRun::Settled> RecognitionRun::exactPrinting()
{
    auto resolving = resolveAttribution(attribution_, chosen_, titles_, lookup_);
    const AttributionResolution r = co_await std::move(resolving);
    if (r.kind == AttributionResolution::Kind::trusted) {
        options_.trace(QStringLiteral("[recognize]   -> resolved exact printing via set+collector"));
        co_return RecognitionOutcome{r.candidates, attribution_};
    }
    if (r.kind == AttributionResolution::Kind::demote) {
        options_.trace(QStringLiteral("[recognize]   set+collector -> ") + inQuotes(r.demoted->name) +
                       QStringLiteral(" but titles were ") + VisionCardRecognizer::quotedList(titles_) +
                       QStringLiteral(" \u2014 demoting to review"));
        demoted_ = r.demoted;
    }
    co_return std::nullopt;
}

QCoro::Task<void> RecognitionRun::nameStriplessCard()
{
    if (namedUpright_)
        co_return;
    if (!stripless()) {
        earlyNames_.reset();
        co_return;
    }
    // The full read may find another title; the same one is not searched again.
    const std::optional<QString> title = this->title();
    if (!earlyNames_ || searchedTitle_ != title) {
        auto searching = nameCandidates(*title, attribution_, chosen_);
        earlyNames_ = co_await std::move(searching);
    }
    namedUpright_ = namesACard(*earlyNames_, titles_);
}

QCoro::Task<RecognitionRun::Settled> RecognitionRun::sidewaysReread()
{
    const bool setOrNumberMissing = !attribution_.collectorNumber || !attribution_.setCode;
    if (attribution_.isArtSeries || !setOrNumberMissing || namedUpright_ || !readSideways_)
        co_return std::nullopt;
    const AttributionReader readAt = [text = options_.text, image = image_, lane = lane_](int turns) {
        return readTurned(text, image, turns, lane);
    };
    auto sideways = resolveSidewaysAttribution(finish_, autoFoilDetect_(), sidewaysRetryQuarterTurns, readAt, lookup_);
    auto found = co_await std::move(sideways);
    if (!found)
        co_return std::nullopt;
    options_.trace(
        QStringLiteral("[recognize]   -> resolved exact printing via sideways re-read (Battle / landscape card)"));
    co_return RecognitionOutcome{found->candidates, found->attribution};
}

QCoro::Task<RecognitionRun::Settled> RecognitionRun::demotedJoinsNameSearch()
{
    if (!demoted_)
        co_return std::nullopt;
    const std::optional<QString> title = this->title();
    std::vector<Candidate> names;
    if (title) {
        auto searching = nameCandidates(*title, attribution_, chosen_);
        names = co_await std::move(searching);
    }
    Candidate suggestion = *demoted_;
    suggestion.score = 0.6;
    const auto sameAsSuggestion = [&](const Candidate& c) { return c.scryfallId == suggestion.scryfallId; };
    std::vector<Candidate> result = names;
    if (std::none_of(names.begin(), names.end(), sameAsSuggestion)) {
        // The exact printing goes before every name hit that no readable title backs: a title
        // that says nothing finds dozens of unrelated cards. After a complete strip read, a
        // title must read most of a name to go first.
        const bool readable = titleCandidatesHaveComparableWords(titles_);
        const bool completeStrip = attribution_.collectorNumberIsComplete;
        const auto backed = std::stable_partition(result.begin(), result.end(), [&](const Candidate& c) {
            return readable && titlesAgreeAcrossCandidates(titles_, c.name) &&
                   (!completeStrip || titlesCoverName(titles_, c.name));
        });
        result.insert(backed, suggestion);
    }
    co_return RecognitionOutcome{result, attribution_};
}

QCoro::Task<RecognitionRun::Settled> RecognitionRun::artSide()
{
    if (!attribution_.isArtSeries || !matcher_)
        co_return std::nullopt;
    auto sideReading =
        VisionCardRecognizer::resolveArtTextSide(options_.text, image_, lines_, matcher_->backIndex(), lane_);
    const auto side = co_await std::move(sideReading);
    std::vector<Candidate> visual;
    if (!singleExact(side) && back_) {
        auto loading = back_();
        const auto backImage = co_await std::move(loading);
        if (backImage) {
            auto matching = matcher_->match(*backImage, chosen_, lane_);
            visual = co_await std::move(matching);
        }
    }
    const auto merged = ArtCardBack::merge(visual, side, chosen_);
    if (merged.empty())
        co_return std::nullopt;
    options_.trace(QStringLiteral("[recognize]   -> ") + QString::number(merged.size()) +
                   QStringLiteral(" art-series candidates from text side") +
                   (merged.front().score == 1.0 ? QStringLiteral(" (exact, auto)") : QStringLiteral(" (review)")));
    co_return RecognitionOutcome{merged, attribution_};
}

QCoro::Task<RecognitionRun::Settled> RecognitionRun::nameSearch()
{
    const std::optional<QString> title = this->title();
    if (!title)
        co_return std::nullopt;
    std::vector<Candidate> names;
    if (earlyNames_) {
        names = std::move(*earlyNames_);
    } else {
        auto searching = nameCandidates(*title, attribution_, chosen_);
        names = co_await std::move(searching);
    }
    if (stripless())
        names = rankedByTitle(std::move(names), titles_);
    if (names.empty()) {
        options_.trace(QStringLiteral("[recognize]   name search for ") + inQuotes(*title) +
                       QStringLiteral(" found nothing"));
        co_return std::nullopt;
    }
    options_.trace(QStringLiteral("[recognize]   -> ") + QString::number(names.size()) +
                   QStringLiteral(" name candidates for ") + inQuotes(*title) +
                   (attribution_.isToken ? QStringLiteral(" (token-biased)") : QString()) +
                   (attribution_.isArtSeries ? QStringLiteral(" (art-biased)") : QString()) +
                   QStringLiteral(" (review)"));
    co_return RecognitionOutcome{names, attribution_};
}

QCoro::Task<RecognitionRun::Settled> RecognitionRun::visualArtMatch()
{
    if (attribution_.isArtSeries || !matcher_)
        co_return std::nullopt;
    std::optional<ArtCardBackResolution> side;
    if (back_) {
        auto loading = back_();
        const auto backImage = co_await std::move(loading);
        if (backImage) {
            auto sideReading =
                VisionCardRecognizer::resolveArtTextSide(options_.text, *backImage, {}, matcher_->backIndex(), lane_);
            side = co_await std::move(sideReading);
            if (singleExact(side)) {
                const auto merged = ArtCardBack::merge({}, side, chosen_);
                options_.trace(QStringLiteral("[recognize]   -> art card resolved exactly from its back (auto)"));
                co_return RecognitionOutcome{merged, attribution_};
            }
        }
    }
    auto matching = matcher_->match(image_, chosen_, lane_);
    const auto visual = co_await std::move(matching);
    const auto merged = ArtCardBack::merge(visual, side, chosen_);
    if (merged.empty())
        co_return std::nullopt; // step 12: nothing parsed
    options_.trace(QStringLiteral("[recognize]   -> ") + QString::number(merged.size()) +
                   QStringLiteral(" art-card candidates (visual") +
                   (side ? QStringLiteral(" + back text") : QString()) + QStringLiteral(") (review)"));
    co_return RecognitionOutcome{merged, attribution_};
}

RecognitionOutcome RecognitionRun::nothingParsed() const
{
    options_.trace(QStringLiteral("[recognize]   -> nothing parsed"));
    return RecognitionOutcome{{}, attribution_};
}

QCoro::Task<std::vector<Candidate>> RecognitionRun::nameCandidates(QString title, CardAttribution attribution,
                                                                   ScanFinish finish) const
{
    auto plainSearch = resolver_->searchByName(title, finish);
    std::vector<Candidate> plain = co_await std::move(plainSearch);
    if (attribution.isArtSeries || attribution.isToken) {
        const QString typedQuery = attribution.isArtSeries ? artSeriesQuery(title) : tokenTypeQuery(title);
        auto typedSearch = resolver_->searchByName(typedQuery, finish);
        std::vector<Candidate> typed = co_await std::move(typedSearch);
        co_return mergeFirst(typed, plain);
    }
    auto list = floatCollectorMatches(plain, attribution.collectorNumber, attribution.collectorNumberIsPartial);
    list = promoteCollectorPinnedMatch(list, attribution.collectorNumber, title, attribution.collectorNumberIsPartial);
    if (!list.empty() && list.front().score == collectorPinnedScore) {
        const Candidate& pinned = list.front();
        CaptureLog::log(QStringLiteral("recognize collector-pinned ") + pinned.setCode + u' ' +
                        pinned.collectorNumber + QStringLiteral(" '") + pinned.name + u'\'');
    }
    co_return list;
}

} // namespace vantry
