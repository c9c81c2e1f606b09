// read-cards: reads card images with known printings through the whole recognition
// pipeline against a catalogue served in memory, and says how well it did.
//
//   read-cards <truth.csv> [--catalogue <catalogue.json>] [--scale F] [--in-flight N]
//              [--limit N] [--match REGEX] [--trace]
//   read-cards --render-synthetic <folder> [--count N]
//
// truth.csv: file, set, number, lang, strip_printed, variant, name (file relative to the
// CSV). The catalogue defaults to "catalogue.json" beside the CSV. One row per card, then a
// summary. "CPU ms" of a row is the CPU of its text passes and crop (per thread, so it
// holds with several cards in flight); the summary's CPU per card is the whole process's
// CPU divided by the cards.
#include "CatalogueResolver.h"
#include "SyntheticCards.h"

#include "core/reading/CardCropper.h"
#include "core/reading/CollectorMatching.h"
#include "core/reading/CollectorStripParser.h"
#include "core/recognition/Disposition.h"
#include "core/recognition/VisionCardRecognizer.h"
#include "core/support/CPUWork.h"
#include "core/support/ImageDecode.h"
#include "platform/TesseractTextRecognizer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTimer>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>

using namespace vantry;

namespace {

struct TruthRow {
    QString file, set, number, name;
    bool stripPrinted = true;
};

double cpuMs(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// Fields of one CSV line; quoted fields may hold commas and doubled quotes.
QStringList csvFields(const QString& line)
{
    QStringList out;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < line.size() && line.at(i + 1) == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            out << field;
            field.clear();
        } else {
            field += c;
        }
    }
    out << field;
    return out;
}

std::optional<std::vector<TruthRow>> readTruth(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("cannot open ") + path;
        return std::nullopt;
    }
    const QStringList header = csvFields(QString::fromUtf8(file.readLine()).trimmed());
    auto column = [&](const char* name) { return header.indexOf(QLatin1String(name)); };
    const qsizetype cFile = column("file"), cSet = column("set"), cNumber = column("number"),
                    cStrip = column("strip_printed"), cName = column("name");
    if (cFile < 0 || cSet < 0 || cNumber < 0 || cName < 0) {
        *error = path + QStringLiteral(": needs the columns file, set, number and name");
        return std::nullopt;
    }
    const QDir base = QFileInfo(path).absoluteDir();
    std::vector<TruthRow> rows;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty())
            continue;
        const QStringList f = csvFields(line);
        auto at = [&](qsizetype i) { return i >= 0 && i < f.size() ? f.at(i) : QString(); };
        rows.push_back({base.filePath(at(cFile)), at(cSet), at(cNumber), at(cName),
                        at(cStrip) != QStringLiteral("no")});
    }
    return rows;
}

// The text engine with the CPU its calls spend, per card.
class MeteredEngine final : public TextRecognizing {
public:
    MeteredEngine(std::shared_ptr<const TextRecognizing> inner, QString traceName)
        : inner_(std::move(inner)), traceName_(std::move(traceName))
    {
    }
    std::vector<OCRLine> recognizeLines(const QImage& image, TextPrint print = TextPrint::mixed) const override
    {
        const double start = cpuMs(CLOCK_THREAD_CPUTIME_ID);
        auto out = inner_->recognizeLines(image, print);
        const double spent = cpuMs(CLOCK_THREAD_CPUTIME_ID) - start;
        add(spent);
        if (!traceName_.isEmpty()) {
            QStringList texts;
            for (const OCRLine& line : out)
                texts << u'"' + line.text + u'"';
            std::fprintf(stderr, "%s [pass] %dx%d: %zu lines, %.0f ms: %s\n", qPrintable(traceName_), image.width(),
                         image.height(), out.size(), spent, qPrintable(texts.join(QStringLiteral(" | "))));
        }
        return out;
    }
    std::vector<TextObservation> recognizeObservations(const QImage& image) const override
    {
        const double start = cpuMs(CLOCK_THREAD_CPUTIME_ID);
        auto out = inner_->recognizeObservations(image);
        add(cpuMs(CLOCK_THREAD_CPUTIME_ID) - start);
        return out;
    }
    double ms() const { return double(micros_.load()) / 1e3; }

private:
    void add(double ms) const { micros_ += std::int64_t(ms * 1e3); }
    std::shared_ptr<const TextRecognizing> inner_;
    QString traceName_; // empty: no trace
    mutable std::atomic<std::int64_t> micros_{0};
};

