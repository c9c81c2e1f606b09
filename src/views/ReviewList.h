#pragma once

#include "app/batch/CaptureViewModel.h"
#include "views/CardRow.h"

#include <QAbstractScrollArea>
#include <QHash>
#include <QUuid>

#include <memory>
#include <vector>

namespace vantry {

// The scrolling list of card rows. It keeps one `CardRow` per row id for as long as the model
// has that row, and reuses it when filters or the order change, so a row's search text, kind
// and open popover stay with it. A row's widget is made when the row first scrolls into view,
// and only rows in view are laid out, so a batch of a thousand rows scrolls and filters
// without building or measuring the rows out of sight.
class ReviewList : public QAbstractScrollArea {
    Q_OBJECT

public:
    ReviewList(std::shared_ptr<CaptureViewModel> model, CardRowOptions options = {}, QWidget* parent = nullptr);
    ~ReviewList() override;

    // Shows the rows `visible` (ids of rows of `all`, the model's rows) in that order. Widgets of
    // rows that `all` no longer has are dropped (their popovers close); a kept row hidden by a
    // filter keeps its widget and state, only its popover closes.
    void setRows(const std::vector<CaptureViewModel::Row>& all, const std::vector<QUuid>& visible);

    const std::vector<QUuid>& visibleIds() const { return order_; }
    // The row's widget when it has one (made once it scrolled into view).
    CardRow* rowWidget(const QUuid& id) const { return widgets_.value(id); }
    int widgetCount() const { return int(widgets_.size()); }
    // Rows currently placed in the viewport, top to bottom (the rows just beyond its edges are
    // placed too, out of sight, and not counted).
    std::vector<QUuid> rowsInView() const;
    // Scrolls so the row's top is in view.
    void scrollToRow(const QUuid& id);
    int contentHeight() const { return offsets_.empty() ? 0 : offsets_.back(); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void relayout();
    void place();
    // Tab order: the list, then each placed row's controls, top to bottom.
    void chainFocus();
    // Scrolls a control that Tab reached at the edge of the list into view.
    void revealFocused(QWidget* control);
    // Focuses the first row from `from` on (wrapping round) that needs review; `before` is the
    // order `from` stood in, should it have left the list.
    void focusNextToReview(const QUuid& from, const std::vector<QUuid>& before);
    void recomputeOffsets();
    CardRow* widgetFor(std::size_t index);
    int estimate(const CaptureViewModel::Row& row) const;
    const CaptureViewModel::Row* modelRow(const QUuid& id) const;

    std::weak_ptr<CaptureViewModel> model_;
    CardRowOptions options_;
    std::vector<QUuid> order_;
    std::vector<int> heights_;
    std::vector<int> offsets_; // size order_ + 1
    QHash<QUuid, CardRow*> widgets_;
    QHash<QUuid, int> measured_;  // height at the current width, while still valid
    QHash<QUuid, int> estimates_; // for rows without a widget yet
    QHash<QUuid, std::size_t> modelIndex_;
    std::vector<CardRow*> placed_;
    int measuredWidth_ = -1;
    bool placing_ = false;
    bool settingRows_ = false;
    // The focused control of a row went during `setRows` and the list holds the focus meanwhile.
    bool focusParked_ = false;
};

} // namespace vantry
