#pragma once

#include "core/card/CardAttribution.h"
#include "core/card/ScanFinish.h"
#include "platform/OCRLine.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace vantry {

// Parses the recognised lines of one scan side (in the merge order of the four passes)
// into what its collector strip says, plus the likely title.
CardAttribution parseAttribution(const std::vector<OCRLine>& lines);

// Trims spaces and drops the leading zeros of the leading digit run: "007" -> "7",
// "000" -> "0", " 012a " -> "12a", "T12" stays.
QString normalizeCollectorNumber(const QString& number);

// foil when the number carries ★ or †.
std::optional<ScanFinish> finishFromCollector(const std::optional<QString>& number);

// The forms under which a read number is looked up: the normalised number, then the
// normalised number without ★/† when that differs.
QStringList normalizedCollectorLookupCandidates(const QString& number);

// The number with every ★ and † removed.
QString strippingCollectorMarks(const QString& number);

// True for the language codes strips print ("en", "JA"); a separator and two other letters
// read off artwork ("- se") are no sign of a strip.
bool isPrintedLanguage(const QString& code);

// The separator characters accepted between set code and language, as a character
// class body for a regular expression.
QString collectorSeparatorClass();

namespace ArtCardBack {
// True when some line says "ART SERIES" (any case, any spacing).
bool sawMarker(const std::vector<OCRLine>& lines);
} // namespace ArtCardBack

} // namespace vantry
