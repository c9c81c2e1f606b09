#pragma once

#include <QColor>
#include <QString>

class QFont;
class QLabel;
class QWidget;

namespace vantry::SettingsStyle {

// Text sizes relative to the widget's font, and the text tones of the settings screens.
enum class Size { body, callout, caption, caption2 };
enum class Tone { primary, secondary, tertiary, accent, green, destructive };

QFont font(const QWidget* widget, Size size, bool bold = false);
QColor color(const QWidget* widget, Tone tone);

void setTone(QWidget* widget, Tone tone);

// The style sheet of one segment of a segmented picker made of checkable tool buttons: the
// outer corners rounded, a shared border, the checked segment filled with the accent colour.
QString segmentStyle(const QWidget* widget, bool first, bool last, int horizontalPadding);

// A word-wrapped label of the given size and tone, with an object name and accessible name.
QLabel* label(const QString& text, const QString& objectName, Size size, Tone tone, QWidget* parent);

// A note under a group of controls: caption size, secondary tone.
QLabel* note(const QString& text, const QString& objectName, QWidget* parent);

} // namespace vantry::SettingsStyle
