#pragma once

#include "app/review/CaptureFilters.h"
#include "app/review/ReviewBarsState.h"

#include <QWidget>

#include <memory>
#include <vector>

class QCheckBox;
class QFrame;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QScrollArea;
class QToolButton;

namespace vantry {

class FilterChipButton;
class SettingsStore;

// The bars over the review list: the chip bar with "Hide reviewed" and the sort menu, the
// search bar, and the set bar. It edits the window's filters in place and the "vy.reviewSort"
// setting, and says so through `filtersChanged`; the window then derives a new state and
// hands it back through `display`.
class ReviewFilterBar : public QWidget {
    Q_OBJECT

public:
    ReviewFilterBar(CaptureFilters& filters, std::shared_ptr<SettingsStore> settings, QWidget* parent = nullptr);

    void display(const ReviewBarsState& state);
    QLineEdit* searchField() const { return search_; }

signals:
    void filtersChanged();

private:
    QHBoxLayout* buildChipBar();
    QToolButton* buildSortMenu();
    QFrame* buildSearchBar();
    QScrollArea* buildSetBar();
    // Shows `chips`; true when their buttons were made anew.
    bool showChips(QHBoxLayout* row, std::vector<FilterChipButton*>& buttons, const std::vector<FilterChip>& chips,
                   int insertAt);
    void chainTabStops();
    void press(const std::vector<FilterChip>& chips, const QString& name);

    CaptureFilters& filters_;
    std::shared_ptr<SettingsStore> settings_;
    ReviewBarsState state_;
    QScrollArea* chipScroll_;
    QHBoxLayout* chipRow_;
    std::vector<FilterChipButton*> chipButtons_;
    QCheckBox* hideReviewed_;
    QToolButton* sort_;
    QLineEdit* search_;
    QLabel* searchCount_;
    QToolButton* clearSearch_;
    QScrollArea* setBar_;
    QHBoxLayout* setRow_;
    std::vector<FilterChipButton*> setButtons_;
};

} // namespace vantry
