#pragma once

#include <QWidget>

namespace vantry {

// A small 16 × 16 spinner; it turns only while shown. No Q_OBJECT: it adds no signal.
class BusyIndicator : public QWidget {
public:
    explicit BusyIndicator(QWidget* parent);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int timer_ = 0;
    int step_ = 0;
};

} // namespace vantry
