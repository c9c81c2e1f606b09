#include "core/reading/CollectorStripParser.h"

#include "core/reading/AttributionStrip.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace vantry {

namespace {

// Hyphens and dashes, bullet, middle dot, bullet operator, asterisk, star, dagger, plus,
// guillemets, tilde and degree sign: the separator glyphs as printed and as the engine
// misreads them. Tesseract's English model has no bullet and reads it as "«", "*", "+" or
// a cent sign, so the cent sign is accepted too.
const QString kSeparators =
    QStringLiteral("\\-\u2013\u2014\u2011\u2022\u00B7\u2219*\u2605\u2020+\u00AB\u00BB~\u00B0\u00A2");

// The separator between set code and language: one or two separator glyphs, which the engine
// may follow with a copyright sign ("DSK «© EN"); a copyright sign alone is the artist credit
// of older frames ("Illus. © Jo ..."), never a separator.
QString separatorRun() { return QStringLiteral("[%1]{1,2}(?:\\s?\u00A9)?").arg(kSeparators); }

// Language codes as strips print them.
const QString kLanguages = QStringLiteral("EN|DE|FR|IT|ES|PT|JA|JP|KO|RU|ZH|CS|CT|PH|LA|HE|AR|SA");

constexpr auto kOptions = QRegularExpression::UseUnicodePropertiesOption;

const QRegularExpression& setPattern()
{
    static const QRegularExpression re(
        QStringLiteral("\\b((?=[A-Z0-9]{3,5}\\b)[A-Z0-9]*[A-Z][A-Z0-9]*)\\b(?=\\s*%1\\s*[A-Z]{2}\\b)")
            .arg(separatorRun()),
        kOptions);
    return re;
}

const QRegularExpression& languagePattern()
{
    static const QRegularExpression re(QStringLiteral("%1\\s*([A-Z]{2})\\b").arg(separatorRun()), kOptions);
    return re;
}

const QRegularExpression& tokenPattern()
{
    static const QRegularExpression re(QStringLiteral("(?<![A-Za-z0-9])T\\s?\\d{2,5}\\b"), kOptions);
    return re;
}

const QRegularExpression& collectorPattern()
{
    static const QRegularExpression re(QStringLiteral("(?<![A-Za-z0-9])(\\d{2,5}[a-z\u2605\u2020]*)(?![A-Za-z0-9])"),
                                       kOptions);
    return re;
}

// The rarity letters of the strip (common, uncommon, rare, mythic, land, special, token,
// promo); the engine also reads C as lower case or as a cent sign.
const QString kRarities = QStringLiteral("CUMRLSTPcumrlstp\u00A2");

// 2023+ layout: the rarity letter, then the number padded to four digits, in which the
// engine may read a 0 as O, a 5 as S, a 1 as I or l, an 8 as B. The letter may be read
// twice ("Cc 0O15").
const QRegularExpression& paddedPattern()
{
    static const QRegularExpression re(
        QStringLiteral("(?<![A-Za-z0-9])[%1]{1,2}\\s?([0-9OoSsIlB]{4})([\u2605\u2020]?)(?![A-Za-z0-9])").arg(kRarities),
        kOptions);
    return re;
}

// The rarity letter read after the number ("0277M", "123 R").
const QRegularExpression& rarityAfterPattern()
{
    static const QRegularExpression re(QStringLiteral("(?<![A-Za-z0-9/])(\\d{2,5})\\s?[CUMRLSTP](?![A-Za-z0-9])"),
                                       kOptions);
    return re;
}

// 2015-2022 layout: number, slash, set size, optionally the rarity letter.
const QRegularExpression& numberOfSizePattern()
{
    static const QRegularExpression re(
        QStringLiteral("(?<![A-Za-z0-9])(\\d{1,5})\\s?/\\s?(\\d{2,5})(?![0-9])(\\s?[CUMRLSTP](?![A-Za-z0-9]))?"),
        kOptions);
    return re;
}

// A separator and a language code that strips print, right at the search start.
const QRegularExpression& knownLanguagePattern()
{
    static const QRegularExpression re(QStringLiteral("\\G\\s*%1\\s*(%2)\\b").arg(separatorRun(), kLanguages),
                                       kOptions);
    return re;
}

// Set code, a star read as X, and the language: the foil separator as the engine may read it,
// also twice ("DSK xX EN").
const QRegularExpression& starAsXSetPattern()
{
    static const QRegularExpression re(
        QStringLiteral("\\b((?=[A-Z0-9]{3,5}\\b)[A-Z0-9]*[A-Z][A-Z0-9]*)\\s+X{1,2}\\s?(%1)\\b").arg(kLanguages),
        kOptions);
    return re;
}

const QRegularExpression& artSeriesPattern()
{
    static const QRegularExpression re(QStringLiteral("ART\\s*SERIES"), kOptions);
    return re;
}

// Group 1 when it took part, else the whole match.
std::optional<QString> firstValue(const QRegularExpression& re, const QString& text)
{
    if (!re.isValid())
        return std::nullopt;
    const auto m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    if (re.captureCount() >= 1 && m.capturedStart(1) >= 0)
        return m.captured(1);
    return m.captured(0);
}

struct CollectorRead {
    QString token;
    bool isPartial = false;
    bool isComplete = false;
};

QString repairedDigits(QString digits)
{
    for (QChar& c : digits) {
        if (c == u'O' || c == u'o')
            c = u'0';
        else if (c == u'S' || c == u's')
            c = u'5';
        else if (c == u'I' || c == u'l')
            c = u'1';
        else if (c == u'B')
            c = u'8';
    }
    return digits;
}

int digitCount(const QString& text)
{
    return int(std::count_if(text.begin(), text.end(), [](QChar c) { return c.isDigit(); }));
}

// The best collector read of a line: a full strip form first (rarity letter and padded
// number, number and set size, number and rarity letter), else the first bare number.
std::optional<CollectorRead> firstCollectorRead(const QString& text)
{
    for (auto it = paddedPattern().globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        // The padding zero read as O counts as a digit ("U OOSS" is 0055).
        const QString digits = m.captured(1);
        if (digitCount(digits) >= 2 || digits.startsWith(u'O') || digits.startsWith(u'o'))
            return CollectorRead{repairedDigits(m.captured(1)) + m.captured(2), false, true};
    }
    if (const auto m = numberOfSizePattern().match(text); m.hasMatch()) {
        const bool complete = m.captured(2).size() >= 3 || m.capturedStart(3) >= 0;
        return CollectorRead{m.captured(1), false, complete};
    }
    if (const auto m = rarityAfterPattern().match(text); m.hasMatch())
        return CollectorRead{m.captured(1), false, true};
    const auto m = collectorPattern().match(text);
    if (!m.hasMatch())
        return std::nullopt;
    CollectorRead read{m.captured(1), false, false};
    const qsizetype end = m.capturedEnd(0);
    if (end < text.size()) {
        const QChar next = text.at(end);
        read.isPartial = next == u'.' || next == u',' || next == QChar(0x00B7) || next == QChar(0x2022);
    }
    // A bare number is full length only in the padded form.
    read.isComplete = !read.isPartial && read.token.size() == 4 && read.token.startsWith(u'0');
    return read;
}

// Where the set code or the language starts on a line (upper-cased), or its length: what
// follows is the artist's name.
qsizetype textBeforeSetLine(const QString& upper)
{
    qsizetype cut = upper.size();
    if (const auto m = setPattern().match(upper); m.hasMatch())
        cut = std::min(cut, m.capturedStart(1));
    if (const auto m = languagePattern().match(upper); m.hasMatch())
        cut = std::min(cut, m.capturedStart(0));
    if (const auto m = starAsXSetPattern().match(upper); m.hasMatch())
        cut = std::min(cut, m.capturedStart(1));
    return cut;
}

// Better reads first: complete, then bare, then cut off.
int readRank(const CollectorRead& r) { return r.isComplete ? 2 : r.isPartial ? 0 : 1; }

bool hasLetter(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char32_t c = text.at(i).isHighSurrogate() && i + 1 < text.size()
                               ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1))
                               : text.at(i).unicode();
        if (QChar::isLetter(c))
            return true;
    }
    return false;
}

