#pragma once

#include <QColor>
#include <QFrame>

class QLabel;
class QToolButton;
class QVBoxLayout;

namespace vantry {

// A full-width strip reporting one event of the batch: symbol, title over body, dismiss
// button. Bodies wrap to their full height and are never cut short.
class CaptureBanner : public QFrame {
    Q_OBJECT

public:
    enum class DividerEdge { bottom, top };

    CaptureBanner(const QString& objectName, const QString& symbol, QColor colour, int backgroundPercent,
                  const QString& dismissHelp, DividerEdge divider, QWidget* parent = nullptr);

    void setTitle(const QString& text);
    // A drawn symbol in place of the text one (a font may lack the glyph or draw it oddly).
    void setSymbol(const QPixmap& symbol);
    // The body label; `monospaced` for error texts, which can be selected and copied.
    QLabel* setBody(const QString& text, bool monospaced = false, bool secondary = false);
    // Room below the body for extra rows (the recount banner's bin buttons).
    QVBoxLayout* column() const { return column_; }
    QToolButton* dismissButton() const { return dismiss_; }
    QLabel* titleLabel() const { return title_; }
    QLabel* bodyLabel() const { return body_; }

signals:
    void dismissed();

private:
    QLabel* symbol_;
    QLabel* title_;
    QLabel* body_;
    QVBoxLayout* column_;
    QToolButton* dismiss_;
};

} // namespace vantry
