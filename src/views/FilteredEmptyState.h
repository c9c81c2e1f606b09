#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace vantry {

// Shown in place of the review list when the batch has rows but the filters hide them all.
class FilteredEmptyState : public QWidget {
    Q_OBJECT

public:
    explicit FilteredEmptyState(QWidget* parent = nullptr);

    void setLine(const QString& text);
    QPushButton* resetButton() const { return reset_; }

signals:
    void resetRequested();

private:
    QLabel* line_;
    QPushButton* reset_;
};

} // namespace vantry
