#pragma once

#include "core/card/Candidate.h"
#include "core/card/CardAttribution.h"

#include <QCoroTask>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace vantry {

// How far an exact set-and-number lookup can be trusted.
struct AttributionResolution {
    enum class Kind { trusted, demote, none };

    Kind kind = Kind::none;
    std::vector<Candidate> candidates; // trusted: the lookup's result
    std::optional<Candidate> demoted;  // demote: first hit of the first non-empty lookup

    static AttributionResolution trusted(std::vector<Candidate> list) { return {Kind::trusted, std::move(list), {}}; }
    static AttributionResolution demote(Candidate c) { return {Kind::demote, {}, std::move(c)}; }
    static AttributionResolution none() { return {}; }

    bool operator==(const AttributionResolution&) const = default;
};

// The exact-printing lookup: set code, collector number, finish, language.
using SetCollectorLookup =
    std::function<QCoro::Task<std::vector<Candidate>>(QString, QString, ScanFinish, std::optional<QString>)>;

// Reads the scan turned by a number of quarter turns and parses it.
using AttributionReader = std::function<QCoro::Task<CardAttribution>(int)>;

// The quarter turns of the sideways retry, in order.
inline const std::vector<int> sidewaysRetryQuarterTurns{1};

// The set codes a lookup tries, in order: a token read tries "T" + code first (always,
// even when the code already starts with "T"), anything else the code first and then
// the token set "T" + code unless the code starts with "T".
QStringList attributionSetCodes(const CardAttribution& attribution);

// Looks the printing up by set code and collector number; a hit is trusted only when a
// read title agrees with its name, else it is a demoted suggestion.
QCoro::Task<AttributionResolution> resolveAttribution(CardAttribution attribution, ScanFinish finish,
                                                      QStringList titleCandidates, SetCollectorLookup resolve);

struct SidewaysResolution {
    std::vector<Candidate> candidates;
    CardAttribution attribution;

    bool operator==(const SidewaysResolution&) const = default;
};

// Reads the scan again at each number of quarter turns and returns the first trusted
// lookup with the attribution of that read.
QCoro::Task<std::optional<SidewaysResolution>> resolveSidewaysAttribution(ScanFinish finish, bool autoFoilDetect,
                                                                          std::vector<int> turns,
                                                                          AttributionReader readAt,
                                                                          SetCollectorLookup resolve);

} // namespace vantry
