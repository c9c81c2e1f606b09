#pragma once

#include "core/card/Candidate.h"
#include "core/card/CardAttribution.h"
#include "core/card/ScanItemPayload.h"

#include <QString>

#include <optional>
#include <vector>

namespace vantry {

inline constexpr double defaultAutoThreshold = 0.92;
inline constexpr double defaultGapMin = 0.04;

enum class Disposition { autoConfirm, review, unresolved };

// The case name as logs and records print it: "auto", "review", "unresolved".
QString rawValue(Disposition disposition);

// Whether an automatic confirmation stands against what the collector strip said.
struct AutoConfirmValidation {
    std::optional<QString> demotionReason; // absent: pass

    static AutoConfirmValidation pass() { return {}; }
    static AutoConfirmValidation demote(QString reason) { return {std::move(reason)}; }
    bool isPass() const { return !demotionReason; }

    bool operator==(const AutoConfirmValidation&) const = default;
};

struct ValidatedDisposition {
    Disposition disposition = Disposition::unresolved;
    AutoConfirmValidation validation;

    bool operator==(const ValidatedDisposition&) const = default;
};

// Clamped to 0...1 (NaN -> 0), rounded to 4 decimals, halves away from zero.
double clampUnit(double x);

// The list is taken in its order: first is the top candidate, second the runner-up.
Disposition decideDisposition(const std::vector<Candidate>& candidates, double autoThreshold = defaultAutoThreshold,
                              double gapMin = defaultGapMin);

AutoConfirmValidation validateAutoConfirmCandidate(const Candidate& candidate, const CardAttribution& attribution);

ValidatedDisposition validatedDisposition(const std::vector<Candidate>& candidates,
                                          const CardAttribution& attribution,
                                          double autoThreshold = defaultAutoThreshold, double gapMin = defaultGapMin);

// The inventory item identity: "<scryfallId>:<finish>", plus ":signature" for a signature
// Art Series printing.
QString scanItemId(const Candidate& candidate);

ScanItemPayload makeScanItem(const Candidate& candidate, int count, double confidence, const QString& addedBy,
                             const std::optional<QString>& condition, const std::optional<double>& unitCost);

// One payload per item identity in order of first appearance, counting its candidates
// and keeping the lowest score as confidence.
std::vector<ScanItemPayload> aggregateItems(const std::vector<Candidate>& candidates, const QString& addedBy,
                                            const std::optional<QString>& condition,
                                            const std::optional<double>& unitCost);

} // namespace vantry
