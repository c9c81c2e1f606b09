#include "views/CaptureWatcherStatusBar.h"

#include "app/batch/BatchSession.h"
#include "app/capture/CaptureWindowState.h"
#include "app/capture/CoalescedRefresh.h"
#include "views/Symbols.h"
#include "views/Theme.h"
#include "core/intake/FolderWatcher.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace vantry {

namespace {

QFont monospaced(const QFont& base, double scale = 1.0)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(base.pointSizeF() * scale);
    return font;
}

QLabel* textLabel(const QString& name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    return label;
}

} // namespace

CaptureWatcherStatusBar::CaptureWatcherStatusBar(CaptureWindowState& state, QWidget* parent)
    : QFrame(parent), state_(state)
{
    setObjectName(QStringLiteral("watcherStatusBar"));
    setAccessibleName(QStringLiteral("Watcher status"));
    setAttribute(Qt::WA_StyledBackground);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 6, 12, 6);
    row->setSpacing(10);
    symbol_ = textLabel(QStringLiteral("watcherSymbol"), this);
    row->addWidget(symbol_, 0, Qt::AlignVCenter);

    auto* column = new QVBoxLayout;
    column->setSpacing(1);
    auto* line1 = new QHBoxLayout;
    line1->setSpacing(6);
    title_ = textLabel(QStringLiteral("watcherTitle"), this);
    QFont titleFont = title_->font();
    titleFont.setWeight(QFont::DemiBold);
    title_->setFont(titleFont);
    folder_ = textLabel(QStringLiteral("watcherFolder"), this);
    folder_->setFont(monospaced(folder_->font()));
    folder_->setStyleSheet(Theme::labelColor(Theme::secondaryText));
    routeArrow_ = textLabel(QStringLiteral("watcherRouteArrow"), this);
    routeArrow_->setPixmap(Symbols::pixmap(QStringLiteral("arrow.right"), Theme::quaternaryText, 11));
    route_ = textLabel(QStringLiteral("watcherRoute"), this);
    route_->setFont(folder_->font());
    route_->setStyleSheet(folder_->styleSheet());
    for (QWidget* w : std::initializer_list<QWidget*>{title_, folder_, routeArrow_, route_})
        line1->addWidget(w, 0, Qt::AlignVCenter);
    line1->addStretch(1);
    column->addLayout(line1);

    details_ = new QWidget(this);
    details_->setObjectName(QStringLiteral("watcherDetails"));
    detailsRow_ = new QHBoxLayout(details_);
    detailsRow_->setContentsMargins(0, 0, 0, 0);
    detailsRow_->setSpacing(10);
    column->addWidget(details_);
    row->addLayout(column, 1);

    refresh_ = new CoalescedRefresh(this, [this] { refresh(); });
    FolderWatcher& watcher = state_.session().watcher();
    for (auto signal : {&FolderWatcher::isPausedChanged, &FolderWatcher::folderChanged,
                        &FolderWatcher::routeIntoChanged, &FolderWatcher::filesSeenSinceStartChanged,
                        &FolderWatcher::pendingFileCountChanged, &FolderWatcher::lastActivityAtChanged,
                        &FolderWatcher::lastScanTimingChanged, &FolderWatcher::batchesEmittedChanged})
        refresh_->follow(&watcher, signal);
    refresh_->follow(&state_, &CaptureWindowState::nowTickChanged);
    refresh();
}

WatcherStripState::Inputs CaptureWatcherStatusBar::inputs() const
{
    return WatcherStripState::Inputs::of(state_.session().watcher(), state_.nowTick());
}

void CaptureWatcherStatusBar::refresh()
{
    const WatcherStripState s = WatcherStripState::of(inputs());
    if (shownPaused_ != s.paused) {
        shownPaused_ = s.paused;
        const QColor tint = s.paused ? Theme::warning : Theme::accent;
        setStyleSheet(QStringLiteral("#watcherStatusBar { background: %1; }").arg(Theme::css(tint, 15)));
        symbol_->setPixmap(Symbols::pixmap(
            s.paused ? QStringLiteral("pause.circle.fill") : QStringLiteral("eye.fill"), tint, 18));
        symbol_->setAccessibleName(s.title);
    }
    title_->setText(s.title);
    folder_->setVisible(!s.folderName.isEmpty());
    folder_->setText(s.folderName);
    routeArrow_->setVisible(!s.routeName.isEmpty());
    route_->setVisible(!s.routeName.isEmpty());
    route_->setText(s.routeName);
    route_->setAccessibleName(QStringLiteral("Moves files into ") + s.routeName);

    // Rebuilt only when an item changes; the clock moves one text a second.
    if (s.items == shownItems_)
        return;
    const bool sameShape = s.items.size() == shownItems_.size() &&
                           std::equal(s.items.begin(), s.items.end(), shownItems_.begin(),
                                      [](const auto& a, const auto& b) { return a.symbol == b.symbol && a.tone == b.tone; });
    if (sameShape) {
        for (std::size_t i = 0; i < s.items.size(); ++i) {
            if (auto* text = details_->findChild<QLabel*>(QStringLiteral("watcherItemText%1").arg(i))) {
                text->setText(s.items[i].text);
                text->setAccessibleName(s.items[i].text);
            }
        }
        shownItems_ = s.items;
        return;
    }
    while (QLayoutItem* item = detailsRow_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.78);
    small.setStyleHint(QFont::Monospace);
    for (std::size_t i = 0; i < s.items.size(); ++i) {
        const WatcherStripState::Item& item = s.items[i];
        const QColor tone = item.tone == WatcherStripState::Tone::warning ? Theme::warningText : Theme::secondaryText;
        auto* cell = new QWidget(details_);
        cell->setObjectName(QStringLiteral("watcherItem"));
        auto* cellRow = new QHBoxLayout(cell);
        cellRow->setContentsMargins(0, 0, 0, 0);
        cellRow->setSpacing(3);
        auto* symbol = new QLabel(cell);
        symbol->setPixmap(Symbols::pixmap(item.symbol, tone, 11));
        auto* text = new QLabel(item.text, cell);
        text->setObjectName(QStringLiteral("watcherItemText%1").arg(i));
        text->setAccessibleName(item.text);
        text->setFont(small);
        text->setStyleSheet(Theme::labelColor(tone));
        cellRow->addWidget(symbol);
        cellRow->addWidget(text);
        detailsRow_->addWidget(cell);
    }
    detailsRow_->addStretch(1);
    shownItems_ = s.items;
}

} // namespace vantry