struct Result {
    bool loaded = false;
    RecognitionOutcome outcome;
    Disposition disposition = Disposition::unresolved;
    QString demotion;
    double cpuMs = 0;
};

struct Options {
    QString truth, catalogue;
    double scale = 1;
    int inFlight = 1;
    int limit = 0;
    QString match;
    bool trace = false;
};

QString numberOf(const std::optional<QString>& n)
{
    return n ? normalizeCollectorNumber(strippingCollectorMarks(*n)) : QString();
}

bool samePrinting(const Candidate& c, const TruthRow& t)
{
    return c.setCode.compare(t.set, Qt::CaseInsensitive) == 0 &&
           normalizeCollectorNumber(c.collectorNumber).compare(normalizeCollectorNumber(t.number),
                                                               Qt::CaseInsensitive) == 0;
}

QCoro::Task<Result> readOne(const TruthRow& row, const Options& options,
                            std::shared_ptr<const CardResolving> resolver)
{
    Result result;
    const double start = cpuMs(CLOCK_THREAD_CPUTIME_ID);
    auto loaded = CardCropper::load(row.file);
    if (!loaded)
        co_return result;
    QImage image = *loaded;
    if (std::abs(options.scale - 1) > 1e-6)
        image = image::resized(image, int(std::lround(image.width() * options.scale)),
                               int(std::lround(image.height() * options.scale)));
    image = CardCropper::cropCard(image);
    const double prepMs = cpuMs(CLOCK_THREAD_CPUTIME_ID) - start;
    result.loaded = true;

    const bool trace = options.trace;
    const QString name = QFileInfo(row.file).fileName();
    auto engine = std::make_shared<MeteredEngine>(TesseractTextRecognizer::shared(), trace ? name : QString());
    VisionCardRecognizer::Options recognizerOptions;
    recognizerOptions.text = engine;
    recognizerOptions.trace = [trace, name](const QString& line) {
        if (trace)
            std::fprintf(stderr, "%s %s\n", qPrintable(name), qPrintable(line));
    };
    const VisionCardRecognizer recognizer(resolver, nullptr, [] { return false; }, recognizerOptions);
    auto recognizing = recognizer.recognize(image, ScanFinish::nonfoil);
    result.outcome = co_await std::move(recognizing);
    const auto validated = validatedDisposition(result.outcome.candidates, result.outcome.attribution);
    result.disposition = validated.disposition;
    result.demotion = validated.validation.demotionReason.value_or(QString());
    result.cpuMs = prepMs + engine->ms();
    co_return result;
}

QString cell(QString text)
{
    text.replace(u'\t', u' ');
    text.replace(u'\n', u' ');
    return text;
}

struct Summary {
    int cards = 0, stripCards = 0, setNumberRight = 0, topRight = 0, topRightStrip = 0, automatic = 0,
        wrongAutomatic = 0, noStripCards = 0, invented = 0, titleRight = 0, unreadable = 0;
    double rowCpuMs = 0;
};

