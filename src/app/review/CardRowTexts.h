#pragma once

#include "app/batch/CaptureViewModel.h"
#include "core/card/PriceTier.h"
#include "core/reading/CollectorMatching.h"

#include <QString>
#include <QUrl>

#include <optional>

// What a review row shows and allows, derived from the model's row alone: every text, tint,
// symbol and enabled state of the card row, so the widget only lays them out.
namespace vantry::CardRowTexts {

// The colours a row uses; the widget maps them to its palette.
enum class Tint { primary, secondary, tertiary, green, orange, red, purple, blue, teal };

// The small symbols of a row (drawn by the widget).
enum class Symbol { checkmarkCircleFill, checkmarkCircle, questionmarkCircle, exclamationmarkTriangle, checkmarkSealFill };

using Row = CaptureViewModel::Row;

// --- Layout -------------------------------------------------------------------------------
inline constexpr int thumbnailWidth = 132;
inline constexpr int thumbnailHeight = 184;
inline constexpr int zoomWidth = 300;
inline constexpr int zoomHeight = 420;
inline constexpr int candidateThumbWidth = 30;
inline constexpr int candidateThumbHeight = 42;
// The review row's search field is at most this wide, or as wide as its placeholder needs.
inline constexpr int searchFieldMaxWidth = 220;
inline constexpr int finishPickerWidth = 96;
inline constexpr double reviewedOpacity = 0.6;

// 0.6 for a reviewed row, 1.0 otherwise.
double rowOpacity(const Row& row);
// The review controls stand under the header only while no printing is chosen.
bool showsReviewControls(const Row& row);
// The kind the row's search starts with: art for an art card (the chosen printing's flag when
// there is one), else token for a token, else any.
ManualSearchKind initialSearchKind(const Row& row);

// --- Thumbnail and compare popover ---------------------------------------------------------
// "Added manually", or the file name of the front scan.
QString thumbnailCaption(const Row& row);
QString thumbnailHelp();
QString zoomScannedCaption();
// "Matched: " and the chosen printing's name.
QString zoomMatchedCaption(const Candidate& chosen);
QString catalogImageUnavailable();
// The chosen printing's catalogue image at size normal; none without a chosen printing or id.
std::optional<QUrl> zoomCatalogUrl(const Row& row, const QString& imageBase);
// A candidate's catalogue image at size small; none when no address can be made.
std::optional<QUrl> candidateThumbUrl(const Candidate& candidate, const QString& imageBase);

// --- Header ---------------------------------------------------------------------------------
// The set code upper-cased, a blank and the collector number.
QString setAndNumber(const Candidate& candidate);
// "Needs review · card #" and the card's 1-based place in the batch.
QString needsReviewTitle(const Row& row);
QString tokenTag();
QString tokenTagHelp();
QString artTag();
QString artTagHelp();
QString changeLabel();
QString changeHelp();

// --- Double-sided token cue ----------------------------------------------------------------
// The face shown on the scan: same set (any case) and collector number, else same name (any case).
std::optional<PhysicalTokenFace> physicalTokenVisibleFace(const Candidate& candidate,
                                                          const PhysicalTokenMetadata& token);
// Each face's name, with " $0.00" when priced, joined with " // ".
QString physicalTokenFacesLabel(const PhysicalTokenMetadata& token);
// "<face> side $0.00", else "best side $0.00", else none.
std::optional<QString> physicalTokenPriceText(const Candidate& candidate, const PhysicalTokenMetadata& token);
QString physicalTokenTitle();
QString physicalTokenHelp();

// --- Price ----------------------------------------------------------------------------------
struct PriceLabel {
    QString text; // "$12.34"
    PriceTier tier = PriceTier::bulk;
    Tint tint = Tint::secondary;
    bool highlighted = false;
    QString help;

    bool operator==(const PriceLabel&) const = default;
};
// "$" and the amount with two decimals.
QString money(double usd);
// None for no price (or one that is not a finite number).
std::optional<PriceLabel> priceLabel(std::optional<double> usd);
QString priceTierHelp(PriceTier tier);
Tint priceTierTint(PriceTier tier);

// --- Status badge ---------------------------------------------------------------------------
struct StatusGlyph {
    Symbol symbol = Symbol::questionmarkCircle;
    Tint tint = Tint::orange;

    bool operator==(const StatusGlyph&) const = default;
};
StatusGlyph statusGlyph(Disposition disposition, bool hasChosen);

struct StatusBadge {
    StatusGlyph glyph;
    bool clickable = false;   // only a confirmed row can be (un)marked reviewed
    bool setsReviewed = false; // what a click sets `reviewed` to
    QString help;             // empty when not clickable

    bool operator==(const StatusBadge&) const = default;
};
StatusBadge statusBadge(const Row& row);

// --- Review controls ------------------------------------------------------------------------
// The orange warning of a row without candidates: its read note, or the fixed text.
std::optional<QString> readWarning(const Row& row);
// "93%" for a score above 0; none for 0.
std::optional<QString> candidateScoreText(double score);
QString artSeriesCandidateHelp();
// The candidate list's height cap: 160 with more than 6 candidates, none otherwise.
std::optional<int> candidateListMaxHeight(std::size_t candidateCount);
QString searchPlaceholder();
// What a search field `available` pixels wide shows when the whole placeholder needs `whole`:
// the whole one when it fits, else a short one that keeps its example in sight ("245
// set:J25" was cut off before anyone saw it). The field's tooltip holds the whole one.
QString searchPlaceholder(int available, int whole);
QString kindLabel(ManualSearchKind kind);
QString kindPickerHelp();
QString searchLabel();
QString skipLabel();
QString rotateLabel();
QString rotateHelp();
// The Search button is enabled while the typed text is not blank.
bool searchEnabled(const QString& typed);
// What the row's search sends: the typed text completed with the row's set code when it is a
// bare collector number, then narrowed by the kind; none for a blank text.
std::optional<QString> searchQuery(const QString& typed, ManualSearchKind kind, const Row& row);
// Rotate is disabled, and a progress indicator shown, while the row is re-analysed.
bool rotateEnabled(const Row& row);
bool showsRotateProgress(const Row& row);

// --- Finish and variant pickers -------------------------------------------------------------
QString finishLabel(ScanFinish finish);
QString variantLabel(ArtSeriesVariant variant);
QString variantPickerHelp();
// The variant picker shows only for an Art Series printing.
bool showsVariantPicker(const Candidate& chosen);

} // namespace vantry::CardRowTexts
