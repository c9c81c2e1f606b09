#include "views/BatchTabStrip.h"

#include "app/batch/SessionStore.h"
#include "app/capture/CaptureTexts.h"
#include "app/capture/CoalescedRefresh.h"
#include "app/capture/UnimportedWork.h"
#include "views/Theme.h"
#include "core/intake/FolderWatcher.h"

#include <QHash>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollArea>
#include <QToolButton>

namespace vantry {

BatchTabChip::BatchTabChip(SessionStore& store, BatchSession& session, AlertPrompter& prompter, QWidget* parent)
    : QFrame(parent), store_(store), prompter_(prompter), session_(&session), id_(session.id())
{
    setObjectName(QStringLiteral("tabChip"));
    setAttribute(Qt::WA_StyledBackground);
    setCursor(Qt::PointingHandCursor);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 5, 10, 5);
    layout->setSpacing(6);

    dot_ = new QLabel(this);
    dot_->setObjectName(QStringLiteral("tabDot"));
    dot_->setFixedSize(6, 6);
    title_ = new QLabel(this);
    title_->setObjectName(QStringLiteral("tabTitle"));
    badge_ = new QLabel(this);
    badge_->setObjectName(QStringLiteral("tabBadge"));
    badge_->setStyleSheet(QStringLiteral("QLabel { background: %1; border-radius: 7px; padding: 1px 5px; font-size: 10px;"
                                         " }")
                              .arg(Theme::css(Theme::warning, 64)));
    close_ = new QToolButton(this);
    close_->setObjectName(QStringLiteral("tabClose"));
    close_->setText(QStringLiteral("✕"));
    close_->setAutoRaise(true);
    close_->setToolTip(QStringLiteral("Close this batch tab"));
    close_->setStyleSheet(QStringLiteral("QToolButton { border: none; font-size: 8pt; font-weight: bold; padding: 0; }"));
    connect(close_, &QToolButton::clicked, this, &BatchTabChip::requestClose);

    layout->addWidget(dot_, 0, Qt::AlignVCenter);
    layout->addWidget(title_);
    layout->addWidget(badge_);
    layout->addWidget(close_);

    refresh_ = new CoalescedRefresh(this, [this] { refresh(); });
    refresh_->follow(&session, &BatchSession::scanFolderPathChanged);
    refresh_->follow(session.viewModel().get(), &CaptureViewModel::rowsChanged);
    refresh_->follow(&session.watcher(), &FolderWatcher::isWatchingChanged);
    refresh_->follow(&store, &SessionStore::selectedIDChanged);
    refresh_->follow(&store, &SessionStore::sessionsChanged);
    refresh();
}

void BatchTabChip::refresh()
{
    if (!session_)
        return;
    const bool selected = store_.selectedID() == id_;
    const bool canClose = store_.sessions().size() > 1;
    title_->setText(session_->title());
    const auto badge = CaptureTexts::tabBadge(session_->viewModel()->needsReviewCount());
    badge_->setVisible(badge.has_value());
    badge_->setText(badge.value_or(QString()));
    badge_->setAccessibleName(badge ? QStringLiteral("%1 to review").arg(*badge) : QString());
    const bool watching = session_->watcher().isWatching();
    dot_->setStyleSheet(QStringLiteral("background: %1; border-radius: 3px;")
                            .arg(Theme::css(watching ? Theme::success : Theme::withAlpha(Theme::neutral, 102))));
    close_->setVisible(canClose);
    setProperty("selected", selected);
    const QColor fill = selected ? Theme::withAlpha(Theme::accent, 56) : Theme::withAlpha(Theme::neutral, 20);
    const QColor border = selected ? Theme::withAlpha(Theme::accent, 153) : Theme::clear;
    setStyleSheet(QStringLiteral("#tabChip { background: %1; border: 1px solid %2; border-radius: 7px; }")
                      .arg(Theme::css(fill), Theme::css(border)));
    setAccessibleName(session_->title() + (selected ? QStringLiteral(", selected") : QString()));
}

void BatchTabChip::mousePressEvent(QMouseEvent* event)
{
    // Taken here so the release arrives; selection and closing act on release.
    event->accept();
}

void BatchTabChip::mouseReleaseEvent(QMouseEvent* event)
{
    if (!rect().contains(event->position().toPoint()))
        return;
    if (event->button() == Qt::LeftButton) {
        store_.setSelectedID(id_);
    } else if (event->button() == Qt::MiddleButton) {
        requestClose();
    }
}

void BatchTabChip::requestClose() { closeTabAsking(store_, id_, prompter_); }

BatchTabStrip::BatchTabStrip(SessionStore& store, AlertPrompter& prompter, QWidget* parent)
    : QWidget(parent), store_(store), prompter_(prompter)
{
    setObjectName(QStringLiteral("batchTabStrip"));
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("tabScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    auto* content = new QWidget(scroll);
    row_ = new QHBoxLayout(content);
    row_->setContentsMargins(8, 4, 8, 4);
    row_->setSpacing(4);
    add_ = new QToolButton(content);
    add_->setObjectName(QStringLiteral("addTab"));
    add_->setText(QStringLiteral("+"));
    add_->setAutoRaise(true);
    add_->setFixedSize(22, 22);
    add_->setAccessibleName(QStringLiteral("New batch tab"));
    add_->setToolTip(QStringLiteral("Open a new batch tab — scan a fresh stack while keeping this one open for review."));
    connect(add_, &QToolButton::clicked, this, [this] { store_.addSession(); });
    row_->addWidget(add_);
    row_->addStretch(1);
    scroll->setWidget(content);
    outer->addWidget(scroll);

    connect(&store_, &SessionStore::sessionsChanged, this, &BatchTabStrip::rebuild);
    rebuild();
}

QList<BatchTabChip*> BatchTabStrip::chips() const
{
    QList<BatchTabChip*> result;
    for (int i = 0; i < row_->count(); ++i)
        if (auto* chip = qobject_cast<BatchTabChip*>(row_->itemAt(i)->widget()))
            result << chip;
    return result;
}

void BatchTabStrip::rebuild()
{
    // Chips follow the sessions by id: kept chips keep their widgets, gone ones go.
    QHash<QUuid, BatchTabChip*> existing;
    for (BatchTabChip* chip : chips()) {
        row_->removeWidget(chip);
        existing.insert(chip->sessionID(), chip);
    }
    int index = 0;
    for (const auto& session : store_.sessions()) {
        BatchTabChip* chip = existing.take(session->id());
        if (!chip)
            chip = new BatchTabChip(store_, *session, prompter_, row_->parentWidget());
        row_->insertWidget(index++, chip);
    }
    setFixedHeight(row_->parentWidget()->sizeHint().height());
    // Later: a chip's own close button may be what closed its tab.
    for (BatchTabChip* gone : existing) {
        gone->hide();
        gone->deleteLater();
    }
}

} // namespace vantry
