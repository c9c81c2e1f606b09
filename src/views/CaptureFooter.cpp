#include "views/CaptureFooter.h"

#include "app/batch/BatchSession.h"
#include "app/capture/CaptureCommands.h"
#include "app/capture/CaptureWindowState.h"
#include "app/capture/CoalescedRefresh.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"
#include "views/ReturnKey.h"
#include "views/Symbols.h"
#include "views/Theme.h"
#include "core/intake/FolderWatcher.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantry {

using Theme::scaled;

CaptureFooter::CaptureFooter(CaptureWindowState& state, QWidget* parent) : QWidget(parent), state_(state)
{
    setObjectName(QStringLiteral("captureFooter"));
    setAccessibleName(QStringLiteral("Footer"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(16);
    row->addLayout(buildStatusColumn(), 1);
    row->addLayout(buildBinColumn());
    row->addLayout(buildExportColumn());
    row->addWidget(buildImport());
    connectControls();
    followSources();
    refresh();
}

QVBoxLayout* CaptureFooter::buildStatusColumn()
{
    auto* statusColumn = new QVBoxLayout;
    statusColumn->setSpacing(2);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("statusLine"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long line (files left out, and why) wraps rather than being cut off.
    status_->setWordWrap(true);
    statusColumn->addWidget(status_);
    secondLine_ = new QWidget(this);
    secondLine_->setObjectName(QStringLiteral("footerSecondLine"));
    auto* second = new QHBoxLayout(secondLine_);
    second->setContentsMargins(0, 0, 0, 0);
    second->setSpacing(4);
    secondSymbol_ = new QLabel(secondLine_);
    secondSymbol_->setObjectName(QStringLiteral("footerSecondSymbol"));
    secondText_ = new QLabel(secondLine_);
    secondText_->setObjectName(QStringLiteral("footerSecondText"));
    secondText_->setFont(scaled(secondText_->font(), 0.85));
    secondText_->setStyleSheet(Theme::labelColor(Theme::secondaryText));
    second->addWidget(secondSymbol_);
    second->addWidget(secondText_);
    second->addStretch(1);
    statusColumn->addWidget(secondLine_);
    return statusColumn;
}

QVBoxLayout* CaptureFooter::buildBinColumn()
{
    auto* binColumn = new QVBoxLayout;
    binColumn->setSpacing(2);
    auto* binRow = new QHBoxLayout;
    binRow->setSpacing(5);
    auto* binSymbol = new QLabel(this);
    binSymbol->setPixmap(Symbols::pixmap(QStringLiteral("tray.full"), Theme::secondaryText));
    binRow->addWidget(binSymbol);
    bin_ = new QLineEdit(this);
    bin_->setObjectName(QStringLiteral("binField"));
    bin_->setAccessibleName(QStringLiteral("Bin"));
    bin_->setPlaceholderText(QStringLiteral("Bin"));
    bin_->setToolTip(FooterState::binHelp());
    bin_->setFixedWidth(130);
    binRow->addWidget(bin_);
    binColumn->addLayout(binRow);
    destination_ = new QLabel(this);
    destination_->setObjectName(QStringLiteral("destinationLabel"));
    destination_->setFont(scaled(destination_->font(), 0.78));
    destination_->setAlignment(Qt::AlignRight);
    binColumn->addWidget(destination_);
    return binColumn;
}

QVBoxLayout* CaptureFooter::buildExportColumn()
{
    auto* exportColumn = new QVBoxLayout;
    exportColumn->setSpacing(1);
    exportCsv_ = new QPushButton(
        Symbols::icon(QStringLiteral("square.and.arrow.up"), Theme::controlText, 16, Symbols::iconGap),
        QStringLiteral("Export CSV"), this);
    exportCsv_->setIconSize(QSize(16 + Symbols::iconGap, 16));
    exportCsv_->setObjectName(QStringLiteral("exportCsvButton"));
    exportCsv_->setAccessibleName(QStringLiteral("Export CSV"));
    exportColumn->addWidget(exportCsv_);
    manabox_ = new QPushButton(QStringLiteral("ManaBox format"), this);
    manabox_->setObjectName(QStringLiteral("manaboxButton"));
    manabox_->setAccessibleName(QStringLiteral("ManaBox format"));
    manabox_->setFlat(true);
    manabox_->setCursor(Qt::PointingHandCursor);
    manabox_->setFont(scaled(manabox_->font(), 0.78));
    manabox_->setStyleSheet(QStringLiteral("QPushButton { color: %1; border: none; padding: 0 2px; }"
                                           " QPushButton:disabled { color: %2; }")
                                .arg(Theme::css(Theme::accent), Theme::css(Theme::disabledText)));
    exportColumn->addWidget(manabox_, 0, Qt::AlignHCenter);
    return exportColumn;
}

QPushButton* CaptureFooter::buildImport()
{
    import_ = new QPushButton(this);
    import_->setObjectName(QStringLiteral("importButton"));
    import_->setIconSize(QSize(16 + Symbols::iconGap, 16));
    import_->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: %2; border: none; border-radius: 5px;"
                                          " padding: 5px 12px; font-weight: 500; }"
                                          " QPushButton:disabled { background: %3; color: %4; }")
                               .arg(Theme::css(Theme::accent), Theme::css(Theme::onTint),
                                    Theme::css(Theme::disabledFill), Theme::css(Theme::onTintDisabled)));
    auto* importLayout = new QHBoxLayout(import_);
    importLayout->setContentsMargins(10, 0, 0, 0);
    importSpinner_ = new QProgressBar(import_);
    importSpinner_->setObjectName(QStringLiteral("importSpinner"));
    importSpinner_->setRange(0, 0);
    importSpinner_->setTextVisible(false);
    importSpinner_->setFixedSize(16, 6);
    importLayout->addWidget(importSpinner_, 0, Qt::AlignVCenter);
    importLayout->addStretch(1);
    return import_;
}

void CaptureFooter::connectControls()
{
    std::weak_ptr<CaptureViewModel> model = state_.viewModel();
    connect(bin_, &QLineEdit::textEdited, this, [model](const QString& text) {
        if (const auto vm = model.lock())
            vm->editBin(text);
    });
    connect(exportCsv_, &QPushButton::clicked, this, [this] { state_.exportCsv(false); });
    connect(manabox_, &QPushButton::clicked, this, [this] { state_.exportCsv(true); });
    connect(import_, &QPushButton::clicked, this, &CaptureFooter::importRequested);
    for (QPushButton* b : {exportCsv_, manabox_, import_})
        ReturnKey::clicks(b);
}

// The model, the watcher and the workspace settings all feed the footer, through one refresh.
void CaptureFooter::followSources()
{
    refresh_ = new CoalescedRefresh(this, [this] { refresh(); });
    CaptureViewModel* vm = state_.viewModel().get();
    for (auto signal : {&CaptureViewModel::rowsChanged, &CaptureViewModel::statusMessageChanged,
                        &CaptureViewModel::isWorkingChanged, &CaptureViewModel::isImportingChanged,
                        &CaptureViewModel::binChanged})
        refresh_->follow(vm, signal);
    FolderWatcher& watcher = state_.session().watcher();
    refresh_->follow(&watcher, &FolderWatcher::isWatchingChanged);
    refresh_->follow(&watcher, &FolderWatcher::isPausedChanged);
    refresh_->follow(&watcher, &FolderWatcher::folderChanged);
    // Import waits while the press's workspace is looked up.
    refresh_->follow(&state_.commands(), &CaptureCommands::changed);
    SettingsStore& settings = *state_.services().settings;
    for (const QString& key : {SettingsKeys::workspaceId, SettingsKeys::workspaceName})
        settings.observe(key, refresh_, [this] { refresh_->request(); });
}

FooterState::Inputs CaptureFooter::inputs() const
{
    FooterState::Inputs in = FooterState::Inputs::of(*state_.viewModel(), state_.session().watcher());
    const SettingsStore& settings = *state_.services().settings;
    in.workspaceId = settings.string(SettingsKeys::workspaceId).value_or(QString());
    in.workspaceName = settings.string(SettingsKeys::workspaceName).value_or(QString());
    in.isResolvingWorkspace = state_.commands().isResolvingWorkspace();
    return in;
}

void CaptureFooter::refresh()
{
    const FooterState s = FooterState::of(inputs());
    status_->setText(s.status);
    status_->setAccessibleName(s.status);

    secondLine_->setVisible(s.secondLine != FooterState::SecondLine::none);
    secondText_->setText(s.secondText);
    secondText_->setAccessibleName(s.secondText);
    secondSymbol_->setVisible(s.secondLine == FooterState::SecondLine::watching);
    if (s.secondLine == FooterState::SecondLine::watching)
        secondSymbol_->setPixmap(
            Symbols::pixmap(s.paused ? QStringLiteral("pause.circle.fill") : QStringLiteral("eye.fill"),
                                   Theme::secondaryText, 12));

    if (bin_->text() != state_.viewModel()->bin()) {
        const int cursor = bin_->cursorPosition();
        bin_->setText(state_.viewModel()->bin());
        bin_->setCursorPosition(std::min(cursor, static_cast<int>(bin_->text().size())));
    }
    destination_->setText(s.destination);
    destination_->setAccessibleName(s.destination);
    destination_->setStyleSheet(Theme::labelColor(s.destinationWarns ? Theme::warningText : Theme::secondaryText));

    exportCsv_->setEnabled(s.actionsEnabled);
    manabox_->setEnabled(s.actionsEnabled);
    import_->setEnabled(s.importEnabled);
    exportCsv_->setToolTip(s.exportHelp);
    manabox_->setToolTip(s.manaboxHelp);
    import_->setToolTip(s.importHelp);
    // The spinner sits where the symbol would.
    import_->setText(s.importSpinner ? QStringLiteral("      ") + s.importTitle : s.importTitle);
    import_->setIcon(s.importSpinner ? QIcon()
                                     : Symbols::icon(QStringLiteral("tray.and.arrow.down"), Theme::onTint, 16,
                                                     Symbols::iconGap));
    import_->setAccessibleName(s.importTitle);
    importSpinner_->setVisible(s.importSpinner);
}

} // namespace vantry