void printRow(const TruthRow& t, const Result& r, Summary& s)
{
    const CardAttribution& a = r.outcome.attribution;
    const auto& cands = r.outcome.candidates;
    ++s.cards;
    if (!r.loaded) {
        ++s.unreadable;
        std::printf("%s\tunreadable image\n", qPrintable(QFileInfo(t.file).fileName()));
        return;
    }
    const bool setNumber = a.setCode && a.setCode->compare(t.set, Qt::CaseInsensitive) == 0 &&
                           numberOf(a.collectorNumber).compare(normalizeCollectorNumber(t.number),
                                                               Qt::CaseInsensitive) == 0;
    const bool top = !cands.empty() && samePrinting(cands.front(), t);
    const bool automatic = r.disposition == Disposition::autoConfirm;
    // A name of short words ("Get Out") is read right only where its words are.
    const bool title = a.title &&
                       (titleCandidatesHaveComparableWords({*a.title}) || titlesReadShortName({*a.title}, t.name)) &&
                       titlesAgree(a.title, t.name);
    const bool invented = !t.stripPrinted && a.collectorNumber.has_value();
    if (t.stripPrinted) {
        ++s.stripCards;
        s.setNumberRight += setNumber;
        s.topRightStrip += top;
    } else {
        ++s.noStripCards;
        s.invented += invented;
    }
    s.topRight += top;
    s.automatic += automatic;
    s.wrongAutomatic += automatic && !top;
    s.titleRight += title;
    s.rowCpuMs += r.cpuMs;

    QStringList flags;
    if (automatic && !top)
        flags << QStringLiteral("WRONG-AUTO");
    if (invented)
        flags << QStringLiteral("INVENTED");
    if (t.stripPrinted && !setNumber)
        flags << QStringLiteral("misread");
    if (!top)
        flags << QStringLiteral("not-first");
    const QString disposition = automatic ? QStringLiteral("auto")
                                : r.disposition == Disposition::review
                                    ? QStringLiteral("review") + (r.demotion.isEmpty() ? QString() : u'/' + r.demotion)
                                    : QStringLiteral("unresolved");
    const QString topText = cands.empty() ? QStringLiteral("-")
                                          : cands.front().setCode + u' ' + cands.front().collectorNumber + u' ' +
                                                cands.front().name + QStringLiteral(" (%1)").arg(cands.front().score);
    std::printf("%s\t%s %s\t%s %s%s\t\"%s\"\t%s\t%s\t%.0f\t%s\n", qPrintable(QFileInfo(t.file).fileName()),
                qPrintable(t.set), qPrintable(t.number), qPrintable(a.setCode.value_or(QStringLiteral("-"))),
                qPrintable(a.collectorNumber.value_or(QStringLiteral("-"))),
                a.collectorNumberIsPartial ? " (partial)" : "", qPrintable(cell(a.title.value_or(QString()))),
                qPrintable(cell(topText)), qPrintable(disposition), r.cpuMs, qPrintable(flags.join(u' ')));
    std::fflush(stdout);
}

double percent(int part, int whole) { return whole ? 100.0 * part / whole : 0.0; }

void printSummary(const Summary& s, const Options& o, double processCpuMs, double wallMs)
{
    std::printf("\n== %d cards, scale %.2f, %d in flight, CPU pool of %d\n", s.cards, o.scale, o.inFlight,
                CPUWork::width());
    std::printf("set+number right (strip cards)   %d/%d  %.1f %%\n", s.setNumberRight, s.stripCards,
                percent(s.setNumberRight, s.stripCards));
    std::printf("top candidate right              %d/%d  %.1f %%  (strip cards %d/%d  %.1f %%)\n", s.topRight, s.cards,
                percent(s.topRight, s.cards), s.topRightStrip, s.stripCards, percent(s.topRightStrip, s.stripCards));
    std::printf("automatic                        %d/%d  %.1f %%\n", s.automatic, s.cards, percent(s.automatic, s.cards));
    std::printf("WRONG automatic                  %d\n", s.wrongAutomatic);
    std::printf("numbers invented (no strip)      %d/%d\n", s.invented, s.noStripCards);
    std::printf("title read right                 %d/%d  %.1f %%\n", s.titleRight, s.cards,
                percent(s.titleRight, s.cards));
    if (s.unreadable)
        std::printf("unreadable images                %d\n", s.unreadable);
    const int read = s.cards - s.unreadable;
    std::printf("CPU per card (process)           %.0f ms  (text passes and crop: %.0f ms)\n",
                read ? processCpuMs / read : 0.0, read ? s.rowCpuMs / read : 0.0);
    std::printf("cards per second (wall)          %.2f\n", wallMs > 0 ? 1000.0 * read / wallMs : 0.0);
}

