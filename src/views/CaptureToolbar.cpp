#include "views/CaptureToolbar.h"

#include "app/batch/BatchSession.h"
#include "app/capture/CaptureWindowState.h"
#include "app/capture/CoalescedRefresh.h"
#include "app/scanner/ScannerController.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"
#include "views/ReturnKey.h"
#include "views/SettingBindings.h"
#include "views/Symbols.h"
#include "views/Theme.h"
#include "core/intake/FolderWatcher.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantry {

namespace {

QPushButton* button(const QString& name, QWidget* parent)
{
    auto* b = new QPushButton(parent);
    b->setObjectName(name);
    b->setIconSize(QSize(16 + Symbols::iconGap, 16));
    b->setCursor(Qt::PointingHandCursor);
    ReturnKey::clicks(b);
    return b;
}

QString prominent(const QColor& tint)
{
    return QStringLiteral("QPushButton { background: %1; color: %2; border: none; border-radius: 5px;"
                          " padding: 4px 10px; font-weight: 500; }"
                          " QPushButton:pressed { background: %3; }")
        .arg(tint.name(), Theme::css(Theme::onTint), tint.darker(120).name());
}

QString bordered(const QColor& tint, const QColor& text)
{
    return QStringLiteral("QPushButton { background: %1; color: %2; border: none; border-radius: 5px;"
                          " padding: 4px 10px; }"
                          " QPushButton:pressed { background: %3; }")
        .arg(Theme::css(tint, 36), text.name(), Theme::css(tint, 70));
}

QColor tintOf(ToolbarState::Tint tint)
{
    switch (tint) {
    case ToolbarState::Tint::red: return Theme::danger;
    case ToolbarState::Tint::orange: return Theme::warning;
    case ToolbarState::Tint::grey: return Theme::secondaryText;
    case ToolbarState::Tint::accent: break;
    }
    return Theme::accent;
}

// Shows one control's state; the symbol in `color` (white on a prominent button).
void showControl(QPushButton* b, const ToolbarState::Control& c, const QColor& color)
{
    b->setVisible(c.shown);
    b->setEnabled(c.enabled);
    b->setText(c.title);
    b->setAccessibleName(c.title);
    b->setToolTip(c.help);
    b->setAccessibleDescription(c.help);
    const QString key = c.symbol + QLatin1Char('|') + color.name();
    if (b->property("symbolKey").toString() != key) {
        b->setIcon(Symbols::icon(c.symbol, color, 16, Symbols::iconGap));
        b->setProperty("symbolKey", key);
    }
}

} // namespace

CaptureToolbar::CaptureToolbar(CaptureWindowState& state, QWidget* parent) : QWidget(parent), state_(state)
{
    setObjectName(QStringLiteral("captureToolbar"));
    setAccessibleName(QStringLiteral("Toolbar"));
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(12, 8, 12, 8);
    rows->setSpacing(8);

    auto* row1 = new QHBoxLayout;
    row1->setSpacing(12);
    scanFolder_ = button(QStringLiteral("scanFolderButton"), this);
    watch_ = button(QStringLiteral("watchButton"), this);
    pause_ = button(QStringLiteral("pauseButton"), this);
    scan_ = button(QStringLiteral("scanButton"), this);
    importFolder_ = button(QStringLiteral("importFolderButton"), this);
    clearFolder_ = button(QStringLiteral("clearFolderButton"), this);
    for (QPushButton* b : {scanFolder_, watch_, pause_, scan_, importFolder_, clearFolder_})
        row1->addWidget(b);
    row1->addStretch(1);
    progressCount_ = Theme::label(QString(), QStringLiteral("toolbarProgressCount"), Theme::Size::caption,
                                  Theme::Tone::secondary, this);
    progressCount_->setWordWrap(false);
    progressCount_->setTextInteractionFlags(Qt::NoTextInteraction);
    progressCount_->setAccessibleName(QStringLiteral("Scans read"));
    row1->addWidget(progressCount_);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("toolbarProgress"));
    progress_->setAccessibleName(QStringLiteral("Progress"));
    progress_->setTextVisible(false);
    progress_->setFixedHeight(8);
    row1->addWidget(progress_);
    rows->addLayout(row1);

    auto* row2 = new QHBoxLayout;
    row2->setSpacing(12);
    addCard_ = button(QStringLiteral("addCardButton"), this);
    newBatch_ = button(QStringLiteral("newBatchButton"), this);
    duplex_ = new QCheckBox(this);
    duplex_->setObjectName(QStringLiteral("duplexToggle"));
    recount_ = new QCheckBox(this);
    recount_->setObjectName(QStringLiteral("recountToggle"));
    for (QWidget* w : std::initializer_list<QWidget*>{addCard_, newBatch_, duplex_, recount_})
        row2->addWidget(w);
    row2->addStretch(1);
    rows->addLayout(row2);

    connect(scanFolder_, &QPushButton::clicked, this, &CaptureToolbar::chooseScanFolderRequested);
    connect(watch_, &QPushButton::clicked, this, &CaptureToolbar::watchRequested);
    connect(pause_, &QPushButton::clicked, this, &CaptureToolbar::pauseRequested);
    connect(scan_, &QPushButton::clicked, this, &CaptureToolbar::scanRequested);
    connect(importFolder_, &QPushButton::clicked, this, &CaptureToolbar::importFolderRequested);
    connect(clearFolder_, &QPushButton::clicked, this, &CaptureToolbar::clearFolderRequested);
    connect(addCard_, &QPushButton::clicked, this, &CaptureToolbar::addCardRequested);
    connect(newBatch_, &QPushButton::clicked, this, &CaptureToolbar::newBatchRequested);

    SettingsStore& settings = *state_.services().settings;
    SettingBindings::toggle(duplex_, settings, SettingsKeys::duplex,
                            [&settings] { return settings.boolean(SettingsKeys::duplex); });
    std::weak_ptr<CaptureViewModel> model = state_.viewModel();
    connect(recount_, &QCheckBox::toggled, this, [model](bool on) {
        const auto vm = model.lock();
        if (!vm || vm->recount()->replaceMode() == on)
            return;
        if (on)
            vm->recount()->enterReplaceMode();
        else
            vm->recount()->leaveReplaceMode();
    });

    refresh_ = new CoalescedRefresh(this, [this] { refresh(); });
    CaptureViewModel* vm = state_.viewModel().get();
    for (auto signal : {&CaptureViewModel::rowsChanged, &CaptureViewModel::isWorkingChanged,
                        &CaptureViewModel::isImportingChanged, &CaptureViewModel::progressChanged})
        refresh_->follow(vm, signal);
    refresh_->follow(vm->recount(), &BatchRecount::replaceModeChanged);
    BatchSession& session = state_.session();
    refresh_->follow(&session.watcher(), &FolderWatcher::isWatchingChanged);
    refresh_->follow(&session.watcher(), &FolderWatcher::isPausedChanged);
    refresh_->follow(&session.watcher(), &FolderWatcher::pendingFileCountChanged);
    refresh_->follow(&session.scanner(), &ScannerController::isScanningChanged);
    refresh_->follow(&session.scanner(), &ScannerController::devicesChanged);
    refresh_->follow(&session, &BatchSession::scanFolderPathChanged);
    refresh_->follow(&state_, &CaptureWindowState::directScanEnabledChanged);
    refresh();
}