// How far below the topmost lettered line the title may stand.
constexpr double kTitleReach = 0.08;
// Title print stands some 2-4 % of the card tall: a line the engine boxes under half a
// percent is texture (an unknown height, 0, counts as tall enough).
constexpr double kTitleMinHeight = 0.005;

// Letters in the words of four or more letters: how much a line looks like words.
int wordLetters(const QString& text)
{
    int total = 0, run = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && (text.at(i).isLetter() || text.at(i) == u'\'' || text.at(i) == QChar(0x2019))) {
            run += text.at(i).isLetter();
            continue;
        }
        if (run >= 4)
            total += run;
        run = 0;
    }
    return total;
}

// The text without the frame edges and mana symbols the engine reads at the ends of a title
// bar ("| Questing Druid", "( Island }"); a text with no letter or digit stays as it is.
QString withoutEdgeMarks(const QString& text)
{
    // Names may open or close with quotes of their own.
    const auto kept = [](QChar c) {
        return c.isLetterOrNumber() || c == u'\'' || c == u'"' || c == QChar(0x2019) || c == QChar(0x201C) ||
               c == QChar(0x201D);
    };
    qsizetype start = 0, end = text.size();
    while (start < end && !kept(text.at(start)))
        ++start;
    while (end > start && !kept(text.at(end - 1)))
        --end;
    return start < end ? text.mid(start, end - start) : text;
}

