#pragma once

#include <QLabel>

namespace vantry {

// A one-line label that shortens its text with an ellipsis instead of widening its row. It
// shows `fullText`, not QLabel's text. No Q_OBJECT: it adds no signal, and stays a QLabel to
// style sheets, accessibility and the widget probe.
class ElidedLabel : public QLabel {
public:
    ElidedLabel(Qt::TextElideMode mode, QWidget* parent);

    void setFullText(const QString& text);
    const QString& fullText() const { return full_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::TextElideMode mode_;
    QString full_;
};

} // namespace vantry
