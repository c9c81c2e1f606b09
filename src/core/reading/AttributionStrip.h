#pragma once

#include "platform/OCRLine.h"

#include <QImage>
#include <QRect>

#include <optional>
#include <vector>

namespace vantry {

// The regions of a card read besides the whole image: a strip along the bottom and the
// top edge and a band in the upper part, enlarged so that small print is read, and the
// mapping of their lines back into whole-image coordinates.
namespace AttributionStrip {

enum class Edge { bottom, top };

inline constexpr double defaultHeightFraction = 0.18;
inline constexpr int defaultScale = 3;
inline constexpr double interiorTopFraction = 0.1;
inline constexpr double interiorHeightFraction = 0.2;

// Enlargement of strips and band for a card `height` pixels tall: ×3 at about 900 px, less
// for larger scans, whose print the engine would only shrink again (300 dpi: ×3, 600: ×1).
int scaleForHeight(int height);
// The whole-card pass reads print at 300-dpi size as well as larger, in a fraction of the
// time: taller images are read shrunk to this height.
inline constexpr int wholeCardTextHeight = 1100;

// The first read looks only where the print that names a printing stands: the collector
// strip along the bottom edge and the title bar along the top. Every frame prints them
// there, a scan's crop padding included. The engine's time goes with the print it reads:
// the strip's cut leaves out the rules text above it and the legal line at its right.
inline constexpr double collectorStripFraction = 0.085;
inline constexpr double collectorStripWidthFraction = 0.55;
// The title bar lies between the frame's top edge and the artwork: the engine reads its
// line well only without them.
inline constexpr double titleBarTopFraction = 0.02;
inline constexpr double titleBarHeightFraction = 0.095;
// Scale of the title bar for a card `height` pixels tall: titles are printed at about twice
// the strip's size and read best at about 1,000 px card height (600-dpi scans are shrunk).
double titleScaleForHeight(int height);

// The corner where strips print the collector number and set line (bottom left), read again
// when the first read of the strip showed a set line but no complete number: a tight crop
// holds no artwork or legal line to mislead the engine's sizing and layout.
inline constexpr double collectorCornerHeightFraction = 0.1;
inline constexpr double collectorCornerWidthFraction = 0.6;
// Scale of the corner for a card `height` pixels tall: strip print reads best at about twice
// the size it has on a card 1,000 px tall.
double cornerScaleForHeight(int height);
std::optional<QImage> collectorCorner(const QImage& image);

// The title line alone, for frames without a collector strip (older frames print their title
// in a darker face over a coloured, textured frame): tighter than the title bar, without the
// mana cost at the right, and larger.
inline constexpr double titleLineTopFraction = 0.035;
inline constexpr double titleLineHeightFraction = 0.065;
inline constexpr double titleLineWidthFraction = 0.8;
double titleLineScaleForHeight(int height);

// The top of the card where every frame prints its title, as the whole-card pass sees it
// (plain luma, at most the whole card's text height): white titles over artwork and titles
// set lower on full-art frames read there when the tight title bar misses them.
inline constexpr double titleAreaHeightFraction = 0.16;
std::optional<QImage> titleArea(const QImage& image);
std::vector<OCRLine> remappedTitleAreaLines(const std::vector<OCRLine>& lines);

// The title line found by its print, wherever it stands near the top of the card and
// whatever its colour and ground: light serif print on a dark, textured frame (older cards),
// dark on light, or over artwork. The rows where vertical strokes across the left three
// quarters (the mana cost stands at the right) crowd most above the rows just over and under
// them make the line (artwork is as busy there as within); its columns are
// cut to where the strokes are. The cut is freed of grain (median, then a small blur), its
// contrast stretched, and enlarged so that capitals stand some 34 px tall: the engine reads
// it as one line. `binarised` gives the same cut split at its Otsu threshold, a second
// reading of print whose grain the blur did not remove. `whiteness` takes the cut from each
// pixel's darkest channel, inverted: light print on a coloured frame (white titles on the blue
// or brown frames of old cards) turns dark on a light ground, where luma leaves it as dark as
// the frame.
inline constexpr double titleSearchTopFraction = 0.02;
inline constexpr double titleSearchHeightFraction = 0.14;
inline constexpr double titleSearchLeftFraction = 0.04;
inline constexpr double titleSearchWidthFraction = 0.76;
enum class LineGround { smoothed, binarised, whiteness };
struct LocatedLine {
    QImage image;
    double midY = 0;   // normalised to the card, 0 at the bottom edge
    double height = 0; // of the cut, normalised to the card
};
// None when the top of the card shows no print (an even ground) or the cut fails.
std::optional<LocatedLine> locatedTitleLine(const QImage& image, LineGround ground = LineGround::smoothed);

// Pixel rectangles, origin top-left.
std::optional<QRect> stripRect(int width, int height, Edge edge, double heightFraction = defaultHeightFraction);
std::optional<QImage> upscaledStrip(const QImage& image, Edge edge, double heightFraction = defaultHeightFraction,
                                    int scale = defaultScale);
std::optional<QRect> bandRect(int width, int height, double topFraction = interiorTopFraction,
                              double heightFraction = interiorHeightFraction);
std::optional<QImage> upscaledBand(const QImage& image, double topFraction = interiorTopFraction,
                                   double heightFraction = interiorHeightFraction, int scale = defaultScale);
// The rectangle cut out and enlarged `scale` times (cubic); none when the cut fails.
std::optional<QImage> upscaledCrop(const QImage& image, const QRect& rect, int scale);

// The rectangle cut out as 8-bit grey with its contrast stretched over the full range (the
// darkest and brightest 1 % clipped: faint print on a textured frame stands out), resized by
// `scale` (cubic when enlarging, area when shrinking); none when the cut fails.
// `brightestChannel` takes each pixel's brightest colour channel instead of its luma: dark
// print on a coloured frame (black on red, green or blue) keeps its full contrast, and the
// hues of a textured frame come out alike.
enum class GreyFrom { luma, brightestChannel, darkestChannel };
std::optional<QImage> normalisedGreyCrop(const QImage& image, const QRect& rect, double scale,
                                         GreyFrom from = GreyFrom::luma);
std::optional<QImage> collectorStrip(const QImage& image);
// The second look when the first read found no set code and complete number: the strip band taller and
// across the whole width (print over artwork, a card cut off-centre).
inline constexpr double wideCollectorStripFraction = 0.15;
std::optional<QImage> wideCollectorStrip(const QImage& image);
std::optional<QImage> titleBar(const QImage& image);
std::optional<QRect> titleLineRect(int width, int height);
std::optional<QImage> titleLine(const QImage& image);

OCRLine remapLine(const OCRLine& line, Edge edge, double heightFraction = defaultHeightFraction);
OCRLine remapBandLine(const OCRLine& line, double topFraction = interiorTopFraction,
                      double heightFraction = interiorHeightFraction);

// Title-bar or title-line lines in whole-image coordinates.
std::vector<OCRLine> remappedTitleBarLines(const std::vector<OCRLine>& lines);
std::vector<OCRLine> remappedTitleLineLines(const std::vector<OCRLine>& lines);

// Collector-strip lines, then title-bar lines (both remapped from their own fractions).
std::vector<OCRLine> mergedFirstLines(const std::vector<OCRLine>& collectorStripLines,
                                      const std::vector<OCRLine>& titleBarLines);

// Bottom-strip lines, then top-strip, then band (all remapped), then the whole-image
// lines; no sorting, no de-duplication.
std::vector<OCRLine> mergedLines(const std::vector<OCRLine>& whole, const std::vector<OCRLine>& bottomStrip,
                                 const std::vector<OCRLine>& topStrip, const std::vector<OCRLine>& interiorBand,
                                 double heightFraction = defaultHeightFraction);

} // namespace AttributionStrip

} // namespace vantry