ToolbarState::Inputs CaptureToolbar::inputs() const
{
    BatchSession& session = state_.session();
    const CaptureViewModel& model = *state_.viewModel();
    ToolbarState::Inputs in;
    in.scanFolderPath = session.scanFolderPath();
    in.isWatching = session.watcher().isWatching();
    in.isPaused = session.watcher().isPaused();
    in.pendingFileCount = session.watcher().pendingFileCount();
    in.isScanning = session.scanner().isScanning();
    in.scanner = session.scanner().scannerName();
    in.directScanEnabled = state_.directScanEnabled();
    in.hasRows = !model.rows().empty();
    in.isWorking = model.isWorking();
    in.isImporting = model.isImporting();
    in.progress = model.progress();
    return in;
}

QRect CaptureToolbar::freeArea() const
{
    QRect row;
    for (const QWidget* w : std::initializer_list<const QWidget*>{addCard_, newBatch_, duplex_, recount_})
        if (w->isVisible())
            row |= w->geometry();
    const int right = width() - layout()->contentsMargins().right();
    return {QPoint(row.right() + 1 + layout()->spacing(), row.top()), QPoint(right, row.bottom())};
}

void CaptureToolbar::refresh()
{
    const ToolbarState s = ToolbarState::of(inputs());
    showControl(scanFolder_, s.scanFolder, Theme::controlText);
    // At rest a plain button with its symbol in the tint; filled while it watches.
    showControl(watch_, s.watch, s.watchFilled ? Theme::onTint : tintOf(s.watchTint));
    watch_->setStyleSheet(s.watchFilled ? prominent(tintOf(s.watchTint)) : QString());
    // Grey is the resting tint: its text stays as dark as the other buttons'.
    const QColor pauseText =
        s.pauseTint == ToolbarState::Tint::grey ? Theme::controlText : tintOf(s.pauseTint).darker(115);
    showControl(pause_, s.pause, pauseText);
    pause_->setStyleSheet(bordered(tintOf(s.pauseTint), pauseText));
    showControl(scan_, s.scan, Theme::controlText);
    showControl(importFolder_, s.importFolder, Theme::controlText);
    showControl(clearFolder_, s.clearFolder, Theme::controlText);
    showControl(addCard_, s.addCard, Theme::controlText);
    showControl(newBatch_, s.newBatch, Theme::controlText);

    progressCount_->setText(s.progressText);
    progressCount_->setVisible(!s.progressText.isEmpty());
    switch (s.progress) {
    case ToolbarState::ProgressKind::none: progress_->hide(); break;
    case ToolbarState::ProgressKind::bar:
        progress_->setFixedWidth(120);
        progress_->setRange(0, static_cast<int>(std::min<qint64>(s.progressMaximum, INT_MAX)));
        progress_->setValue(static_cast<int>(std::min<qint64>(s.progressValue, INT_MAX)));
        progress_->setAccessibleDescription(QStringLiteral("%1 of %2").arg(s.progressValue).arg(s.progressMaximum));
        progress_->show();
        break;
    case ToolbarState::ProgressKind::spinner:
        // A range of nothing is Qt's busy indicator.
        progress_->setFixedWidth(48);
        progress_->setRange(0, 0);
        progress_->setAccessibleDescription(QStringLiteral("Working"));
        progress_->show();
        break;
    }

    for (auto [box, control] : {std::pair{duplex_, &s.duplex}, std::pair{recount_, &s.recount}}) {
        box->setText(control->title);
        box->setAccessibleName(control->title);
        box->setToolTip(control->help);
    }
    const bool replaceMode = state_.viewModel()->recount()->replaceMode();
    if (recount_->isChecked() != replaceMode) {
        const QSignalBlocker quiet(recount_);
        recount_->setChecked(replaceMode);
    }
}

} // namespace vantry
