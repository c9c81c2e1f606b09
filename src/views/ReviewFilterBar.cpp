#include "views/ReviewFilterBar.h"

#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"
#include "views/FilterChipButton.h"
#include "views/ReturnKey.h"
#include "views/Symbols.h"
#include "views/TabStops.h"
#include "views/Theme.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace vantry {

using Theme::Size;
using Theme::Tone;

ReviewFilterBar::ReviewFilterBar(CaptureFilters& filters, std::shared_ptr<SettingsStore> settings, QWidget* parent)
    : QWidget(parent), filters_(filters), settings_(std::move(settings))
{
    setObjectName(QStringLiteral("reviewFilterBar"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 8, 12, 6);
    column->setSpacing(6);
    column->addLayout(buildChipBar());
    column->addWidget(buildSearchBar());
    column->addWidget(buildSetBar());
}

// Chip bar: chips, "Hide reviewed", space, sort menu. The chips scroll sideways when the
// window is narrower than they are, so they never hold the window wide.
QHBoxLayout* ReviewFilterBar::buildChipBar()
{
    auto* chipBar = new QHBoxLayout;
    chipBar->setSpacing(6);
    chipScroll_ = new QScrollArea(this);
    chipScroll_->setObjectName(QStringLiteral("chipBar"));
    chipScroll_->setFrameShape(QFrame::NoFrame);
    chipScroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    chipScroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    chipScroll_->setWidgetResizable(true);
    chipScroll_->setFocusPolicy(Qt::NoFocus); // Tab goes to the chips in it
    chipScroll_->setStyleSheet(Theme::clearBackground(QStringLiteral("QScrollArea, #chipBarContent")));
    auto* chipContent = new QWidget(chipScroll_);
    chipContent->setObjectName(QStringLiteral("chipBarContent"));
    chipRow_ = new QHBoxLayout(chipContent);
    chipRow_->setContentsMargins(0, 0, 0, 0);
    chipRow_->setSpacing(6);
    chipScroll_->setWidget(chipContent);
    chipBar->addWidget(chipScroll_, 1);
    hideReviewed_ = new QCheckBox(ReviewBarsState::hideReviewedLabel(), chipContent);
    hideReviewed_->setObjectName(QStringLiteral("hideReviewed"));
    hideReviewed_->setToolTip(ReviewBarsState::hideReviewedHelp());
    hideReviewed_->setFont(Theme::font(this, Size::caption));
    connect(hideReviewed_, &QCheckBox::toggled, this, [this](bool on) {
        if (filters_.hideReviewed == on)
            return;
        filters_.hideReviewed = on;
        emit filtersChanged();
    });
    chipRow_->addSpacing(4);
    chipRow_->addWidget(hideReviewed_);
    chipRow_->addStretch(1);
    chipBar->addWidget(buildSortMenu());
    return chipBar;
}

QToolButton* ReviewFilterBar::buildSortMenu()
{
    sort_ = new QToolButton(this);
    sort_->setObjectName(QStringLiteral("sortMenu"));
    sort_->setToolTip(ReviewBarsState::sortHelp());
    sort_->setAutoRaise(true);
    sort_->setPopupMode(QToolButton::InstantPopup);
    sort_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    sort_->setFont(Theme::font(this, Size::caption));
    sort_->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0px; }"));
    auto* menu = new QMenu(sort_);
    menu->setObjectName(QStringLiteral("sortChoices"));
    menu->addSection(QStringLiteral("Sort"));
    auto* choices = new QActionGroup(menu);
    choices->setExclusive(true);
    for (const ReviewSort::Value value : ReviewSort::allCases) {
        const ReviewSort order(value);
        QAction* action = menu->addAction(order.menuLabel());
        action->setObjectName(QStringLiteral("sort-") + order.rawValue());
        action->setCheckable(true);
        action->setData(order.rawValue());
        choices->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, raw = order.rawValue()] { settings_->setString(SettingsKeys::reviewSort, raw); });
    }
    sort_->setMenu(menu);
    return sort_;
}

QFrame* ReviewFilterBar::buildSearchBar()
{
    auto* searchRow = new QHBoxLayout;
    searchRow->setSpacing(6);
    auto* glass = new QLabel(this);
    glass->setObjectName(QStringLiteral("searchIcon"));
    glass->setPixmap(Symbols::magnifier(13, Theme::color(this, Tone::secondary), devicePixelRatioF()));
    searchRow->addWidget(glass);
    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("reviewSearch"));
    search_->setAccessibleName(QStringLiteral("Search this batch"));
    search_->setPlaceholderText(ReviewBarsState::searchPlaceholder());
    search_->setFrame(false);
    search_->setStyleSheet(Theme::clearBackground(QStringLiteral("QLineEdit")));
    // Every keystroke filters at once; there is no submit step.
    connect(search_, &QLineEdit::textEdited, this, [this](const QString& text) {
        filters_.searchText = text;
        emit filtersChanged();
    });
    searchRow->addWidget(search_, 1);
    searchCount_ = new QLabel(this);
    searchCount_->setObjectName(QStringLiteral("searchCount"));
    QFont countFont = Theme::font(this, Size::caption);
    searchCount_->setFont(countFont);
    Theme::setTone(searchCount_, Tone::secondary);
    searchRow->addWidget(searchCount_);
    clearSearch_ = new QToolButton(this);
    clearSearch_->setObjectName(QStringLiteral("clearSearch"));
    clearSearch_->setText(QStringLiteral("✕"));
    clearSearch_->setAccessibleName(ReviewBarsState::clearSearchHelp());
    clearSearch_->setToolTip(ReviewBarsState::clearSearchHelp());
    clearSearch_->setAutoRaise(true);
    Theme::setTone(clearSearch_, Tone::secondary);
    ReturnKey::clicks(clearSearch_);
    connect(clearSearch_, &QToolButton::clicked, this, [this] {
        filters_.searchText.clear();
        emit filtersChanged();
    });
    searchRow->addWidget(clearSearch_);
    auto* searchFrame = new QFrame(this);
    searchFrame->setObjectName(QStringLiteral("searchBar"));
    searchFrame->setStyleSheet(QStringLiteral("#searchBar { background: %1; border-radius: 7px; }")
                                   .arg(Theme::css(Theme::neutral, 20)));
    searchRow->setContentsMargins(8, 2, 4, 2);
    searchFrame->setLayout(searchRow);
    return searchFrame;
}

