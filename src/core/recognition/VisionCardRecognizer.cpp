#include "core/recognition/VisionCardRecognizer.h"

#include "core/support/CaptureLog.h"
#include "core/reading/CollectorMatching.h"
#include "core/reading/CollectorStripParser.h"
#include "core/support/ImageCopy.h"
#include "core/support/ImageDecode.h"
#include "core/foil/SeparatorLocator.h"
#include "platform/TesseractTextRecognizer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <tuple>

namespace vantry {

namespace {

// Pool tasks are made outside any co_await expression: GCC destroys non-trivial
// temporaries of a co_await full-expression twice.
template <class F>
QCoro::Task<std::vector<OCRLine>> onPool(F work, CPULane lane)
{
    auto task = CPUWork::run(std::move(work), lane);
    auto lines = co_await std::move(task);
    co_return lines;
}

void printToStdout(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

QString orNil(const std::optional<QString>& value) { return value ? *value : QStringLiteral("nil"); }

// A single name between double quotes, as it is.
QString inQuotes(const QString& text) { return u'"' + text + u'"'; }

// A list element, escaped the way a printed string list shows it.
QString quoted(const QString& text)
{
    QString escaped = text;
    escaped.replace(u'\\', QStringLiteral("\\\\"));
    escaped.replace(u'"', QStringLiteral("\\\""));
    return u'"' + escaped + u'"';
}

bool singleExact(const std::optional<ArtCardBackResolution>& r) { return r && r->exact.size() == 1; }

// The scan turned by some quarter turns, read in four passes and parsed.
QCoro::Task<CardAttribution> readTurned(VisionCardRecognizer::TextEngine text, QImage image, int turns, CPULane lane)
{
    if (turns != 0) {
        std::function<QImage()> rotate = [image, turns] { return rotatedByQuarterTurns(image, turns); };
        auto rotating = CPUWork::run(std::move(rotate), lane);
        image = co_await std::move(rotating);
    }
    auto reading = VisionCardRecognizer::recognizeAttributionLines(text, image, lane);
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

VisionCardRecognizer::VisionCardRecognizer(std::shared_ptr<const CardResolving> resolver,
                                           std::shared_ptr<const ArtCardMatching> artMatcher,
                                           std::function<bool()> autoFoilDetect, Options options)
    : resolver_(std::move(resolver)), artMatcher_(std::move(artMatcher)), autoFoilDetect_(std::move(autoFoilDetect)),
      options_(std::move(options))
{
    if (!options_.text)
        options_.text = TesseractTextRecognizer::shared();
    if (!options_.glyph) {
        options_.glyph = [text = options_.text](QImage card, CPULane lane) {
            return SeparatorLocator::glyph(text, std::move(card), lane);
        };
    }
    if (!options_.trace)
        options_.trace = printToStdout;
    if (!autoFoilDetect_)
        autoFoilDetect_ = [] { return false; };
}

std::vector<OCRLine> VisionCardRecognizer::ocrLines(const TextRecognizing& engine, const QImage& image,
                                                    TextPrint print)
{
    try {
        return engine.recognizeLines(image, print);
    } catch (...) {
        // A failed pass contributes no lines.
        return {};
    }
}

QCoro::Task<std::vector<OCRLine>> VisionCardRecognizer::recognizeText(TextEngine engine, QImage image, CPULane lane)
{
    std::function<std::vector<OCRLine>()> work = [engine, image] {
        if (image.height() <= AttributionStrip::wholeCardTextHeight)
            return ocrLines(*engine, image);
        const int height = AttributionStrip::wholeCardTextHeight;
        const int width = std::max(1, int(std::lround(double(image.width()) * height / image.height())));
        return ocrLines(*engine, image::resized(image, width, height));
    };
    return onPool(std::move(work), lane);
}

QCoro::Task<std::vector<OCRLine>> VisionCardRecognizer::recognizeStrip(TextEngine engine, QImage image,
                                                                       AttributionStrip::Edge edge, CPULane lane)
{
    std::function<std::vector<OCRLine>()> work = [engine, image, edge] {
        const auto strip = AttributionStrip::upscaledStrip(image, edge, AttributionStrip::defaultHeightFraction,
                                                           AttributionStrip::scaleForHeight(image.height()));
        return strip ? ocrLines(*engine, *strip) : std::vector<OCRLine>{};
    };
    return onPool(std::move(work), lane);
}

QCoro::Task<std::vector<OCRLine>> VisionCardRecognizer::recognizeInteriorBand(TextEngine engine, QImage image,
                                                                              CPULane lane)
{
    std::function<std::vector<OCRLine>()> work = [engine, image] {
        const auto band = AttributionStrip::upscaledBand(image, AttributionStrip::interiorTopFraction,
                                                         AttributionStrip::interiorHeightFraction,
                                                         AttributionStrip::scaleForHeight(image.height()));
        return band ? ocrLines(*engine, *band) : std::vector<OCRLine>{};
    };
    return onPool(std::move(work), lane);
}

QCoro::Task<std::vector<OCRLine>> VisionCardRecognizer::recognizeFirstLines(TextEngine engine, QImage image,
                                                                            CPULane lane)
{
    std::function<std::vector<OCRLine>()> readStrip = [engine, image] {
        const auto strip = AttributionStrip::collectorStrip(image);
        return strip ? ocrLines(*engine, *strip) : std::vector<OCRLine>{};
    };
    std::function<std::vector<OCRLine>()> readTitle = [engine, image] {
        const auto title = AttributionStrip::titleBar(image);
        return title ? ocrLines(*engine, *title, TextPrint::oneKind) : std::vector<OCRLine>{};
    };
    // Tasks start eagerly: both are queued on the pool before the first await.
    auto strip = onPool(std::move(readStrip), lane);
    auto title = onPool(std::move(readTitle), lane);
    auto stripLines = co_await std::move(strip);
    auto titleLines = co_await std::move(title);
    co_return AttributionStrip::mergedFirstLines(stripLines, titleLines);
}

namespace {

// A crop of the card's bottom edge read on the pool, its lines remapped into the whole card.
QCoro::Task<std::vector<OCRLine>> readBottomCrop(VisionCardRecognizer::TextEngine engine, QImage image,
                                                 std::optional<QImage> (*crop)(const QImage&), double heightFraction,
                                                 CPULane lane)
{
    std::function<std::vector<OCRLine>()> work = [engine, image, crop, heightFraction] {
        std::vector<OCRLine> out;
        if (const auto part = crop(image))
            for (const OCRLine& l : VisionCardRecognizer::ocrLines(*engine, *part))
                out.push_back(AttributionStrip::remapLine(l, AttributionStrip::Edge::bottom, heightFraction));
        return out;
    };
    return onPool(std::move(work), lane);
}

} // namespace

QCoro::Task<std::vector<OCRLine>> VisionCardRecognizer::recognizeCollectorCorner(TextEngine engine, QImage image,
                                                                                 CPULane lane)
{
    return readBottomCrop(std::move(engine), std::move(image), &AttributionStrip::collectorCorner,
                          AttributionStrip::collectorCornerHeightFraction, lane);
}

namespace {

// A crop of the card's top read on the pool, its lines remapped into the whole card.
QCoro::Task<std::vector<OCRLine>> readTopCrop(VisionCardRecognizer::TextEngine engine, QImage image,
                                              std::optional<QImage> (*crop)(const QImage&),
                                              std::vector<OCRLine> (*remap)(const std::vector<OCRLine>&),
                                              TextPrint print, CPULane lane)
{
    std::function<std::vector<OCRLine>()> work = [engine, image, crop, remap, print] {
        const auto part = crop(image);
        return part ? remap(VisionCardRecognizer::ocrLines(*engine, *part, print)) : std::vector<OCRLine>{};
    };
    return onPool(std::move(work), lane);
}

} // namespace

QCoro::Task<std::vector<OCRLine>> VisionCardRecognizer::recognizeTitleBar(TextEngine engine, QImage image,
                                                                          CPULane lane)
{
    return readTopCrop(std::move(engine), std::move(image), &AttributionStrip::titleBar,
                       &AttributionStrip::remappedTitleBarLines, TextPrint::oneKind, lane);
}

QCoro::Task<std::vector<OCRLine>> VisionCardRecognizer::recognizeTitleLine(TextEngine engine, QImage image,
                                                                           CPULane lane)
{
    return readTopCrop(std::move(engine), std::move(image), &AttributionStrip::titleLine,
                       &AttributionStrip::remappedTitleLineLines, TextPrint::oneKind, lane);
}

QCoro::Task<std::vector<OCRLine>> VisionCardRecognizer::recognizeTitleArea(TextEngine engine, QImage image,
                                                                           CPULane lane)
{
    return readTopCrop(std::move(engine), std::move(image), &AttributionStrip::titleArea,
                       &AttributionStrip::remappedTitleAreaLines, TextPrint::mixed, lane);
}

QCoro::Task<std::vector<OCRLine>> VisionCardRecognizer::recognizeWideStrip(TextEngine engine, QImage image,
                                                                           CPULane lane)
{
    return readBottomCrop(std::move(engine), std::move(image), &AttributionStrip::wideCollectorStrip,
                          AttributionStrip::wideCollectorStripFraction, lane);
}

QCoro::Task<std::vector<OCRLine>> VisionCardRecognizer::recognizeRemainingLines(TextEngine engine, QImage image,
                                                                                CPULane lane)
{
    auto whole = recognizeText(engine, image, lane);
    auto band = recognizeInteriorBand(engine, image, lane);
    auto wholeLines = co_await std::move(whole);
    auto bandLines = co_await std::move(band);
    co_return AttributionStrip::mergedLines(wholeLines, {}, {}, bandLines);
}

QCoro::Task<std::vector<OCRLine>> VisionCardRecognizer::recognizeAttributionLines(TextEngine engine, QImage image,
                                                                                  CPULane lane)
{
    auto first = recognizeFirstLines(engine, image, lane);
    auto remaining = recognizeRemainingLines(engine, image, lane);
    auto lines = co_await std::move(first);
    auto more = co_await std::move(remaining);
    lines.insert(lines.end(), more.begin(), more.end());
    co_return lines;
}

QString VisionCardRecognizer::quotedList(const QStringList& items)
{
    QStringList parts;
    for (const QString& item : items)
        parts << quoted(item);
    return u'[' + parts.join(QStringLiteral(", ")) + u']';
}

QString VisionCardRecognizer::summaryLine(std::size_t lineCount, const CardAttribution& a, ScanFinish finish,
                                          const QString& finishNote)
{
    return QStringLiteral("[recognize] ") + QString::number(lineCount) + QStringLiteral(" lines \u00B7 set=") +
           orNil(a.setCode) + QStringLiteral(" collector=") + orNil(a.collectorNumber) + QStringLiteral(" lang=") +
           orNil(a.language) + QStringLiteral(" title=") + orNil(a.title) + QStringLiteral(" alts=") +
           quotedList(a.titleAlternatives) + QStringLiteral(" finish=") + rawValue(finish) + finishNote +
           (a.isArtSeries ? QStringLiteral(" ART-SERIES") : QString());
}

QString VisionCardRecognizer::rawLine(const std::vector<OCRLine>& lines)
{
    std::vector<OCRLine> sorted = lines;
    std::stable_sort(sorted.begin(), sorted.end(), [](const OCRLine& a, const OCRLine& b) { return a.midY > b.midY; });
    QStringList parts;
    for (const OCRLine& l : sorted)
        parts << u'"' + l.text + QStringLiteral("\"@y") + QString::asprintf("%.2f", l.midY) + u'h' +
                     QString::asprintf("%.2f", l.height);
    return QStringLiteral("[recognize]   raw: ") + parts.join(QStringLiteral(" | "));
}

QCoro::Task<std::optional<ArtCardBackResolution>>
VisionCardRecognizer::resolveArtTextSide(TextEngine engine, QImage image, std::vector<OCRLine> seedLines,
                                         std::shared_ptr<const ArtCardBackIndex> index, CPULane lane)
{
    if (!index || index->empty())
        co_return std::nullopt;
    std::vector<OCRLine> lines = seedLines;
    std::optional<ArtCardBackResolution> best;
    // Resolves the lines read so far once they carry the marker; true when that settles it.
    auto resolveLines = [&]() -> QCoro::Task<bool> {
        if (!ArtCardBack::sawMarker(lines))
            co_return false;
        std::function<std::optional<ArtCardBackResolution>()> work =
            [index, lines]() -> std::optional<ArtCardBackResolution> {
            if (auto read = ArtCardBack::parse(lines))
                return index->resolve(*read);
            return std::nullopt;
        };
        auto resolving = CPUWork::run(std::move(work), lane);
        if (auto resolution = co_await std::move(resolving))
            best = std::move(resolution);
        co_return singleExact(best);
    };
    if (!seedLines.empty()) {
        auto settling = resolveLines();
        if (co_await std::move(settling))
            co_return best;
    }

    auto readRotated = [engine, image, lane](int turns) {
        std::function<std::vector<OCRLine>()> work = [engine, image, turns] {
            return ocrLines(*engine, turns == 0 ? image : rotatedByQuarterTurns(image, turns));
        };
        return onPool(std::move(work), lane);
    };
    const std::vector<int> first = seedLines.empty() ? std::vector<int>{0, 2} : std::vector<int>{2};
    for (int turns : first) {
        if (ArtCardBack::sawMarker(lines))
            break;
        auto reading = readRotated(turns);
        auto more = co_await std::move(reading);
        lines.insert(lines.end(), more.begin(), more.end());
    }
    if (!ArtCardBack::sawMarker(lines))
        co_return std::nullopt;
    {
        auto settling = resolveLines();
        if (co_await std::move(settling))
            co_return best;
    }
    for (int turns : {1, 3}) {
        auto reading = readRotated(turns);
        auto more = co_await std::move(reading);
        lines.insert(lines.end(), more.begin(), more.end());
        auto settling = resolveLines();
        if (co_await std::move(settling))
            co_return best;
    }
    co_return best;
}

QCoro::Task<std::vector<Candidate>> VisionCardRecognizer::nameCandidates(std::shared_ptr<const CardResolving> resolver,
                                                                         QString title, CardAttribution attribution,
                                                                         ScanFinish finish)
{
    auto plainSearch = resolver->searchByName(title, finish);
    std::vector<Candidate> plain = co_await std::move(plainSearch);
    if (attribution.isArtSeries || attribution.isToken) {
        const QString typedQuery = attribution.isArtSeries ? artSeriesQuery(title) : tokenTypeQuery(title);
        auto typedSearch = resolver->searchByName(typedQuery, finish);
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

QCoro::Task<RecognitionOutcome> VisionCardRecognizer::recognize(QImage image, ScanFinish finish, BackLoader back,
                                                                CPULane lane) const
{
    // Everything the scan needs is copied here: the recognizer may go away while it runs.
    const auto resolver = resolver_;
    const auto matcher = artMatcher_;
    const auto autoFoilDetect = autoFoilDetect_;
    const Options options = options_;
    const auto& trace = options.trace;
    // A lookup made for the first read is not sent again for the full one.
    const auto asked = std::make_shared<LookupsMade>();
    const SetCollectorLookup lookup = [resolver, asked](QString set, QString number, ScanFinish f,
                                                        std::optional<QString> language) {
        return rememberedLookup(resolver, asked, set, number, f, language);
    };

    // 1-2. Lines and what they say: the collector strip and the title bar first.
    auto firstReading = recognizeFirstLines(options.text, image, lane);
    std::vector<OCRLine> lines = co_await std::move(firstReading);
    CardAttribution attribution = parseAttribution(lines);
    // A language code strips print; other letters after a dash are artwork read as text.
    const auto stripLanguage = [&] { return attribution.language && isPrintedLanguage(*attribution.language); };
    // A set line read without a complete number: the number's corner once more, on its own.
    bool cornerRead = false;
    const auto readCornerWhenIncomplete = [&]() -> QCoro::Task<void> {
        if (cornerRead || attribution.isArtSeries || attribution.collectorNumberIsComplete ||
            (!attribution.setCode && !stripLanguage()))
            co_return;
        cornerRead = true;
        auto cornerReading = recognizeCollectorCorner(options.text, image, lane);
        const std::vector<OCRLine> corner = co_await std::move(cornerReading);
        lines.insert(lines.end(), corner.begin(), corner.end());
        attribution = parseAttribution(lines);
    };
    {
        auto retrying = readCornerWhenIncomplete();
        co_await std::move(retrying);
    }

    // 3. Finish: the glyph, then the collector mark, then the caller's, when detection is on.
    const bool detectFinish = autoFoilDetect();
    SeparatorGlyph glyph = SeparatorGlyph::unknown;
    if (detectFinish && options.glyph) {
        auto locating = options.glyph(image, lane);
        glyph = co_await std::move(locating);
    }
    ScanFinish chosen = finish;
    QString finishNote;
    const auto chooseFinish = [&] {
        chosen = finish;
        finishNote.clear();
        if (!detectFinish)
            return;
        if (glyph != SeparatorGlyph::unknown) {
            chosen = glyph == SeparatorGlyph::star ? ScanFinish::foil : ScanFinish::nonfoil;
            finishNote = QStringLiteral(" (shape \u2605/\u2022)");
        } else if (auto marked = finishFromCollector(attribution.collectorNumber)) {
            chosen = *marked;
            finishNote = QStringLiteral(" (\u2605 ocr)");
        }
    };
    chooseFinish();
    QStringList titles = titleCandidates(attribution);

    // A complete strip whose title confirms its printing needs no other pass.
    if (attribution.setCode && attribution.collectorNumber && attribution.collectorNumberIsComplete &&
        titleCandidatesHaveComparableWords(titles)) {
        auto resolving = resolveAttribution(attribution, chosen, titles, lookup);
        const AttributionResolution r = co_await std::move(resolving);
        if (r.kind == AttributionResolution::Kind::trusted) {
            trace(summaryLine(lines.size(), attribution, chosen, finishNote));
            trace(rawLine(lines));
            trace(QStringLiteral("[recognize]   -> resolved exact printing via set+collector"));
            co_return RecognitionOutcome{r.candidates, attribution};
        }
    }
    // A complete strip whose title bar did not confirm it: the top of the card is read as the
    // whole card shows it (white titles over artwork), at a fraction of the whole card's cost.
    // When that does not confirm the printing either, it goes to review with the exact printing
    // first, without the whole-card and band passes: they cost several times more and seldom
    // read a title the top of the card did not.
    bool stripSettled = false;
    if (!attribution.isArtSeries && attribution.setCode && attribution.collectorNumber &&
        attribution.collectorNumberIsComplete) {
        auto areaReading = recognizeTitleArea(options.text, image, lane);
        const std::vector<OCRLine> area = co_await std::move(areaReading);
        lines.insert(lines.end(), area.begin(), area.end());
        attribution = parseAttribution(lines);
        chooseFinish();
        titles = titleCandidates(attribution);
        auto resolving = resolveAttribution(attribution, chosen, titles, lookup);
        const AttributionResolution r = co_await std::move(resolving);
        if (r.kind == AttributionResolution::Kind::trusted) {
            trace(summaryLine(lines.size(), attribution, chosen, finishNote));
            trace(rawLine(lines));
            trace(QStringLiteral("[recognize]   -> resolved exact printing via set+collector"));
            co_return RecognitionOutcome{r.candidates, attribution};
        }
        stripSettled = r.kind == AttributionResolution::Kind::demote;
    }
    // A card without any strip whose readable title names catalogue cards stands upright:
    // reading it again sideways (four more passes) would find nothing. Its name search is
    // made here and used in step 10. When the first read shows no sign of a strip (no set,
    // number or language) and its title already names cards, the other passes are skipped
    // as well.
    std::optional<std::vector<Candidate>> earlyNames;
    std::optional<QString> searchedTitle; // the title `earlyNames` were found for
    bool namedUpright = false;
    const auto readable = [](const std::optional<QString>& title) {
        return title && !title->isEmpty() && titleCandidatesHaveComparableWords({*title});
    };
    const auto stripless = [&] {
        return !attribution.isArtSeries && !attribution.collectorNumber && !attribution.setCode &&
               attribution.title && !attribution.title->isEmpty() && titleCandidatesHaveComparableWords(titles);
    };
    const auto namesACard = [](const std::vector<Candidate>& found, const QStringList& read) {
        return std::any_of(found.begin(), found.end(),
                           [&](const Candidate& c) { return titlesAgreeAcrossCandidates(read, c.name); });
    };
    if (stripless() && !stripLanguage()) {
        auto searching = nameCandidates(resolver, *attribution.title, attribution, chosen);
        earlyNames = co_await std::move(searching);
        searchedTitle = attribution.title;
        namedUpright = namesACard(*earlyNames, titles);
    }
    // No sign of a strip at all: older frames print none. Their title is read again closer;
    // the card is read turned only when its turned title bar names a card (a landscape card
    // lying on its side), and the whole card only when no title could be read.
    bool readRemaining = !namedUpright && !stripSettled;
    bool readBand = true;
    bool readSideways = true;
    const bool noStripSign = !attribution.isArtSeries && !attribution.setCode && !attribution.collectorNumber &&
                             !stripLanguage();
    if (noStripSign && !namedUpright) {
        auto closerReading = recognizeTitleLine(options.text, image, lane);
        const std::vector<OCRLine> closerLines = co_await std::move(closerReading);
        const CardAttribution closer = parseAttribution(closerLines);
        if (readable(closer.title) && closer.title != searchedTitle) {
            auto searching = nameCandidates(resolver, *closer.title, closer, chosen);
            std::vector<Candidate> found = co_await std::move(searching);
            const bool named = namesACard(found, titleCandidates(closer));
            if (named || !readable(attribution.title)) {
                lines.insert(lines.end(), closerLines.begin(), closerLines.end());
                attribution.title = closer.title;
                attribution.titleAlternatives = closer.titleAlternatives;
                titles = titleCandidates(attribution);
                earlyNames = std::move(found);
                searchedTitle = closer.title;
                namedUpright = named;
            }
        }
        if (!namedUpright) {
            std::function<QImage()> rotate = [image] { return rotatedByQuarterTurns(image, 1); };
            auto rotating = CPUWork::run(std::move(rotate), lane);
            const QImage turned = co_await std::move(rotating);
            auto turnedReading = recognizeTitleBar(options.text, turned, lane);
            const std::vector<OCRLine> turnedLines = co_await std::move(turnedReading);
            const CardAttribution turnedTitle = parseAttribution(turnedLines);
            bool turnedNamed = false;
            if (readable(turnedTitle.title)) {
                auto searching = nameCandidates(resolver, *turnedTitle.title, turnedTitle, chosen);
                const std::vector<Candidate> found = co_await std::move(searching);
                // Text read sideways off an upright card is noise whose words agree with
                // one-word names by a letter: the turned title must read most of a name of
                // several words (as landscape cards have).
                const QStringList turnedTitles = titleCandidates(turnedTitle);
                turnedNamed = std::any_of(found.begin(), found.end(), [&](const Candidate& c) {
                    return significantWords(c.name).size() >= 2 && titlesCoverName(turnedTitles, c.name);
                });
            }
            readSideways = turnedNamed;
            readBand = turnedNamed;
            readRemaining = turnedNamed || !readable(attribution.title);
        }
        readRemaining = readRemaining && !namedUpright;
    }
    if (readRemaining && readBand) {
        // The first read's strip is cut tight: without a set code and a complete number it is
        // read again wider.
        const bool wider =
            !attribution.setCode || !attribution.collectorNumber || !attribution.collectorNumberIsComplete;
        auto remainingReading = recognizeRemainingLines(options.text, image, lane);
        if (wider) {
            auto wideReading = recognizeWideStrip(options.text, image, lane);
            const std::vector<OCRLine> wide = co_await std::move(wideReading);
            lines.insert(lines.end(), wide.begin(), wide.end());
        }
        const std::vector<OCRLine> more = co_await std::move(remainingReading);
        lines.insert(lines.end(), more.begin(), more.end());
    } else if (readRemaining) {
        auto wholeReading = recognizeText(options.text, image, lane);
        std::vector<OCRLine> more = co_await std::move(wholeReading);
        const CardAttribution fuller = parseAttribution(more);
        const bool fullerLanguage = fuller.language && isPrintedLanguage(*fuller.language);
        if (fuller.setCode || fuller.collectorNumber || fullerLanguage || fuller.isArtSeries) {
            // A strip (or an Art Series side) after all: the band and the sideways read as
            // for any card.
            auto bandReading = recognizeInteriorBand(options.text, image, lane);
            const std::vector<OCRLine> band = co_await std::move(bandReading);
            more = AttributionStrip::mergedLines(more, {}, {}, band);
            readSideways = true;
        }
        lines.insert(lines.end(), more.begin(), more.end());
    }
    if (readRemaining) {
        attribution = parseAttribution(lines);
        auto retrying = readCornerWhenIncomplete();
        co_await std::move(retrying);
        chooseFinish();
        titles = titleCandidates(attribution);
    }

    // 4-5.
    trace(summaryLine(lines.size(), attribution, chosen, finishNote));
    trace(rawLine(lines));

    // 6. Exact printing.
    std::optional<Candidate> demoted;
    {
        auto resolving = resolveAttribution(attribution, chosen, titles, lookup);
        const AttributionResolution r = co_await std::move(resolving);
        if (r.kind == AttributionResolution::Kind::trusted) {
            trace(QStringLiteral("[recognize]   -> resolved exact printing via set+collector"));
            co_return RecognitionOutcome{r.candidates, attribution};
        }
        if (r.kind == AttributionResolution::Kind::demote) {
            trace(QStringLiteral("[recognize]   set+collector -> ") + inQuotes(r.demoted->name) +
                  QStringLiteral(" but titles were ") + quotedList(titles) +
                  QStringLiteral(" \u2014 demoting to review"));
            demoted = r.demoted;
        }
    }

    const std::optional<QString> title =
        attribution.title && !attribution.title->isEmpty() ? attribution.title : std::nullopt;

    if (!namedUpright && !stripless()) {
        earlyNames.reset();
    } else if (!namedUpright) {
        // The full read may find another title; the same one is not searched again.
        if (!earlyNames || searchedTitle != title) {
            auto searching = nameCandidates(resolver, *title, attribution, chosen);
            earlyNames = co_await std::move(searching);
        }
        namedUpright = namesACard(*earlyNames, titles);
    }

    // 7. Sideways re-read.
    if (!attribution.isArtSeries && (!attribution.collectorNumber || !attribution.setCode) && !namedUpright &&
        readSideways) {
        const TextEngine text = options.text;
        const AttributionReader readAt = [text, image, lane](int turns) {
            return readTurned(text, image, turns, lane);
        };
        auto sideways = resolveSidewaysAttribution(finish, autoFoilDetect(), sidewaysRetryQuarterTurns, readAt, lookup);
        auto found = co_await std::move(sideways);
        if (found) {
            trace(QStringLiteral("[recognize]   -> resolved exact printing via sideways re-read (Battle / landscape card)"));
            co_return RecognitionOutcome{found->candidates, found->attribution};
        }
    }

    // 8. A demoted hit joins the name search.
    if (demoted) {
        std::vector<Candidate> names;
        if (title) {
            auto searching = nameCandidates(resolver, *title, attribution, chosen);
            names = co_await std::move(searching);
        }
        Candidate suggestion = *demoted;
        suggestion.score = 0.6;
        const auto sameAsSuggestion = [&](const Candidate& c) { return c.scryfallId == suggestion.scryfallId; };
        std::vector<Candidate> result = names;
        if (std::none_of(names.begin(), names.end(), sameAsSuggestion)) {
            // The exact printing goes before every name hit that no readable title backs: a
            // title that says nothing finds dozens of unrelated cards. After a complete strip
            // read, a title must read most of a name to go first.
            const bool readable = titleCandidatesHaveComparableWords(titles);
            const bool completeStrip = attribution.collectorNumberIsComplete;
            const auto backed = std::stable_partition(result.begin(), result.end(), [&](const Candidate& c) {
                return readable && titlesAgreeAcrossCandidates(titles, c.name) &&
                       (!completeStrip || titlesCoverName(titles, c.name));
            });
            result.insert(backed, suggestion);
        }
        co_return RecognitionOutcome{result, attribution};
    }

    // 9. The scanned side is an Art Series text side.
    if (attribution.isArtSeries && matcher) {
        auto sideReading = resolveArtTextSide(options.text, image, lines, matcher->backIndex(), lane);
        const auto side = co_await std::move(sideReading);
        std::vector<Candidate> visual;
        if (!singleExact(side) && back) {
            auto loading = back();
            const auto backImage = co_await std::move(loading);
            if (backImage) {
                auto matching = matcher->match(*backImage, chosen, lane);
                visual = co_await std::move(matching);
            }
        }
        const auto merged = ArtCardBack::merge(visual, side, chosen);
        if (!merged.empty()) {
            trace(QStringLiteral("[recognize]   -> ") + QString::number(merged.size()) +
                  QStringLiteral(" art-series candidates from text side") +
                  (merged.front().score == 1.0 ? QStringLiteral(" (exact, auto)") : QStringLiteral(" (review)")));
            co_return RecognitionOutcome{merged, attribution};
        }
    }

    // 10. Name search.
    if (title) {
        std::vector<Candidate> names;
        if (earlyNames) {
            names = std::move(*earlyNames);
        } else {
            auto searching = nameCandidates(resolver, *title, attribution, chosen);
            names = co_await std::move(searching);
        }
        if (!names.empty()) {
            trace(QStringLiteral("[recognize]   -> ") + QString::number(names.size()) +
                  QStringLiteral(" name candidates for ") + inQuotes(*title) +
                  (attribution.isToken ? QStringLiteral(" (token-biased)") : QString()) +
                  (attribution.isArtSeries ? QStringLiteral(" (art-biased)") : QString()) +
                  QStringLiteral(" (review)"));
            co_return RecognitionOutcome{names, attribution};
        }
        trace(QStringLiteral("[recognize]   name search for ") + inQuotes(*title) + QStringLiteral(" found nothing"));
    }

    // 11. Visual art match, with the back read as an Art Series text side first.
    if (!attribution.isArtSeries && matcher) {
        std::optional<ArtCardBackResolution> side;
        if (back) {
            auto loading = back();
            const auto backImage = co_await std::move(loading);
            if (backImage) {
                auto sideReading = resolveArtTextSide(options.text, *backImage, {}, matcher->backIndex(), lane);
                side = co_await std::move(sideReading);
                if (singleExact(side)) {
                    const auto merged = ArtCardBack::merge({}, side, chosen);
                    trace(QStringLiteral("[recognize]   -> art card resolved exactly from its back (auto)"));
                    co_return RecognitionOutcome{merged, attribution};
                }
            }
        }
        auto matching = matcher->match(image, chosen, lane);
        const auto visual = co_await std::move(matching);
        const auto merged = ArtCardBack::merge(visual, side, chosen);
        if (!merged.empty()) {
            trace(QStringLiteral("[recognize]   -> ") + QString::number(merged.size()) +
                  QStringLiteral(" art-card candidates (visual") +
                  (side ? QStringLiteral(" + back text") : QString()) + QStringLiteral(") (review)"));
            co_return RecognitionOutcome{merged, attribution};
        }
        trace(QStringLiteral("[recognize]   -> nothing parsed"));
        co_return RecognitionOutcome{{}, attribution};
    }

    // 12.
    trace(QStringLiteral("[recognize]   -> nothing parsed"));
    co_return RecognitionOutcome{{}, attribution};
}

} // namespace vantry
