#pragma once

#include <QAbstractButton>
#include <QFont>
#include <QImage>
#include <QPixmap>

#include <optional>

namespace vantry {

// A card row's scan thumbnail with its magnifier and the file-name caption under it; a click
// opens the compare popover. No Q_OBJECT: it adds no signal, and stays a QAbstractButton to
// the widget probe.
class ScanThumbnailButton : public QAbstractButton {
public:
    explicit ScanThumbnailButton(QWidget* parent);

    // Redraws only when the image or the caption changed.
    void setScan(const std::optional<QImage>& image, const QString& caption);
    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    QRect imageRect() const;
    QRect captionRect() const;

    bool keyboardFocus_ = false;
    QFont captionFont_;
    QImage image_;
    qint64 imageKey_ = -1;
    QPixmap scaled_;
    QString caption_;
};

} // namespace vantry