// Whitespace without line breaks.
bool isBlank(QChar c) { return c != u'\n' && c != u'\r' && c != QChar(0x2028) && c != QChar(0x2029) && c.isSpace(); }

} // namespace

QString collectorSeparatorClass() { return kSeparators; }

QString strippingCollectorMarks(const QString& number)
{
    QString out = number;
    out.remove(QChar(0x2605));
    out.remove(QChar(0x2020));
    return out;
}

QString normalizeCollectorNumber(const QString& number)
{
    qsizetype start = 0, end = number.size();
    while (start < end && isBlank(number.at(start)))
        ++start;
    while (end > start && isBlank(number.at(end - 1)))
        --end;
    const QString trimmed = number.mid(start, end - start);
    qsizetype run = 0;
    while (run < trimmed.size() && trimmed.at(run).isNumber())
        ++run;
    if (run == 0)
        return trimmed;
    QString digits = trimmed.left(run);
    qsizetype zeros = 0;
    while (zeros < digits.size() && digits.at(zeros) == u'0')
        ++zeros;
    digits = digits.mid(zeros);
    if (digits.isEmpty())
        digits = QStringLiteral("0");
    return digits + trimmed.mid(run);
}

std::optional<ScanFinish> finishFromCollector(const std::optional<QString>& number)
{
    if (!number || number->isEmpty())
        return std::nullopt;
    if (number->contains(QChar(0x2605)) || number->contains(QChar(0x2020)))
        return ScanFinish::foil;
    return std::nullopt;
}

QStringList normalizedCollectorLookupCandidates(const QString& number)
{
    const QString base = normalizeCollectorNumber(number);
    if (number.contains(QChar(0x2605)) || number.contains(QChar(0x2020))) {
        const QString stripped = normalizeCollectorNumber(strippingCollectorMarks(number));
        if (stripped != base)
            return {base, stripped};
    }
    return {base};
}

namespace ArtCardBack {
bool sawMarker(const std::vector<OCRLine>& lines)
{
    return std::any_of(lines.begin(), lines.end(),
                       [](const OCRLine& line) { return artSeriesPattern().match(line.text.toUpper()).hasMatch(); });
}
} // namespace ArtCardBack

bool isPrintedLanguage(const QString& code)
{
    return kLanguages.split(u'|').contains(code.toUpper());
}

