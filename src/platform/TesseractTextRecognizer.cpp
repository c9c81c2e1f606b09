#include "platform/TesseractTextRecognizer.h"

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <QByteArray>

#include <opencv2/imgproc.hpp>

#include <clocale>
#include <dlfcn.h>
#include <cmath>
#include <locale.h>
#include <memory>
#include <mutex>

namespace vantry {

namespace {

constexpr double kLargestGlyph = 26;
constexpr double kTargetGlyph = 22;
constexpr double kBlankPixels = 0.4e6;

// One engine per thread: TessBaseAPI is not safe to share.
struct Engine {
    tesseract::TessBaseAPI api;
    bool ready = false;
};

// The engine's OpenMP teams would fight the CPU pool for cores (and spin while they
// wait). OpenMP reads OMP_THREAD_LIMIT only when it is loaded, which happened with the
// engine's library, and its nesting limit belongs to each thread: so every thread that
// gets an engine makes its parallel regions inactive through the runtime's setter.
void keepEngineSingleThreaded()
{
    using SetLevels = void (*)(int);
    static const auto setLevels = [] {
        qputenv("OMP_THREAD_LIMIT", "1"); // for child processes
        return reinterpret_cast<SetLevels>(dlsym(RTLD_DEFAULT, "omp_set_max_active_levels"));
    }();
    if (setLevels)
        setLevels(0);
}

Engine* threadEngine()
{
    thread_local std::unique_ptr<Engine> engine;
    if (engine)
        return engine->ready ? engine.get() : nullptr;
    keepEngineSingleThreaded();
    engine = std::make_unique<Engine>();
    // The engine reads its model with the C library's number parsing: give this thread
    // the C locale while it loads.
    locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    locale_t previous = cLocale ? uselocale(cLocale) : static_cast<locale_t>(nullptr);
    std::vector<std::string> names{"load_system_dawg", "load_freq_dawg", "debug_file"};
    std::vector<std::string> values{"0", "0", "/dev/null"};
    int rc = 0;
    {
        // Some of these settings ("debug_file") are process globals that Init writes: engines
        // starting on several pool threads at once would write them concurrently.
        static std::mutex initializing;
        const std::lock_guard lock(initializing);
        rc = engine->api.Init(nullptr, "eng", tesseract::OEM_LSTM_ONLY, nullptr, 0, &names, &values, false);
    }
    if (cLocale) {
        uselocale(previous);
        freelocale(cLocale);
    }
    if (rc != 0)
        return nullptr;
    // Sparse text: a card holds short runs of print scattered over artwork and frame.
    engine->api.SetPageSegMode(tesseract::PSM_SPARSE_TEXT);
    engine->ready = true;
    return engine.get();
}

// 8-bit luma of the image drawn over black (premultiplied RGB weighted as Rec. 601); a
// grey image as it is.
cv::Mat lumaOf(const QImage& input)
{
    if (input.format() == QImage::Format_Grayscale8) {
        // A header over the pixels: the image outlives the read and nothing writes to it.
        return cv::Mat(input.height(), input.width(), CV_8UC1, const_cast<uchar*>(input.constBits()),
                       size_t(input.bytesPerLine()));
    }
    const QImage image = input.format() == QImage::Format_RGBA8888_Premultiplied
                             ? input
                             : input.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    const cv::Mat rgba(image.height(), image.width(), CV_8UC4, const_cast<uchar*>(image.constBits()),
                       size_t(image.bytesPerLine()));
    cv::Mat grey;
    cv::cvtColor(rgba, grey, cv::COLOR_RGBA2GRAY);
    return grey;
}

// `grey` shrunk by a whole factor to about `pixels` (as it is when smaller); `k` receives
// the factor.
cv::Mat sampleOf(const cv::Mat& grey, double pixels, int& k)
{
    k = std::max(1, int(std::sqrt(double(grey.total()) / pixels)));
    if (k == 1)
        return grey;
    cv::Mat sample;
    cv::resize(grey, sample, cv::Size(std::max(1, grey.cols / k), std::max(1, grey.rows / k)), 0, 0,
               cv::INTER_AREA);
    return sample;
}

// Median height of the glyph-sized blobs of either polarity, in pixels of `grey`; 0 when
// there are fewer than three. Counted on a copy of about 0.3 megapixels.
double typicalGlyphHeight(const cv::Mat& grey)
{
    int k = 1;
    const cv::Mat sample = sampleOf(grey, 0.3e6, k);
    cv::Mat binary;
    cv::threshold(sample, binary, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
    const int minHeight = std::max(3, 8 / k);
    std::vector<int> heights;
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1)
            cv::bitwise_not(binary, binary);
        cv::Mat labels, stats, centroids;
        const int n = cv::connectedComponentsWithStats(binary, labels, stats, centroids, 8, CV_32S);
        for (int i = 1; i < n; ++i) {
            const int bw = stats.at<int>(i, cv::CC_STAT_WIDTH), bh = stats.at<int>(i, cv::CC_STAT_HEIGHT);
            const int area = stats.at<int>(i, cv::CC_STAT_AREA);
            if (bh >= minHeight && bh <= sample.rows / 3 && bw <= 3 * bh && bw * 4 >= bh && area * 6 >= bw * bh)
                heights.push_back(bh);
        }
    }
    if (heights.size() < 3)
        return 0;
    std::nth_element(heights.begin(), heights.begin() + heights.size() / 2, heights.end());
    return double(heights[heights.size() / 2]) * k;
}

// The engine reads best with capitals of some 20-30 px and spends its time in proportion
// to the pixels: shrink images whose print is larger (the enlarged strips), and large
// images without any print. Line coordinates are normalised, so they do not change.
void rescaleForText(cv::Mat& grey)
{
    const double glyph = typicalGlyphHeight(grey);
    double f = 1;
    if (glyph > kLargestGlyph)
        f = std::max(kTargetGlyph / glyph, 0.25);
    else if (glyph == 0 && double(grey.total()) > kBlankPixels)
        f = std::sqrt(kBlankPixels / double(grey.total()));
    if (f >= 1)
        return;
    cv::Mat small;
    cv::resize(grey, small, cv::Size(std::max(2, int(std::lround(grey.cols * f))),
                                     std::max(2, int(std::lround(grey.rows * f)))),
               0, 0, cv::INTER_AREA);
    grey = small;
}

// More than half the pixels on the light side of the image's Otsu threshold, counted on a
// copy of about 0.1 megapixels.
bool mostlyLight(const cv::Mat& grey)
{
    int k = 1;
    const cv::Mat sample = sampleOf(grey, 0.1e6, k);
    cv::Mat binary;
    cv::threshold(sample, binary, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
    return cv::countNonZero(binary) * 2 > int(binary.total());
}

// Pixel boxes of the rescaled image, origin top-left.
struct PixelBox {
    int left, top, right, bottom;
};

struct Word {
    QString text;
    int left, top, right, bottom;
    std::vector<std::optional<PixelBox>> chars; // one per UTF-16 unit of text
};

// A line as read, before normalisation.
struct ReadLine {
    QString text;
    int left, top, right, bottom;
    std::vector<std::optional<PixelBox>> chars;
};

// The boxes of a word's characters from its symbols; when the symbols do not spell the
// word, the word's box is shared out evenly.
std::vector<std::optional<PixelBox>> characterBoxes(const QString& word, const PixelBox& wordBox,
                                                    const std::vector<std::pair<QString, PixelBox>>& symbols)
{
    std::vector<std::optional<PixelBox>> out;
    QString spelled;
    for (const auto& [text, box] : symbols) {
        spelled += text;
        for (qsizetype i = 0; i < text.size(); ++i)
            out.push_back(box);
    }
    if (spelled == word)
        return out;
    out.clear();
    const qsizetype n = word.size();
    const double step = double(wordBox.right - wordBox.left) / double(std::max<qsizetype>(n, 1));
    for (qsizetype i = 0; i < n; ++i)
        out.push_back(PixelBox{wordBox.left + int(std::lround(i * step)), wordBox.top,
                               wordBox.left + int(std::lround((i + 1) * step)), wordBox.bottom});
    return out;
}

std::vector<std::pair<QString, PixelBox>> symbolsOfWord(const tesseract::ResultIterator& word)
{
    std::vector<std::pair<QString, PixelBox>> out;
    tesseract::LTRResultIterator it(word);
    do {
        std::unique_ptr<char[]> text(it.GetUTF8Text(tesseract::RIL_SYMBOL));
        int l, t, r, b;
        if (!text || !it.BoundingBox(tesseract::RIL_SYMBOL, &l, &t, &r, &b))
            break;
        out.emplace_back(QString::fromUtf8(text.get()).trimmed(), PixelBox{l, t, r, b});
        if (it.IsAtFinalElement(tesseract::RIL_WORD, tesseract::RIL_SYMBOL))
            break;
    } while (it.Next(tesseract::RIL_SYMBOL));
    return out;
}

// Reads the lines of an image; `w` and `h` receive the size the boxes refer to.
std::vector<ReadLine> readLines(const QImage& image, int& w, int& h, bool withCharacters,
                               TextPrint print = TextPrint::mixed);

} // namespace

bool TesseractTextRecognizer::available() { return threadEngine() != nullptr; }

std::shared_ptr<const TextRecognizing> TesseractTextRecognizer::shared()
{
    static const auto instance = std::make_shared<const TesseractTextRecognizer>();
    return instance;
}

namespace {

std::vector<ReadLine> readLines(const QImage& image, int& w, int& h, bool withCharacters, TextPrint print)
{
    std::vector<ReadLine> out;
    if (image.isNull() || image.width() < 2 || image.height() < 2)
        return out;
    Engine* engine = threadEngine();
    if (!engine)
        return out;

    cv::Mat grey;
    bool invertWeakLines = true;
    try {
        grey = lumaOf(image);
        if (print != TextPrint::singleLine)
            rescaleForText(grey);
        // The inverted read of a weak line costs as much as the first; on dark print it only
        // ever reads texture.
        if (print == TextPrint::oneKind)
            invertWeakLines = !mostlyLight(grey);
    } catch (const cv::Exception&) {
        return out;
    }
    w = grey.cols;
    h = grey.rows;
    tesseract::TessBaseAPI& api = engine->api;
    api.SetVariable("tessedit_do_invert", invertWeakLines ? "1" : "0");
    // The engine is the thread's: every read sets the layout it wants.
    api.SetPageSegMode(print == TextPrint::singleLine ? tesseract::PSM_SINGLE_LINE : tesseract::PSM_SPARSE_TEXT);
    api.SetImage(grey.data, grey.cols, grey.rows, 1, int(grey.step));
    api.SetSourceResolution(300);
    if (api.Recognize(nullptr) != 0) {
        api.Clear();
        return out;
    }

    std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
    if (!it) {
        api.Clear();
        return out;
    }

    std::vector<Word> words;
    int lineTop = 0, lineBottom = 0;
    auto flushLine = [&] {
        if (words.empty())
            return;
        // Text on one baseline but far apart (collector number and legal line) is two lines.
        const double gapLimit = 1.5 * std::max(1, lineBottom - lineTop);
        size_t start = 0;
        for (size_t i = 1; i <= words.size(); ++i) {
            if (i < words.size() && words[i].left - words[i - 1].right <= gapLimit)
                continue;
            QStringList parts;
            int top = words[start].top, bottom = words[start].bottom;
            int left = words[start].left, right = words[start].right;
            std::vector<std::optional<PixelBox>> chars;
            for (size_t k = start; k < i; ++k) {
                parts << words[k].text;
                top = std::min(top, words[k].top);
                bottom = std::max(bottom, words[k].bottom);
                left = std::min(left, words[k].left);
                right = std::max(right, words[k].right);
                if (k > start)
                    chars.emplace_back(); // the joining space
                chars.insert(chars.end(), words[k].chars.begin(), words[k].chars.end());
            }
            const QString text = parts.join(u' ').trimmed();
            if (!text.isEmpty())
                out.push_back({text, left, top, right, bottom, std::move(chars)});
            start = i;
        }
        words.clear();
    };

    it->Begin();
    do {
        if (it->IsAtBeginningOf(tesseract::RIL_TEXTLINE)) {
            flushLine();
            int l, t, r, b;
            if (it->BoundingBox(tesseract::RIL_TEXTLINE, &l, &t, &r, &b)) {
                lineTop = t;
                lineBottom = b;
            }
        }
        std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_WORD));
        int l, t, r, b;
        if (text && it->BoundingBox(tesseract::RIL_WORD, &l, &t, &r, &b)) {
            const QString word = QString::fromUtf8(text.get()).trimmed();
            if (!word.isEmpty()) {
                std::vector<std::optional<PixelBox>> chars;
                if (withCharacters)
                    chars = characterBoxes(word, PixelBox{l, t, r, b}, symbolsOfWord(*it));
                words.push_back({word, l, t, r, b, std::move(chars)});
            }
        }
    } while (it->Next(tesseract::RIL_WORD));
    flushLine();
    api.Clear();
    return out;
}

} // namespace

