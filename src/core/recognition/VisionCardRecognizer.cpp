#include "core/recognition/VisionCardRecognizer.h"

#include "core/foil/SeparatorLocator.h"
#include "core/recognition/RecognitionRun.h"
#include "platform/TesseractTextRecognizer.h"

#include <algorithm>
#include <cstdio>

namespace vantry {

namespace {

void printToStdout(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

QString orNil(const std::optional<QString>& value) { return value ? *value : QStringLiteral("nil"); }

// A list element, escaped the way a printed string list shows it.
QString quoted(const QString& text)
{
    QString escaped = text;
    escaped.replace(u'\\', QStringLiteral("\\\\"));
    escaped.replace(u'"', QStringLiteral("\\\""));
    return u'"' + escaped + u'"';
}

bool singleExact(const std::optional<ArtCardBackResolution>& r) { return r && r->exact.size() == 1; }

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

    const std::vector<int> first = seedLines.empty() ? std::vector<int>{0, 2} : std::vector<int>{2};
    for (int turns : first) {
        if (ArtCardBack::sawMarker(lines))
            break;
        auto reading = TextPasses::recognizeTurned(engine, image, turns, lane);
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
        auto reading = TextPasses::recognizeTurned(engine, image, turns, lane);
        auto more = co_await std::move(reading);
        lines.insert(lines.end(), more.begin(), more.end());
        auto settling = resolveLines();
        if (co_await std::move(settling))
            co_return best;
    }
    co_return best;
}

QCoro::Task<RecognitionOutcome> VisionCardRecognizer::recognize(QImage image, ScanFinish finish, BackLoader back,
                                                                CPULane lane) const
{
    // Everything the scan needs is copied into its run: the recognizer may go away while it runs.
    RecognitionRun run(resolver_, artMatcher_, autoFoilDetect_, options_, std::move(image), finish, std::move(back),
                       lane);
    // Each step's task is made outside its co_await expression (see TextPasses.cpp).
    auto firstRead = run.firstRead();
    co_await std::move(firstRead);
    auto finishing = run.readFinish();
    co_await std::move(finishing);
    auto confirming = run.confirmStrip();
    if (auto outcome = co_await std::move(confirming))
        co_return std::move(*outcome);
    auto withoutStrip = run.cardWithoutStrip();
    co_await std::move(withoutStrip);
    auto remaining = run.readRemainingPasses();
    co_await std::move(remaining);
    run.traceReading();
    auto exact = run.exactPrinting();
    if (auto outcome = co_await std::move(exact))
        co_return std::move(*outcome);
    auto naming = run.nameStriplessCard();
    co_await std::move(naming);
    auto sideways = run.sidewaysReread();
    if (auto outcome = co_await std::move(sideways))
        co_return std::move(*outcome);
    auto demoted = run.demotedJoinsNameSearch();
    if (auto outcome = co_await std::move(demoted))
        co_return std::move(*outcome);
    auto artSide = run.artSide();
    if (auto outcome = co_await std::move(artSide))
        co_return std::move(*outcome);
    auto names = run.nameSearch();
    if (auto outcome = co_await std::move(names))
        co_return std::move(*outcome);
    auto visual = run.visualArtMatch();
    if (auto outcome = co_await std::move(visual))
        co_return std::move(*outcome);
    co_return run.nothingParsed();
}

} // namespace vantry
