// The collector-strip parser over recognised text: each input line is one recognised line,
// its first two bytes giving its height and position on the card, the rest its text.

#include "FuzzInput.h"

#include "core/reading/CollectorStripParser.h"
#include "core/reading/ManualCardSearchQuery.h"

using namespace vantry;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<OCRLine> lines;
    for (const QByteArray& raw : fuzz::bytes(data, size).split('\n')) {
        OCRLine line;
        if (raw.size() >= 2) {
            line.midY = std::uint8_t(raw[0]) / 255.0;
            line.height = std::uint8_t(raw[1]) / 1275.0;
            line.text = QString::fromUtf8(raw.mid(2));
        } else {
            line.text = QString::fromUtf8(raw);
        }
        lines.push_back(line);
    }

    const CardAttribution attribution = parseAttribution(lines);
    if (attribution.collectorNumber) {
        (void)finishFromCollector(attribution.collectorNumber);
        (void)normalizedCollectorLookupCandidates(*attribution.collectorNumber);
    }
    (void)ArtCardBack::sawMarker(lines);
    for (const OCRLine& line : lines) {
        (void)normalizeCollectorNumber(line.text);
        (void)normalizedCollectorLookupCandidates(line.text);
        (void)strippingCollectorMarks(line.text);
        (void)parseManualCardSearchQuery(line.text);
    }
    return 0;
}
