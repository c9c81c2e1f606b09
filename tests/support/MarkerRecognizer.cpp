#include "support/MarkerRecognizer.h"

#include "support/RecordingResolver.h"

#include <QPainter>

namespace vantry::test {

namespace {

// Marker geometry in millimetres of a 63 x 88 mm card, inside the art box.
constexpr double kCardW = 63, kCardH = 88;
constexpr double kFrameLeft = 8, kFrameRight = 55, kFrameTop = 20, kFrameBottom = 40, kFrameThickness = 3;
constexpr double kCellsLeft = 11, kCellsRight = 52, kCellsTop = 23, kCellsBottom = 37;
constexpr int kBits = 16;

const QColor kFrame(230, 20, 20);
const QColor kOne(20, 20, 230);
const QColor kZero(20, 230, 20);

double cellCentreX(int i) { return kCellsLeft + (i + 0.5) * (kCellsRight - kCellsLeft) / kBits; }

enum class Colour { frame, one, zero, other };

Colour sample(const QImage& image, double xMm, double yMm)
{
    const int cx = int(xMm / kCardW * image.width());
    const int cy = int(yMm / kCardH * image.height());
    int r = 0, g = 0, b = 0, n = 0;
    for (int y = cy - 1; y <= cy + 1; ++y) {
        for (int x = cx - 1; x <= cx + 1; ++x) {
            if (x < 0 || y < 0 || x >= image.width() || y >= image.height())
                continue;
            const QColor c = image.pixelColor(x, y);
            r += c.red();
            g += c.green();
            b += c.blue();
            ++n;
        }
    }
    if (n == 0)
        return Colour::other;
    r /= n;
    g /= n;
    b /= n;
    if (r > 150 && g < 100 && b < 100)
        return Colour::frame;
    if (b > 150 && r < 100 && g < 100)
        return Colour::one;
    if (g > 150 && r < 100 && b < 100)
        return Colour::zero;
    return Colour::other;
}

} // namespace

void drawRecognitionMarker(QImage& image, const QRectF& card, int value)
{
    const double sx = card.width() / kCardW, sy = card.height() / kCardH;
    auto rect = [&](double l, double t, double r, double b) {
        return QRectF(card.left() + l * sx, card.top() + t * sy, (r - l) * sx, (b - t) * sy);
    };
    QPainter p(&image);
    p.fillRect(rect(kFrameLeft, kFrameTop, kFrameRight, kFrameBottom), kFrame);
    p.fillRect(rect(kFrameLeft + kFrameThickness, kFrameTop + kFrameThickness, kFrameRight - kFrameThickness,
                    kFrameBottom - kFrameThickness),
               Qt::white);
    const double cellW = (kCellsRight - kCellsLeft) / kBits;
    for (int i = 0; i < kBits; ++i) {
        const bool bit = (value >> (kBits - 1 - i)) & 1;
        const double left = kCellsLeft + i * cellW;
        p.fillRect(rect(left, kCellsTop, left + cellW, kCellsBottom), bit ? kOne : kZero);
    }
}

std::optional<int> MarkerRecognizer::readMarker(const QImage& card)
{
    if (card.isNull())
        return std::nullopt;
    const double midY = (kFrameTop + kFrameBottom) / 2, midX = (kFrameLeft + kFrameRight) / 2;
    const double half = kFrameThickness / 2;
    for (const auto& [x, y] : {std::pair{kFrameLeft + half, midY}, std::pair{kFrameRight - half, midY},
                               std::pair{midX, kFrameTop + half}, std::pair{midX, kFrameBottom - half}}) {
        if (sample(card, x, y) != Colour::frame)
            return std::nullopt;
    }
    int value = 0;
    for (int i = 0; i < kBits; ++i) {
        const Colour c = sample(card, cellCentreX(i), (kCellsTop + kCellsBottom) / 2);
        if (c != Colour::one && c != Colour::zero)
            return std::nullopt;
        value = (value << 1) | (c == Colour::one ? 1 : 0);
    }
    return value;
}

RecognitionOutcome MarkerRecognizer::defaultAnswer(int marker, ScanFinish finish)
{
    const QString n = QString::number(marker);
    RecognitionOutcome outcome;
    outcome.candidates.push_back(
        makeCandidate(QStringLiteral("card-") + n, QStringLiteral("Card ") + n, QStringLiteral("TST"), n, 0.99, finish));
    outcome.attribution.setCode = QStringLiteral("TST");
    outcome.attribution.collectorNumber = n;
    // As a clean read gives it: the number as the strip prints it, and the title.
    outcome.attribution.collectorNumberIsComplete = true;
    outcome.attribution.title = QStringLiteral("Card ") + n;
    return outcome;
}

QCoro::Task<RecognitionOutcome> MarkerRecognizer::recognize(QImage image, ScanFinish finish, BackLoader back,
                                                            CPULane lane) const
{
    // Copies: the recognizer may be gone when the task resumes.
    const auto log = calls;
    const Answer answerFor = answer;
    const auto hold = gate;
    auto read = CPUWork::run([image] { return readMarker(image); }, lane);
    const std::optional<int> marker = co_await std::move(read);
    if (hold) {
        auto held = hold();
        co_await std::move(held);
    }
    log->append(Call{marker, image.size(), finish, bool(back), lane});
    if (!marker)
        co_return RecognitionOutcome{};
    co_return answerFor ? answerFor(*marker, finish) : defaultAnswer(*marker, finish);
}

} // namespace vantry::test
