#include "app/review/CardRowTexts.h"

#include "core/resolution/ScryfallResolver.h"

#include <QFileInfo>

#include <cmath>

namespace vantry::CardRowTexts {

double rowOpacity(const Row& row) { return row.reviewed ? reviewedOpacity : 1.0; }

bool showsReviewControls(const Row& row) { return !row.chosen.has_value(); }

ManualSearchKind initialSearchKind(const Row& row)
{
    const bool art = row.chosen ? row.chosen->isArtSeries : row.isArtSeries;
    if (art)
        return ManualSearchKind::art;
    return row.isToken ? ManualSearchKind::token : ManualSearchKind::any;
}

QString thumbnailCaption(const Row& row)
{
    if (row.isManual)
        return QStringLiteral("Added manually");
    return QFileInfo(row.card.front).fileName();
}

QString thumbnailHelp() { return QStringLiteral("Click to compare the scan with the matched card"); }

QString zoomScannedCaption() { return QStringLiteral("Scanned"); }

QString zoomMatchedCaption(const Candidate& chosen) { return QStringLiteral("Matched: ") + chosen.name; }

QString catalogImageUnavailable() { return QStringLiteral("Catalog image unavailable"); }

std::optional<QUrl> zoomCatalogUrl(const Row& row, const QString& imageBase)
{
    if (!row.chosen)
        return std::nullopt;
    return ScryfallImage::url(row.chosen->scryfallId, ScryfallImage::Size::normal, imageBase);
}

std::optional<QUrl> candidateThumbUrl(const Candidate& candidate, const QString& imageBase)
{
    return ScryfallImage::url(candidate.scryfallId, ScryfallImage::Size::small, imageBase);
}

QString setAndNumber(const Candidate& candidate)
{
    return candidate.setCode.toUpper() + u' ' + candidate.collectorNumber;
}

QString needsReviewTitle(const Row& row)
{
    return QStringLiteral("Needs review · card #") + QString::number(row.card.index + 1);
}

QString tokenTag() { return QStringLiteral("token"); }

QString tokenTagHelp()
{
    return QStringLiteral("The bottom-strip “T” marks this as a token. Token matches are floated to the top of the "
                          "list — pick the one whose set is T+the printed code (e.g. TOTJ for an OTJ token).");
}

QString artTag() { return QStringLiteral("art card"); }

QString artTagHelp()
{
    return QStringLiteral("This scan reads as an Art Series card. Candidates come from its printed back and the "
                          "art-match index; the search below defaults to art-card results (is:artseries).");
}

QString changeLabel() { return QStringLiteral("Change"); }

QString changeHelp() { return QStringLiteral("Undo this match and pick again (or search/skip)"); }

std::optional<PhysicalTokenFace> physicalTokenVisibleFace(const Candidate& candidate,
                                                          const PhysicalTokenMetadata& token)
{
    for (const PhysicalTokenFace& face : token.faces) {
        if (face.collectorNumber == candidate.collectorNumber &&
            face.setCode.compare(candidate.setCode, Qt::CaseInsensitive) == 0)
            return face;
    }
    for (const PhysicalTokenFace& face : token.faces) {
        if (face.name.compare(candidate.name, Qt::CaseInsensitive) == 0)
            return face;
    }
    return std::nullopt;
}

namespace {

bool isPrice(const std::optional<double>& usd) { return usd && std::isfinite(*usd); }

} // namespace

QString physicalTokenFacesLabel(const PhysicalTokenMetadata& token)
{
    QStringList pieces;
    for (const PhysicalTokenFace& face : token.faces)
        pieces << (isPrice(face.priceUsd) ? face.name + u' ' + money(*face.priceUsd) : face.name);
    return pieces.join(QStringLiteral(" // "));
}

std::optional<QString> physicalTokenPriceText(const Candidate& candidate, const PhysicalTokenMetadata& token)
{
    if (const auto face = physicalTokenVisibleFace(candidate, token); face && isPrice(face->priceUsd))
        return face->name + QStringLiteral(" side ") + money(*face->priceUsd);
    if (isPrice(token.bestPriceUsd))
        return QStringLiteral("best side ") + money(*token.bestPriceUsd);
    return std::nullopt;
}

QString physicalTokenTitle() { return QStringLiteral("Double-sided token"); }

QString physicalTokenHelp()
{
    return QStringLiteral("The visible token face is part of a physical double-sided token product. Inventory value "
                          "still uses the matched face unless you verify the physical token.");
}

QString money(double usd) { return QStringLiteral("$") + QString::asprintf("%.2f", usd); }

QString priceTierHelp(PriceTier tier)
{
    switch (tier) {
    case PriceTier::bulk: return QStringLiteral("Bulk (under $1)");
    case PriceTier::low: return QStringLiteral("Low value ($1–$5)");
    case PriceTier::nice: return QStringLiteral("Nice pull ($5–$20)");
    case PriceTier::great: return QStringLiteral("Great pull ($20–$50)");
    case PriceTier::chase: return QStringLiteral("Chase card ($50+)");
    }
    return {};
}

Tint priceTierTint(PriceTier tier)
{
    switch (tier) {
    case PriceTier::bulk: return Tint::secondary;
    case PriceTier::low: return Tint::primary;
    case PriceTier::nice: return Tint::green;
    case PriceTier::great: return Tint::orange;
    case PriceTier::chase: return Tint::purple;
    }
    return Tint::primary;
}

std::optional<PriceLabel> priceLabel(std::optional<double> usd)
{
    if (!isPrice(usd))
        return std::nullopt;
    const PriceTier tier = priceTierFrom(*usd);
    return PriceLabel{money(*usd), tier, priceTierTint(tier), isHighlighted(tier), priceTierHelp(tier)};
}

StatusGlyph statusGlyph(Disposition disposition, bool hasChosen)
{
    if (disposition == Disposition::autoConfirm)
        return {Symbol::checkmarkCircleFill, Tint::green};
    if (hasChosen)
        return {Symbol::checkmarkCircle, Tint::green};
    if (disposition == Disposition::review)
        return {Symbol::questionmarkCircle, Tint::orange};
    return {Symbol::exclamationmarkTriangle, Tint::red};
}

StatusBadge statusBadge(const Row& row)
{
    const StatusGlyph glyph = statusGlyph(row.disposition, row.chosen.has_value());
    if (!row.chosen)
        return {glyph, false, false, {}};
    if (row.reviewed)
        return {{Symbol::checkmarkSealFill, Tint::blue},
                true,
                false,
                QStringLiteral("Reviewed — click to send this card back to the working list.")};
    return {glyph, true, true,
            QStringLiteral("Mark reviewed: card, printing, and finish look right. Hides it from the Foil / Nonfoil / "
                           "Needs-review tabs so you stop re-checking it.")};
}

std::optional<QString> readWarning(const Row& row)
{
    if (!row.candidates.empty())
        return std::nullopt;
    return row.readNote.value_or(QStringLiteral("Couldn't read this card — search for it below, or Skip."));
}

std::optional<QString> candidateScoreText(double score)
{
    if (!(score > 0))
        return std::nullopt;
    return QString::asprintf("%.0f%%", score * 100);
}

QString artSeriesCandidateHelp() { return QStringLiteral("Art Series printing"); }

std::optional<int> candidateListMaxHeight(std::size_t candidateCount)
{
    return candidateCount > 6 ? std::optional(160) : std::nullopt;
}

QString searchPlaceholder() { return QStringLiteral("Name, collector #, or exact like \"245 set:J25\""); }

QString searchPlaceholder(int available, int whole)
{
    return available >= whole ? searchPlaceholder() : QStringLiteral("Name, #, or \"245 set:J25\"");
}

QString kindLabel(ManualSearchKind kind)
{
    switch (kind) {
    case ManualSearchKind::any: return QStringLiteral("All");
    case ManualSearchKind::art: return QStringLiteral("Art");
    case ManualSearchKind::token: return QStringLiteral("Token");
    }
    return {};
}

QString kindPickerHelp()
{
    return QStringLiteral("Narrow the search by kind: Art appends “is:artseries”, Token appends “t:token”. Any "
                          "Scryfall operator also works typed into the box.");
}

QString searchLabel() { return QStringLiteral("Search"); }

QString skipLabel() { return QStringLiteral("Skip"); }

QString rotateLabel() { return QStringLiteral("Rotate"); }

QString rotateHelp() { return QStringLiteral("Rotate the scan 90° and re-run recognition (for cards scanned sideways)"); }

bool searchEnabled(const QString& typed) { return !typed.trimmed().isEmpty(); }

std::optional<QString> searchQuery(const QString& typed, ManualSearchKind kind, const Row& row)
{
    const QString text = reviewRowManualSearchQuery(typed.trimmed(), row.chosen, row.candidates);
    if (text.isEmpty())
        return std::nullopt;
    return applyManualSearchKind(kind, text);
}

bool rotateEnabled(const Row& row) { return !row.isReanalyzing; }

bool showsRotateProgress(const Row& row) { return row.isReanalyzing; }

QString finishLabel(ScanFinish finish) { return rawValue(finish); }

QString variantLabel(ArtSeriesVariant variant)
{
    return variant == ArtSeriesVariant::signature ? QStringLiteral("Signature") : QStringLiteral("Plain");
}

QString variantPickerHelp()
{
    return QStringLiteral("Gold-stamped signature art cards are a separate, pricier product the scan can't tell "
                          "apart. Pick Signature to tag this copy as the signature variant on import; it values at "
                          "the gold-stamped price when we have one.");
}

bool showsVariantPicker(const Candidate& chosen) { return chosen.isArtSeries; }

} // namespace vantry::CardRowTexts
