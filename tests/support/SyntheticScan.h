#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

namespace vantry::test {

// A card to render as a scanner would deliver it: a light card with a title, a type line,
// a line of rules text and its collector strip, on a dark scanner background.
struct SyntheticCard {
    QString title = QStringLiteral("Lightning Bolt");
    QString typeLine = QStringLiteral("Instant");
    QString rulesText = QStringLiteral("Deal 3 damage to any target.");
    // Collector strip lines, top to bottom, at the bottom left. Text after "✎ " is the
    // artist, set in small capitals.
    QStringList stripLines{QStringLiteral("C 0162"), QStringLiteral("M21 \u2022 EN \u270E CHRISTOPHER MOELLER")};
    // The legal line at the right, on the baseline of strip line `legalOnLine`.
    QString legalLine = QStringLiteral("\u2122 & \u00A9 2024 Wizards of the Coast");
    int legalOnLine = 1;
    // White print on a black border; false: dark print on a light border.
    bool darkBorder = true;
    // Full-art style: the strip stands over artwork instead of the plain border.
    bool stripOverArt = false;
    int dpi = 300;
    // The card turned clockwise in the scan, in quarter turns.
    int quarterTurns = 0;
    // Size of the whole scan; empty: the card plus a margin of 0.2 in on every side.
    QSize canvas;
    // A recognition marker in the art box, for MarkerRecognizer (0...65535).
    std::optional<int> marker;

    // A frame from 2023 on: "R 0255" over "SET • EN ✎ ARTIST" (★ for foil).
    static SyntheticCard modern(const QString& title, const QString& set, const QString& number,
                                QChar rarity = u'C', const QString& language = QStringLiteral("EN"),
                                bool foil = false);
    // A 2015-2022 frame: "171/274 C" over "SET • EN ✎ Artist".
    static SyntheticCard classic(const QString& title, const QString& set, const QString& number,
                                 const QString& setSize, QChar rarity = u'C',
                                 const QString& language = QStringLiteral("EN"));
};

// Card size in pixels at a resolution (63 x 88 mm).
QSize syntheticCardSize(int dpi);

QImage renderSyntheticScan(const SyntheticCard& card);

// Renders and writes the scan; `format` "PNG" or "JPEG". False on failure.
bool saveSyntheticScan(const SyntheticCard& card, const QString& path, const QByteArray& format = "PNG");

} // namespace vantry::test
