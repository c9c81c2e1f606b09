#include "views/ReviewList.h"

#include "app/review/CardRowTexts.h"
#include "app/review/ReviewRows.h"
#include "views/TabStops.h"
#include "views/Theme.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <optional>
#include <utility>

namespace vantry {

namespace {
constexpr int separator = 1;
}

ReviewList::ReviewList(std::shared_ptr<CaptureViewModel> model, CardRowOptions options, QWidget* parent)
    : QAbstractScrollArea(parent), model_(model), options_(std::move(options))
{
    setObjectName(QStringLiteral("reviewList"));
    setAccessibleName(QStringLiteral("Review list"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    verticalScrollBar()->setSingleStep(24);
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Base);
    options_.followModel = false;
    if (!options_.images)
        options_.images = CatalogImageCache::shared();
    offsets_ = {0};
}

ReviewList::~ReviewList() = default;

const CaptureViewModel::Row* ReviewList::modelRow(const QUuid& id) const
{
    const auto model = model_.lock();
    if (!model)
        return nullptr;
    const auto& rows = model->rows();
    // The index is from the last `setRows`; the model may have published since.
    if (const auto it = modelIndex_.constFind(id); it != modelIndex_.cend() && *it < rows.size() &&
                                                     rows[*it].id == id)
        return &rows[*it];
    for (const auto& row : rows) {
        if (row.id == id)
            return &row;
    }
    return nullptr;
}

int ReviewList::estimate(const CaptureViewModel::Row& row) const
{
    // Thumbnail and caption, or the review controls when they are taller.
    const int thumbnail = 16 + CardRowTexts::thumbnailHeight + 20;
    if (row.chosen)
        return thumbnail + separator;
    const std::size_t n = row.candidates.size();
    const int candidates = CardRowTexts::candidateListMaxHeight(n).value_or(int(n) * 48);
    return std::max(thumbnail, 16 + 28 + candidates + 40 + (n == 0 ? 24 : 0)) + separator;
}

void ReviewList::setRows(const std::vector<CaptureViewModel::Row>& all, const std::vector<QUuid>& visible)
{
    // The row the user is at (its popover open, or typing in it) keeps its place on screen
    // when the order or the filter changes, so the popover and the field stay beside it.
    std::optional<std::pair<QUuid, int>> anchor;
    const QWidget* focus = QApplication::focusWidget();
    // The row the keyboard is in, and the order it stood in, should its control go.
    std::optional<QUuid> focusRow;
    std::vector<QUuid> orderBefore;
    for (CardRow* widget : placed_) {
        if (focus && widget->isAncestorOf(focus)) {
            focusRow = widget->rowId();
            orderBefore = order_;
        }
        if (widget->isZoomShown() || (focus && widget->isAncestorOf(focus))) {
            anchor = std::pair(widget->rowId(), widget->y());
            if (widget->isZoomShown())
                break;
        }
    }
    settingRows_ = true;
    focusParked_ = false;

    modelIndex_.clear();
    modelIndex_.reserve(qsizetype(all.size()));
    for (std::size_t i = 0; i < all.size(); ++i)
        modelIndex_.insert(all[i].id, i);

    QSet<QUuid> shown(visible.begin(), visible.end());
    for (auto it = widgets_.begin(); it != widgets_.end();) {
        CardRow* widget = it.value();
        const auto index = modelIndex_.constFind(it.key());
        if (index == modelIndex_.cend()) {
            // The row left the batch: its widget (and popover) go at the next turn, since the
            // click that removed it may still be running inside it.
            widget->hideZoom();
            widget->hide();
            widget->deleteLater();
            measured_.remove(it.key());
            std::erase(placed_, widget);
            it = widgets_.erase(it);
            continue;
        }
        widget->setRow(all[*index]);
        if (!shown.contains(it.key()))
            widget->hideZoom();
        ++it;
    }
    estimates_.clear();
    order_.assign(visible.begin(), visible.end());
    heights_.resize(order_.size());
    for (std::size_t i = 0; i < order_.size(); ++i) {
        const QUuid& id = order_[i];
        if (const auto m = measured_.constFind(id); m != measured_.cend()) {
            heights_[i] = *m;
        } else if (const auto index = modelIndex_.constFind(id); index != modelIndex_.cend()) {
            heights_[i] = estimate(all[*index]);
        } else {
            heights_[i] = CardRowTexts::thumbnailHeight;
        }
    }
    recomputeOffsets();
    if (anchor) {
        const auto it = std::find(order_.begin(), order_.end(), anchor->first);
        if (it != order_.end()) {
            const std::size_t index = std::size_t(it - order_.begin());
            // Twice: placing measures the rows around it, which can move it.
            for (int pass = 0; pass < 2; ++pass) {
                placing_ = true;
                verticalScrollBar()->setValue(offsets_[index] - anchor->second);
                placing_ = false;
                place();
            }
        }
    }
    place();
    settingRows_ = false;
    if (std::exchange(focusParked_, false) && focusRow && hasFocus())
        focusNextToReview(*focusRow, orderBefore);
    viewport()->update();
}

bool ReviewList::focusNextPrevChild(bool next)
{
    // Qt hands the focus on along the window's chain when the focused control is hidden or
    // disabled: past the last row that was the footer's bin field, its text selected for the
    // next key to replace. The list keeps the focus instead, and once the rows are updated it
    // goes on to the next row that needs review.
    const QWidget* focus = QApplication::focusWidget();
    if (focus && isVisible() && viewport()->isAncestorOf(focus) && (!focus->isVisible() || !focus->isEnabled())) {
        setFocus(Qt::OtherFocusReason);
        focusParked_ = settingRows_;
        return true;
    }
    return QAbstractScrollArea::focusNextPrevChild(next);
}

void ReviewList::focusNextToReview(const QUuid& from, const std::vector<QUuid>& before)
{
    if (order_.empty())
        return;
    QHash<QUuid, std::size_t> position;
    position.reserve(qsizetype(order_.size()));
    for (std::size_t i = 0; i < order_.size(); ++i)
        position.insert(order_[i], i);
    // The row itself while it is listed (it may still need review), else the first listed row
    // that stood after it.
    std::size_t start = 0;
    if (const auto at = position.constFind(from); at != position.cend()) {
        start = *at;
    } else {
        auto was = std::find(before.begin(), before.end(), from);
        if (was != before.end())
            ++was;
        for (; was != before.end(); ++was) {
            if (const auto at = position.constFind(*was); at != position.cend()) {
                start = *at;
                break;
            }
        }
    }
    for (std::size_t k = 0; k < order_.size(); ++k) {
        const QUuid& id = order_[(start + k) % order_.size()];
        const auto* row = modelRow(id);
        if (!row || !ReviewRows::needsReview(*row))
            continue;
        CardRow* widget = rowWidget(id);
        if (!widget || std::find(placed_.begin(), placed_.end(), widget) == placed_.end()) {
            scrollToRow(id);
            widget = rowWidget(id);
        }
        if (QWidget* control = widget ? widget->reviewFocus() : nullptr) {
            control->setFocus(Qt::OtherFocusReason);
            revealFocused(control);
        }
        return;
    }
}

void ReviewList::recomputeOffsets()
{
    offsets_.resize(heights_.size() + 1);
    offsets_[0] = 0;
    for (std::size_t i = 0; i < heights_.size(); ++i)
        offsets_[i + 1] = offsets_[i] + heights_[i];
    QScrollBar* bar = verticalScrollBar();
    const int page = viewport()->height();
    bar->setPageStep(page);
    bar->setRange(0, std::max(0, offsets_.back() - page));
}

void ReviewList::relayout()
{
    recomputeOffsets();
    place();
    viewport()->update();
}

CardRow* ReviewList::widgetFor(std::size_t index)
{
    const QUuid id = order_[index];
    if (CardRow* widget = widgets_.value(id))
        return widget;
    auto* widget = new CardRow(model_.lock(), id, options_, viewport());
    if (const auto* row = modelRow(id); row && !widget->row())
        widget->setRow(*row);
    connect(widget, &CardRow::contentChanged, this, [this, id, widget] {
        measured_.remove(id);
        if (std::find(placed_.begin(), placed_.end(), widget) != placed_.end())
            QTimer::singleShot(0, this, [this] { relayout(); });
    });
    connect(widget, &CardRow::focusedByKeyboard, this, &ReviewList::revealFocused);
    widgets_.insert(id, widget);
    return widget;
}

void ReviewList::place()
{
    if (placing_)
        return;
    placing_ = true;
    const int width = viewport()->width();
    if (width != measuredWidth_) {
        measured_.clear();
        measuredWidth_ = width;
    }
    const int page = viewport()->height();
    std::vector<CardRow*> now;
    // Measuring a row may change its height and so what else is in view: settle in a few passes.
    // One row beyond each edge is placed too, out of sight, so that Tab and Shift+Tab reach it
    // and scroll it in (revealFocused).
    for (int pass = 0; pass < 4; ++pass) {
        now.clear();
        const int top = verticalScrollBar()->value();
        auto first = std::size_t(std::upper_bound(offsets_.begin() + 1, offsets_.end(), top) - (offsets_.begin() + 1));
        if (first > 0)
            --first;
        std::size_t end = first;
        while (end < order_.size() && offsets_[end] < top + page)
            ++end;
        end = std::min(end + 1, order_.size());
        bool changed = false;
        for (std::size_t i = first; i < end; ++i) {
            CardRow* widget = widgetFor(i);
            const QUuid& id = order_[i];
            auto m = measured_.constFind(id);
            if (m == measured_.cend())
                m = measured_.insert(id, widget->heightFor(width) + separator);
            if (*m != heights_[i]) {
                heights_[i] = *m;
                changed = true;
            }
            now.push_back(widget);
        }
        if (!changed)
            break;
        recomputeOffsets();
    }
    const int top = verticalScrollBar()->value();
    for (CardRow* widget : placed_) {
        if (std::find(now.begin(), now.end(), widget) == now.end()) {
            widget->hideZoom();
            widget->hide();
        }
    }
    for (CardRow* widget : now) {
        const auto index = std::size_t(std::find(order_.begin(), order_.end(), widget->rowId()) - order_.begin());
        widget->setGeometry(0, offsets_[index] - top, width, heights_[index] - separator);
        widget->show();
        if (widget->isZoomShown())
            widget->moveZoomToAnchor(); // the popover follows its row to its new place
    }
    const bool reordered = placed_ != now;
    placed_ = std::move(now);
    if (reordered)
        chainFocus();
    placing_ = false;
}

void ReviewList::chainFocus()
{
    // Rows are made as they scroll in, so Qt's order of creation is not the order on screen.
    QWidget* previous = this;
    for (CardRow* widget : placed_)
        previous = TabStops::chain(previous, widget->focusOrder());
}

void ReviewList::revealFocused(QWidget* control)
{
    const QRect area = viewport()->rect();
    const QRect rect(control->mapTo(viewport(), QPoint(0, 0)), control->size());
    constexpr int margin = 8;
    QScrollBar* bar = verticalScrollBar();
    if (rect.bottom() > area.bottom())
        bar->setValue(bar->value() + rect.bottom() - area.bottom() + margin);
    else if (rect.top() < area.top())
        bar->setValue(bar->value() + rect.top() - area.top() - margin);
}

std::vector<QUuid> ReviewList::rowsInView() const
{
    const QRect area = viewport()->rect();
    std::vector<QUuid> ids;
    for (CardRow* widget : placed_)
        if (widget->geometry().intersects(area))
            ids.push_back(widget->rowId());
    return ids;
}

void ReviewList::scrollToRow(const QUuid& id)
{
    const auto it = std::find(order_.begin(), order_.end(), id);
    if (it != order_.end())
        verticalScrollBar()->setValue(offsets_[std::size_t(it - order_.begin())]);
}

void ReviewList::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    relayout();
}

void ReviewList::scrollContentsBy(int, int)
{
    place();
    viewport()->update();
}

bool ReviewList::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Paint) {
        // A hairline under each row in view.
        QPainter p(viewport());
        p.setPen(Theme::withAlpha(Theme::neutral, 60));
        for (CardRow* widget : placed_) {
            const int y = widget->geometry().bottom() + 1;
            p.drawLine(12, y, viewport()->width() - 12, y);
        }
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

} // namespace vantry
