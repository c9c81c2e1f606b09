#pragma once

#include "app/recount/RecountLine.h"
#include "app/review/CardRowTexts.h"

#include <QColor>
#include <QString>

class QFont;
class QFrame;
class QLabel;
class QWidget;

// The look of the windows in one place: every colour by name, the text sizes and tones, and
// the style-sheet pieces the views share. A view names what it shows (a warning, a secondary
// text); the value lives here only.
namespace vantry::Theme {

// --- Tints: fills, symbols, banners and filled buttons ------------------------------------

inline constexpr QColor accent{10, 132, 255};
inline constexpr QColor success{52, 199, 89};
inline constexpr QColor warning{255, 149, 0};
inline constexpr QColor danger{255, 59, 48};
// The recount review header's yellow.
inline constexpr QColor caution{255, 204, 0};
// The "Art" badge of a manual search result.
inline constexpr QColor artSeries{175, 82, 222};
// A grey that works on light and dark backgrounds at low opacity: fills, hairlines, borders.
inline constexpr QColor neutral{128, 128, 128};
inline constexpr QColor separator{128, 128, 128, 80};
inline constexpr QColor placeholderFill{128, 128, 128, 36};
inline constexpr QColor disabledFill{128, 128, 128, 60};
// The checked segment of a segmented picker.
inline constexpr QColor surface{255, 255, 255};
// Text and symbols on a filled tint.
inline constexpr QColor onTint{255, 255, 255};
inline constexpr QColor onTintDisabled{255, 255, 255, 200};

// --- Texts on the light window ------------------------------------------------------------

inline constexpr QColor primaryText{0x1d, 0x1d, 0x1f};
// Titles and symbols of the toolbar's and footer's plain buttons.
inline constexpr QColor controlText{40, 40, 45};
inline constexpr QColor secondaryText{0x6e, 0x6e, 0x73};
inline constexpr QColor tertiaryText{0x8e, 0x8e, 0x93};
inline constexpr QColor quaternaryText{0x98, 0x98, 0x9d};
inline constexpr QColor faintText{0xae, 0xae, 0xb2};
inline constexpr QColor disabledText{0xa0, 0xa0, 0xa5};
// Warnings in the footer and the watcher strip, and the "Surge" finish.
inline constexpr QColor warningText{0xc4, 0x6a, 0x00};
// The "Foil" finish.
inline constexpr QColor foilText{0xb3, 0x8f, 0x00};
inline constexpr QColor cautionText{0xd4, 0xa0, 0x00};
// A destructive button of an alert.
inline constexpr QColor destructiveText{0xc9, 0x25, 0x1c};
// The sign-in screen's error line.
inline constexpr QColor errorText{255, 0, 0};

// The recount screen's own orange, green and red texts.
inline constexpr QColor recountOrange{0xc9, 0x6a, 0x00};
inline constexpr QColor recountGreen{0x24, 0x8a, 0x3d};
inline constexpr QColor recountRed{0xd7, 0x00, 0x15};

// The settings screens' confirmation and destructive texts.
inline constexpr QColor settingsGreen{0x1f, 0x9d, 0x55};
inline constexpr QColor settingsDestructive{0xd7, 0x2c, 0x2c};

// --- Drawn symbols ------------------------------------------------------------------------

// The clear background a symbol is drawn on.
inline constexpr QColor clear{0, 0, 0, 0};
// Any opaque colour: in the clear composition mode only the covered area counts.
inline constexpr QColor cutOut{0, 0, 0};
// The dark disc behind the magnifier over a thumbnail.
inline constexpr QColor badgeDisc{0, 0, 0, 140};
// The glass slot of the empty state's scanner.
inline constexpr QColor slotFill{0xf2, 0xf2, 0xf2};

// A card row's tint on a light window.
QColor color(CardRowTexts::Tint tint);
// A recount status line's colour.
QColor color(RecountLine::Tone tone);

// `colour` with the alpha `alpha` (0...255).
QColor withAlpha(QColor colour, int alpha);
// "#rrggbb", or "rgba(r,g,b,a)" with the alpha in 0...255, for style sheets.
QString css(const QColor& colour);
// css() of `colour` with the alpha `alpha`.
QString css(const QColor& colour, int alpha);

// --- Text sizes and tones that follow the widget's palette --------------------------------

// Text sizes relative to the widget's font, and text tones: primary, secondary and tertiary
// are the palette's text mixed into its window, accent its highlight.
enum class Size { body, callout, caption, caption2 };
enum class Tone { primary, secondary, tertiary, accent, green, destructive };

QFont font(const QWidget* widget, Size size, bool bold = false);
QColor color(const QWidget* widget, Tone tone);
// `font` `factor` times as large, with `weight` when given (a QFont::Weight).
QFont scaled(QFont font, double factor, int weight = -1);

// Gives a widget's texts (window text, text and button text) the colour `colour` while it is
// enabled; disabled, they keep the palette's disabled colour.
void setTextColor(QWidget* widget, const QColor& colour);
void setTone(QWidget* widget, Tone tone);

// A word-wrapped, selectable label of the given size and tone, with an object name and
// accessible name.
QLabel* label(const QString& text, const QString& objectName, Size size, Tone tone, QWidget* parent);
// A note under a group of controls: caption size, secondary tone.
QLabel* note(const QString& text, const QString& objectName, QWidget* parent);
// A hidden, word-wrapped and centred notice on a rounded panel faintly tinted with `tint`.
QLabel* notice(const QString& objectName, const QString& accessibleName, const QColor& tint, QWidget* parent);

// --- Style-sheet pieces -------------------------------------------------------------------

// "QLabel { color: …; }".
QString labelColor(const QColor& colour);
// A clear background for the widgets `selectors` names ("QScrollArea, #content").
QString clearBackground(const QString& selectors);
// The style sheet of one segment of a segmented picker made of checkable tool buttons: the
// outer corners rounded, a shared border, the checked segment filled with the accent colour.
QString segmentStyle(const QWidget* widget, bool first, bool last, int horizontalPadding);
// The frame `objectName` of a compact segmented picker: a faint grey capsule whose checked
// button stands out on the surface colour.
QString compactSegmentsStyle(const QString& objectName);
// A rounded panel named `objectName` filled with `fill` (its opacity kept exactly).
QString panelStyle(const QString& objectName, const QColor& fill);

// A one-pixel hairline in the separator colour: across, or 18 pixels tall when vertical.
QFrame* divider(QWidget* parent, Qt::Orientation orientation = Qt::Horizontal,
                const QString& objectName = QStringLiteral("divider"));

} // namespace vantry::Theme