// Set bar: scrolls sideways without scroll bars.
QScrollArea* ReviewFilterBar::buildSetBar()
{
    setBar_ = new QScrollArea(this);
    setBar_->setObjectName(QStringLiteral("setBar"));
    setBar_->setFrameShape(QFrame::NoFrame);
    setBar_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setBar_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setBar_->setWidgetResizable(true);
    setBar_->setFocusPolicy(Qt::NoFocus);
    setBar_->setStyleSheet(Theme::clearBackground(QStringLiteral("QScrollArea, #setBarContent")));
    auto* setContent = new QWidget(setBar_);
    setContent->setObjectName(QStringLiteral("setBarContent"));
    setRow_ = new QHBoxLayout(setContent);
    setRow_->setContentsMargins(0, 0, 0, 0);
    setRow_->setSpacing(6);
    setRow_->addStretch(1);
    setBar_->setWidget(setContent);
    return setBar_;
}

bool ReviewFilterBar::showChips(QHBoxLayout* row, std::vector<FilterChipButton*>& buttons,
                                const std::vector<FilterChip>& chips, int insertAt)
{
    // Buttons are kept while the same chips show, so focus and hover survive a refresh.
    bool same = buttons.size() == chips.size();
    for (std::size_t i = 0; same && i < chips.size(); ++i)
        same = buttons[i]->objectName() == chips[i].name;
    if (!same) {
        for (FilterChipButton* button : buttons)
            button->deleteLater();
        buttons.clear();
        for (const FilterChip& chip : chips) {
            auto* button = new FilterChipButton(row->parentWidget());
            button->setObjectName(chip.name);
            ReturnKey::clicks(button);
            const bool setChip = row == setRow_;
            connect(button, &FilterChipButton::clicked, this, [this, name = chip.name, setChip] {
                press(setChip ? state_.setChips : state_.chips, name);
            });
            row->insertWidget(insertAt++, button);
            buttons.push_back(button);
        }
    }
    for (std::size_t i = 0; i < chips.size(); ++i)
        buttons[i]->setChip(chips[i].icon, chips[i].label, chips[i].count, chips[i].active);
    return !same;
}

void ReviewFilterBar::chainTabStops()
{
    // Chips are made when the batch first shows them: put them back where they stand on screen.
    QList<QWidget*> order(chipButtons_.begin(), chipButtons_.end());
    order << hideReviewed_ << sort_ << search_ << clearSearch_;
    order.append(QList<QWidget*>(setButtons_.begin(), setButtons_.end()));
    TabStops::chain(TabStops::before(this), order);
}

void ReviewFilterBar::press(const std::vector<FilterChip>& chips, const QString& name)
{
    for (const FilterChip& chip : chips) {
        if (chip.name == name) {
            chip.apply(filters_);
            emit filtersChanged();
            return;
        }
    }
}

void ReviewFilterBar::display(const ReviewBarsState& state)
{
    state_ = state;
    bool rebuilt = showChips(chipRow_, chipButtons_, state_.chips, 0);
    if (!chipButtons_.empty())
        chipScroll_->setFixedHeight(chipButtons_.front()->sizeHint().height());
    hideReviewed_->setVisible(state_.showsHideReviewed);
    if (hideReviewed_->isChecked() != filters_.hideReviewed) {
        const QSignalBlocker quiet(hideReviewed_);
        hideReviewed_->setChecked(filters_.hideReviewed);
    }

    sort_->setText(QStringLiteral("⇅ ") + state_.sortLabel);
    sort_->setAccessibleName(state_.sortLabel);
    Theme::setTone(sort_, state_.sortStandsOut ? Tone::accent : Tone::secondary);
    const QString raw = state_.sort.rawValue();
    for (QAction* action : sort_->menu()->actions()) {
        if (action->isCheckable())
            action->setChecked(action->data().toString() == raw);
    }

    // Only a change from elsewhere (clear, reset) is written back, so typing keeps its cursor.
    if (search_->text() != filters_.searchText)
        search_->setText(filters_.searchText);
    searchCount_->setVisible(state_.showsSearchCount);
    searchCount_->setText(state_.searchCount);
    clearSearch_->setVisible(state_.showsSearchCount);

    setBar_->setVisible(!state_.setChips.empty());
    rebuilt = showChips(setRow_, setButtons_, state_.setChips, 0) || rebuilt;
    if (!state_.setChips.empty())
        setBar_->setFixedHeight(setButtons_.front()->sizeHint().height());
    if (rebuilt)
        chainTabStops();
}

} // namespace vantry