namespace {

// Where the strip's parts were read: the heights (midY) of their lines.
struct StripLines {
    std::optional<double> set;
    std::optional<double> language;
    std::optional<double> collector;
};

// 1. Set code and language: each from the first line that yields it. Artwork and frame
// texture read as "BIS - et": a set code followed by a language that strips print wins, and
// without one only a line of the bottom strip band counts.
void readSetAndLanguage(const std::vector<OCRLine>& lines, CardAttribution& out, StripLines& at)
{
    for (const OCRLine& line : lines) {
        if (out.setCode)
            break;
        const QString upper = line.text.toUpper();
        const auto m = setPattern().match(upper);
        if (!m.hasMatch())
            continue;
        if (const auto language = knownLanguagePattern().match(upper, m.capturedEnd(1)); language.hasMatch()) {
            out.setCode = m.captured(1);
            at.set = line.midY;
            out.language = language.captured(1).toLower();
            at.language = line.midY;
        }
    }
    for (const OCRLine& line : lines) {
        const QString upper = line.text.toUpper();
        if (!out.setCode && line.midY <= AttributionStrip::defaultHeightFraction) {
            if (auto set = firstValue(setPattern(), upper)) {
                out.setCode = *set;
                at.set = line.midY;
            }
        }
        if (!out.language) {
            if (auto lang = firstValue(languagePattern(), upper)) {
                out.language = lang->toLower();
                at.language = line.midY;
            }
        }
    }
    if (out.setCode)
        return;
    // The foil star read as an X ("DSK XEN"), only in the bottom strip band.
    for (const OCRLine& line : lines) {
        if (line.midY > AttributionStrip::defaultHeightFraction)
            continue;
        const auto m = starAsXSetPattern().match(line.text.toUpper());
        if (!m.hasMatch())
            continue;
        out.setCode = m.captured(1);
        at.set = line.midY;
        if (!out.language) {
            out.language = m.captured(2).toLower();
            at.language = line.midY;
        }
        break;
    }
}

// 2. Collector number: the best read of the strip, nearest the set line among equals. Legal
// lines never count, nor what follows a set code or language on its line (the artist's
// name). Without a set line only a full strip form in the bottom band counts.
void readCollectorNumber(const std::vector<OCRLine>& lines, CardAttribution& out, StripLines& at)
{
    const std::optional<double> setLine = at.set;
    std::optional<QString> foilMark;
    std::optional<CollectorRead> kept;
    double keptDistance = 0;
    for (const OCRLine& line : lines) {
        const QString upper = line.text.toUpper();
        if (upper.contains(QStringLiteral("WIZARD")) || upper.contains(QStringLiteral("COAST")) ||
            upper.contains(QChar(0x00A9)))
            continue;
        if (setLine) {
            if (std::abs(line.midY - *setLine) > 0.08)
                continue;
            if (!foilMark) {
                if (line.text.contains(QChar(0x2605)))
                    foilMark = QString(QChar(0x2605));
                else if (line.text.contains(QChar(0x2020)))
                    foilMark = QString(QChar(0x2020));
            }
        } else if (line.midY > AttributionStrip::defaultHeightFraction) {
            continue;
        }
        const auto read = firstCollectorRead(line.text.left(textBeforeSetLine(upper)));
        if (!read || (!setLine && !read->isComplete))
            continue;
        const double distance = setLine ? std::abs(line.midY - *setLine) : 0.0;
        const bool better = !kept || readRank(*read) > readRank(*kept) ||
                            (readRank(*read) == readRank(*kept) && distance < keptDistance);
        if (better) {
            kept = read;
            keptDistance = distance;
            at.collector = line.midY;
        }
    }
    if (!kept)
        return;
    QString number = kept->token;
    if (foilMark && !number.contains(QChar(0x2605)) && !number.contains(QChar(0x2020)))
        number += *foilMark;
    out.collectorNumber = number;
    out.collectorNumberIsPartial = kept->isPartial;
    out.collectorNumberIsComplete = kept->isComplete;
}

// 3-4. A token number near any anchor of the strip.
bool readsToken(const std::vector<OCRLine>& lines, const StripLines& at)
{
    std::vector<double> anchors;
    if (at.set)
        anchors.push_back(*at.set);
    if (at.language)
        anchors.push_back(*at.language);
    if (at.collector)
        anchors.push_back(*at.collector);
    return std::any_of(lines.begin(), lines.end(), [&](const OCRLine& line) {
        const bool near = std::any_of(anchors.begin(), anchors.end(),
                                      [&](double a) { return std::abs(line.midY - a) <= 0.08; });
        return near && tokenPattern().match(line.text.toUpper()).hasMatch();
    });
}

// 6-7. Title: the lettered line farthest from the strip (or the topmost).
void readTitle(const std::vector<OCRLine>& lines, std::optional<double> setLine, CardAttribution& out)
{
    std::vector<const OCRLine*> titles;
    for (const OCRLine& line : lines)
        if (line.text.size() > 2 && hasLetter(line.text) && !(line.height > 0 && line.height < kTitleMinHeight))
            titles.push_back(&line);
    if (setLine) {
        const double s = *setLine;
        std::stable_sort(titles.begin(), titles.end(), [s](const OCRLine* a, const OCRLine* b) {
            return std::abs(a->midY - s) > std::abs(b->midY - s);
        });
    } else {
        std::stable_sort(titles.begin(), titles.end(),
                         [](const OCRLine* a, const OCRLine* b) { return a->midY > b->midY; });
    }
    // Frame edges and artwork above the title bar read as short junk ("— were", "ete"):
    // within the title's reach the line with the most word letters is the title.
    if (!titles.empty()) {
        const double top = titles.front()->midY;
        auto best = titles.begin();
        for (auto it = titles.begin() + 1; it != titles.end(); ++it)
            if (std::abs((*it)->midY - top) <= kTitleReach && wordLetters((*it)->text) > wordLetters((*best)->text))
                best = it;
        std::rotate(titles.begin(), best, best + 1);
        out.title = withoutEdgeMarks(titles.front()->text);
    }
    if (setLine && titles.size() >= 2) {
        const double s = *setLine;
        const OCRLine* t = titles.front();
        for (size_t i = 1; i < titles.size() && i <= 2; ++i) {
            const OCRLine* l = titles[i];
            if (std::abs(l->midY - t->midY) <= 0.18 && (std::abs(t->midY - s) - std::abs(l->midY - s)) <= 0.18)
                out.titleAlternatives << l->text;
        }
    }
}

} // namespace

CardAttribution parseAttribution(const std::vector<OCRLine>& lines)
{
    CardAttribution out;
    StripLines at;
    readSetAndLanguage(lines, out, at);
    readCollectorNumber(lines, out, at);
    out.isToken = readsToken(lines, at);
    // 5.
    out.isArtSeries = ArtCardBack::sawMarker(lines);
    readTitle(lines, at.set, out);
    return out;
}

} // namespace vantry
