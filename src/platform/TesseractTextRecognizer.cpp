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

void prepareProcessOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // The engine's OpenMP team would fight the CPU pool for cores (and spin while it
        // waits). OpenMP reads OMP_THREAD_LIMIT only when it is loaded, which happened
        // with the engine's library, so also make every parallel region inactive through
        // the runtime's setter.
        qputenv("OMP_THREAD_LIMIT", "1");
        using SetLevels = void (*)(int);
        if (auto setLevels = reinterpret_cast<SetLevels>(dlsym(RTLD_DEFAULT, "omp_set_max_active_levels")))
            setLevels(0);
    });
}

Engine* threadEngine()
{
    thread_local std::unique_ptr<Engine> engine;
    if (engine)
        return engine->ready ? engine.get() : nullptr;
    prepareProcessOnce();
    engine = std::make_unique<Engine>();
    // The engine reads its model with the C library's number parsing: give this thread
    // the C locale while it loads.
    locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    locale_t previous = cLocale ? uselocale(cLocale) : static_cast<locale_t>(nullptr);
    std::vector<std::string> names{"load_system_dawg", "load_freq_dawg", "debug_file"};
    std::vector<std::string> values{"0", "0", "/dev/null"};
    const int rc = engine->api.Init(nullptr, "eng", tesseract::OEM_LSTM_ONLY, nullptr, 0, &names, &values, false);
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

// 8-bit luma of the image drawn over black (premultiplied RGB weighted as Rec. 601).
cv::Mat lumaOf(const QImage& input)
{
    const QImage image = input.format() == QImage::Format_RGBA8888_Premultiplied
                             ? input
                             : input.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    const cv::Mat rgba(image.height(), image.width(), CV_8UC4, const_cast<uchar*>(image.constBits()),
                       size_t(image.bytesPerLine()));
    cv::Mat grey;
    cv::cvtColor(rgba, grey, cv::COLOR_RGBA2GRAY);
    return grey;
}

// Median height of the glyph-sized blobs of either polarity, in pixels of `grey`; 0 when
// there are fewer than three. Counted on a copy of about a megapixel.
double typicalGlyphHeight(const cv::Mat& grey)
{
    const int k = std::max(1, int(std::sqrt(double(grey.total()) / 1.0e6)));
    cv::Mat sample = grey;
    if (k > 1)
        cv::resize(grey, sample, cv::Size(std::max(1, grey.cols / k), std::max(1, grey.rows / k)), 0, 0,
                   cv::INTER_AREA);
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

struct Word {
    QString text;
    int left, top, right, bottom;
};

} // namespace

bool TesseractTextRecognizer::available() { return threadEngine() != nullptr; }

std::shared_ptr<const TextRecognizing> TesseractTextRecognizer::shared()
{
    static const auto instance = std::make_shared<const TesseractTextRecognizer>();
    return instance;
}

std::vector<OCRLine> TesseractTextRecognizer::recognizeLines(const QImage& image) const
{
    std::vector<OCRLine> out;
    if (image.isNull() || image.width() < 2 || image.height() < 2)
        return out;
    Engine* engine = threadEngine();
    if (!engine)
        return out;

    cv::Mat grey;
    try {
        grey = lumaOf(image);
        rescaleForText(grey);
    } catch (const cv::Exception&) {
        return out;
    }
    const int h = grey.rows;
    tesseract::TessBaseAPI& api = engine->api;
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
            for (size_t k = start; k < i; ++k) {
                parts << words[k].text;
                top = std::min(top, words[k].top);
                bottom = std::max(bottom, words[k].bottom);
            }
            const QString text = parts.join(u' ').trimmed();
            if (!text.isEmpty())
                out.push_back({text, 1.0 - (top + bottom) / 2.0 / h, double(bottom - top) / h});
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
            if (!word.isEmpty())
                words.push_back({word, l, t, r, b});
        }
    } while (it->Next(tesseract::RIL_WORD));
    flushLine();
    api.Clear();
    return out;
}

} // namespace vantry