int usage()
{
    std::fprintf(stderr, "usage: read-cards <truth.csv> [--catalogue <catalogue.json>] [--scale F] [--in-flight N] "
                         "[--limit N] [--match REGEX] [--trace]\n"
                         "       read-cards --render-synthetic <folder> [--count N]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // fonts for the synthetic cards
    const QStringList args = app.arguments().mid(1);
    Options options;
    QString renderFolder;
    int count = 40;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&]() -> QString { return i + 1 < args.size() ? args[++i] : QString(); };
        if (a == QStringLiteral("--catalogue"))
            options.catalogue = value();
        else if (a == QStringLiteral("--scale"))
            options.scale = value().toDouble();
        else if (a == QStringLiteral("--in-flight"))
            options.inFlight = std::max(1, value().toInt());
        else if (a == QStringLiteral("--limit"))
            options.limit = value().toInt();
        else if (a == QStringLiteral("--match"))
            options.match = value();
        else if (a == QStringLiteral("--trace"))
            options.trace = true;
        else if (a == QStringLiteral("--render-synthetic"))
            renderFolder = value();
        else if (a == QStringLiteral("--count"))
            count = value().toInt();
        else if (a.startsWith(u'-') || !options.truth.isEmpty())
            return usage();
        else
            options.truth = a;
    }
    if (!renderFolder.isEmpty()) {
        QString error;
        if (!tools::renderSyntheticCards(renderFolder, count, &error)) {
            std::fprintf(stderr, "read-cards: %s\n", qPrintable(error));
            return 1;
        }
        std::printf("wrote %d synthetic cards, truth.csv and catalogue.json to %s\n", count, qPrintable(renderFolder));
        return 0;
    }
    if (options.truth.isEmpty() || !(options.scale > 0))
        return usage();
    if (options.catalogue.isEmpty())
        options.catalogue = QFileInfo(options.truth).absoluteDir().filePath(QStringLiteral("catalogue.json"));

    QString error;
    auto truth = readTruth(options.truth, &error);
    auto catalogue = truth ? tools::readCatalogue(options.catalogue, &error) : std::nullopt;
    if (!truth || !catalogue) {
        std::fprintf(stderr, "read-cards: %s\n", qPrintable(error));
        return 1;
    }
    if (!options.match.isEmpty()) {
        const QRegularExpression re(options.match);
        std::erase_if(*truth, [&](const TruthRow& r) { return !re.match(r.file).hasMatch(); });
    }
    if (options.limit > 0 && truth->size() > std::size_t(options.limit))
        truth->resize(std::size_t(options.limit));
    if (!TesseractTextRecognizer::available()) {
        std::fprintf(stderr, "read-cards: the text engine does not load\n");
        return 1;
    }
    // Every pool thread loads its engine before the clock starts: the clock waits for the
    // loads (under load they outlast any fixed delay, and a card's CPU would carry them).
    const int engineLoads = 2 * CPUWork::width() + 2;
    auto enginesLoaded = std::make_shared<std::atomic<int>>(0);
    for (int i = 0; i < engineLoads; ++i)
        CPUWork::submit([enginesLoaded] {
            (void)TesseractTextRecognizer::available();
            ++*enginesLoaded;
        });
    const auto resolver = std::make_shared<const tools::CatalogueResolver>(std::move(*catalogue));

    std::printf("file\ttruth\tread set+number\ttitle\ttop candidate\tdisposition\tCPU ms\tflags\n");
    Summary summary;
    std::vector<Result> results(truth->size());
    std::vector<bool> done(truth->size(), false);
    std::size_t next = 0, printed = 0;
    double processStart = 0;
    QElapsedTimer wall;
    const std::vector<TruthRow>& rows = *truth;

    // Rows come out in file order as the cards finish.
    auto printReady = [&] {
        while (printed < rows.size() && done[printed]) {
            printRow(rows[printed], results[printed], summary);
            ++printed;
        }
    };
    std::function<QCoro::Task<void>()> worker = [&]() -> QCoro::Task<void> {
        while (next < rows.size()) {
            const std::size_t i = next++;
            auto reading = readOne(rows[i], options, resolver);
            results[i] = co_await std::move(reading);
            done[i] = true;
            printReady();
        }
    };
    std::vector<QCoro::Task<void>> workers;
    auto* loading = new QTimer(&app);
    QObject::connect(loading, &QTimer::timeout, &app, [&, loading] {
        if (enginesLoaded->load() < engineLoads)
            return;
        loading->stop();
        processStart = cpuMs(CLOCK_PROCESS_CPUTIME_ID);
        wall.start();
        for (int i = 0; i < options.inFlight; ++i)
            workers.push_back(worker());
        // Done when every row is out.
        auto* poll = new QTimer(&app);
        QObject::connect(poll, &QTimer::timeout, &app, [&, poll] {
            if (printed < rows.size())
                return;
            poll->stop();
            printSummary(summary, options, cpuMs(CLOCK_PROCESS_CPUTIME_ID) - processStart, double(wall.elapsed()));
            app.quit();
        });
        poll->start(20);
    });
    loading->start(20);
    return app.exec();
}