std::vector<OCRLine> TesseractTextRecognizer::recognizeLines(const QImage& image, TextPrint print) const
{
    int w = 0, h = 0;
    std::vector<OCRLine> out;
    for (const ReadLine& line : readLines(image, w, h, false, print))
        out.push_back({line.text, 1.0 - (line.top + line.bottom) / 2.0 / h, double(line.bottom - line.top) / h});
    return out;
}

std::vector<TextObservation> TesseractTextRecognizer::recognizeObservations(const QImage& image) const
{
    int w = 0, h = 0;
    std::vector<TextObservation> out;
    auto normalised = [&](const PixelBox& b) {
        return TextBox{double(b.left) / w, 1.0 - double(b.bottom) / h, double(b.right - b.left) / w,
                       double(b.bottom - b.top) / h};
    };
    for (const ReadLine& line : readLines(image, w, h, true)) {
        TextObservation obs;
        obs.text = line.text;
        obs.box = normalised(PixelBox{line.left, line.top, line.right, line.bottom});
        // The line's middle and height exactly as recognizeLines reports them.
        obs.box.y = 1.0 - (line.top + line.bottom) / 2.0 / h - obs.box.height / 2;
        for (const auto& c : line.chars)
            obs.characterBoxes.push_back(c ? std::optional(normalised(*c)) : std::nullopt);
        obs.characterBoxes.resize(std::size_t(obs.text.size()));
        out.push_back(std::move(obs));
    }
    return out;
}

} // namespace vantry
