#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

namespace vantry {

// Small drawn symbols of the capture window's bars, by name ("eye", "pause.fill", ...), in
// one colour. The desktop's icon themes differ too much to name them; these look the same
// everywhere. An unknown name draws nothing.
namespace CaptureSymbols {

QPixmap pixmap(const QString& name, const QColor& color, int size = 16, qreal ratio = 2.0);
QIcon icon(const QString& name, const QColor& color, int size = 16);

} // namespace CaptureSymbols

} // namespace vantry
