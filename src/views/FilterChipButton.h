#pragma once

#include <QAbstractButton>

namespace vantry {

// One capsule chip of the review bars: optional glyph, label and count. An active chip is
// outlined and tinted in the accent colour, an inactive one in grey.
class FilterChipButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit FilterChipButton(QWidget* parent = nullptr);

    void setChip(const QString& icon, const QString& label, qint64 count, bool active);
    bool isActive() const { return active_; }
    qint64 count() const { return count_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont countFont() const;
    QFont iconFont() const;

    QString icon_;
    qint64 count_ = 0;
    bool active_ = false;
};

} // namespace vantry
