#include "views/CaptureView.h"

#include "app/batch/BatchSession.h"
#include "app/batch/ImportTexts.h"
#include "app/capture/BulkActionsBar.h"
#include "app/capture/CaptureCommands.h"
#include "app/capture/CaptureLayout.h"
#include "app/capture/CaptureTexts.h"
#include "app/capture/CoalescedRefresh.h"
#include "app/review/ReviewBarsState.h"
#include "app/review/ReviewRows.h"
#include "views/CaptureBanner.h"
#include "views/CaptureFooter.h"
#include "views/CaptureToolbar.h"
#include "views/CaptureWatcherStatusBar.h"
#include "views/FileDialogSavePanel.h"
#include "views/FileDialogFolderPicker.h"
#include "views/FilteredEmptyState.h"
#include "views/ManualAddSheet.h"
#include "views/ReviewFilterBar.h"
#include "views/ScannerSettingsCard.h"
#include "views/Symbols.h"
#include "views/MessageBoxPrompter.h"
#include "views/RecountView.h"
#include "views/ReturnKey.h"
#include "views/ReviewList.h"
#include "views/TabStops.h"
#include "views/Theme.h"
#include "core/intake/FolderWatcher.h"
#include "platform/DBusFileRevealer.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <optional>

namespace vantry {

namespace {

QLabel* secondaryLabel(const QString& text, const QString& name, QWidget* parent, double scale = 0.85)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * scale);
    label->setFont(font);
    label->setStyleSheet(Theme::labelColor(Theme::secondaryText));
    return label;
}

// The scanner symbol of the empty state, 40 points, in the secondary colour.
QPixmap scannerSymbol(qreal ratio)
{
    QPixmap pixmap(QSize(48, 40) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Theme::clear);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::secondaryText);
    painter.drawRoundedRect(QRectF(2, 16, 44, 20), 4, 4); // body
    painter.drawRoundedRect(QRectF(8, 8, 32, 10), 2, 2);  // lid
    painter.setBrush(Theme::slotFill);
    painter.drawRect(QRectF(8, 24, 32, 2)); // glass slot
    return pixmap;
}

} // namespace

CaptureView::CaptureView(BatchSession& session, CaptureWindowState::Services services, QWidget* parent)
    : QWidget(parent), session_(session), catalogImageBase_(services.catalogImageBase)
{
    setObjectName(QStringLiteral("captureView"));
    if (!services.prompter) {
        ownPrompter_ = std::make_unique<MessageBoxPrompter>(this);
        services.prompter = ownPrompter_.get();
    }
    if (!services.savePanel)
        services.savePanel = std::make_shared<FileDialogSavePanel>(this);
    if (!services.revealer)
        services.revealer = std::make_shared<DBusFileRevealer>();
    if (!services.folderPicker)
        services.folderPicker = std::make_shared<FileDialogFolderPicker>(this);
    AlertPrompter* prompter = services.prompter;
    state_ = new CaptureWindowState(session, std::move(services), this);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    toolbarSlot_ = new QVBoxLayout;
    toolbarSlot_->setSpacing(0);
    column->addLayout(toolbarSlot_);
    toolbar_ = new CaptureToolbar(*state_, this);
    toolbarSlot_->addWidget(toolbar_);
    connect(toolbar_, &CaptureToolbar::addCardRequested, state_, &CaptureWindowState::requestAddManualCard);
    CaptureCommands* commands = &state_->commands();
    connect(toolbar_, &CaptureToolbar::chooseScanFolderRequested, commands, [commands] { commands->chooseScanFolder(); });
    connect(toolbar_, &CaptureToolbar::watchRequested, commands, [commands] { commands->toggleWatch(); });
    connect(toolbar_, &CaptureToolbar::pauseRequested, commands, &CaptureCommands::toggleWatcherPause);
    connect(toolbar_, &CaptureToolbar::scanRequested, commands, &CaptureCommands::scanOrCancel);
    connect(toolbar_, &CaptureToolbar::importFolderRequested, commands, [commands] { commands->importFolder(); });
    connect(toolbar_, &CaptureToolbar::clearFolderRequested, commands, &CaptureCommands::archiveCurrentFolder);
    connect(toolbar_, &CaptureToolbar::newBatchRequested, commands, &CaptureCommands::requestNewBatch);
    bannerSlot_ = new QVBoxLayout;
    bannerSlot_->setSpacing(0);
    column->addLayout(bannerSlot_);

    watcherStatus_ = new CaptureWatcherStatusBar(*state_, this);
    column->addWidget(watcherStatus_);
    column->addWidget(Theme::divider(this));

    mainArea_ = new QStackedWidget(this);
    mainArea_->setObjectName(QStringLiteral("mainArea"));
    const QString imageBase = catalogImageBase_.isEmpty() ? CardRowOptions{}.imageBase : catalogImageBase_;
    recountArea_ = new RecountView(state_->viewModel(), *prompter, [commands] { return commands->suggestedReplaceBin(); },
                                   CardRowOptions{nullptr, imageBase, true}, mainArea_);
    recountArea_->setObjectName(QStringLiteral("recountArea"));
    emptyArea_ = buildEmptyState();
    rowsArea_ = buildRowsArea();
    mainArea_->addWidget(recountArea_);
    mainArea_->addWidget(emptyArea_);
    mainArea_->addWidget(rowsArea_);
    column->addWidget(mainArea_, 1);

    errorSlot_ = new QVBoxLayout;
    column->addLayout(errorSlot_);
    footerDivider_ = Theme::divider(this, Qt::Horizontal, QStringLiteral("footerDivider"));
    column->addWidget(footerDivider_);
    footer_ = new QWidget(this);
    footer_->setObjectName(QStringLiteral("footer"));
    footerSlot_ = new QVBoxLayout(footer_);
    footerSlot_->setContentsMargins(12, 6, 12, 6);
    footerBar_ = new CaptureFooter(*state_, footer_);
    connect(footerBar_, &CaptureFooter::importRequested, commands, &CaptureCommands::requestNormalImport);
    footerSlot_->addWidget(footerBar_);
    column->addWidget(footer_);

    toast_ = new QLabel(this);
    toast_->setObjectName(QStringLiteral("toast"));
    toast_->setStyleSheet(QStringLiteral("QLabel { color: %1; background: %2; border-radius: 12px;"
                                         " padding: 5px 14px; font-weight: 500; }")
                              .arg(Theme::css(Theme::onTint), Theme::css(Theme::success, 242)));
    toast_->hide();

    CaptureViewModel* model = state_->viewModel().get();
    refresh_ = new CoalescedRefresh(this, [this] { refresh(); });
    for (auto signal : {&CaptureViewModel::rowsChanged, &CaptureViewModel::prefHealMessageChanged,
                        &CaptureViewModel::scanOrientationHintDismissedChanged, &CaptureViewModel::importErrorChanged,
                        &CaptureViewModel::statusMessageChanged, &CaptureViewModel::toastChanged,
                        &CaptureViewModel::heldImportsChanged})
        refresh_->follow(model, signal);
    for (auto signal : {&BatchRecount::lastRecountResultChanged, &BatchRecount::replaceModeChanged})
        refresh_->follow(model->recount(), signal);
    refresh_->follow(&session.watcher(), &FolderWatcher::isWatchingChanged);
    refresh_->follow(&session, &BatchSession::scanFolderPathChanged);
    refresh_->follow(state_, &CaptureWindowState::nowTickChanged);
    refresh_->follow(state_, &CaptureWindowState::directScanEnabledChanged);
    refresh_->follow(state_, &CaptureWindowState::reviewSortChanged);
    connect(state_, &CaptureWindowState::addManualCardRequested, this, &CaptureView::openManualAddSheet);
    refresh();
}

CaptureView::~CaptureView() = default;

void CaptureView::retire()
{
    hide();
    delete refresh_;
    refresh_ = nullptr;
    // The bars read the window's state: they go with it.
    delete toolbar_;
    toolbar_ = nullptr;
    delete watcherStatus_;
    watcherStatus_ = nullptr;
    delete footerBar_;
    footerBar_ = nullptr;
    delete state_;
    state_ = nullptr;
}

QWidget* CaptureView::buildEmptyState()
{
    auto* scroll = new QScrollArea(mainArea_);
    scroll->setObjectName(QStringLiteral("emptyState"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* content = new QWidget(scroll);
    auto* col = new QVBoxLayout(content);
    col->setContentsMargins(24, 32, 24, 32);
    col->setSpacing(16);

    // A box layout measures an aligned item's height at the column's whole width, so a centred
    // widget of wrapped text came out too short for the width it got and its lines were drawn
    // over each other. Stretches on both sides centre it instead, at the width it is measured at.
    auto centred = [col](QWidget* widget, int maxWidth = 0) {
        if (maxWidth <= 0) {
            col->addWidget(widget, 0, Qt::AlignHCenter);
            return;
        }
        widget->setMaximumWidth(maxWidth);
        auto* row = new QHBoxLayout;
        row->addStretch(1);
        row->addWidget(widget, 1000);
        row->addStretch(1);
        col->addLayout(row);
    };
    // A run that brought nothing new says so where its cards would have been.
    emptyNothingNew_ =
        Theme::notice(QStringLiteral("emptyNothingNew"), QStringLiteral("Nothing new"), Theme::accent, content);
    emptyNothingNew_->setMinimumWidth(360);
    centred(emptyNothingNew_, 520);
    auto* symbol = new QLabel(content);
    symbol->setObjectName(QStringLiteral("emptySymbol"));
    symbol->setPixmap(scannerSymbol(devicePixelRatioF()));
    centred(symbol);
    auto* title = new QLabel(CaptureTexts::emptyTitle(), content);
    title->setObjectName(QStringLiteral("emptyTitle"));
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.35);
    titleFont.setWeight(QFont::DemiBold);
    title->setFont(titleFont);
    centred(title);
    emptyIntro_ = secondaryLabel(QString(), QStringLiteral("emptyIntro"), content, 0.95);
    emptyIntro_->setAlignment(Qt::AlignHCenter);
    emptyIntro_->setMinimumWidth(360);
    centred(emptyIntro_, 520);

    auto* steps = new QFrame(content);
    steps->setObjectName(QStringLiteral("emptySteps"));
    steps->setStyleSheet(QStringLiteral("#emptySteps { background: %1; border-radius: 10px; }")
                             .arg(Theme::css(Theme::neutral, 15)));
    auto* stepsCol = new QVBoxLayout(steps);
    stepsCol->setContentsMargins(14, 14, 14, 14);
    stepsCol->setSpacing(8);
    const QStringList stepTexts = CaptureTexts::emptySteps();
    for (int i = 0; i < stepTexts.size(); ++i) {
        auto* row = new QHBoxLayout;
        row->setSpacing(10);
        auto* number = new QLabel(QString::number(i + 1), steps);
        number->setObjectName(QStringLiteral("stepNumber"));
        number->setFixedSize(20, 20);
        number->setAlignment(Qt::AlignCenter);
        number->setStyleSheet(QStringLiteral("QLabel { color: palette(highlight); background: %1;"
                                             " border-radius: 10px; font-weight: bold; font-size: 11px; }")
                                  .arg(Theme::css(Theme::accent, 46)));
        auto* text = new QLabel(stepTexts[i], steps);
        text->setObjectName(QStringLiteral("stepText"));
        text->setWordWrap(true);
        row->addWidget(number, 0, Qt::AlignTop);
        row->addWidget(text, 1);
        stepsCol->addLayout(row);
    }
    steps->setMinimumWidth(360);
    centred(steps, 560);

    // The viewfinder symbol before the first line, drawn: the font's "⌕" read as a stray letter.
    auto* whyLine = new QWidget(content);
    whyLine->setObjectName(QStringLiteral("emptyWhyLine"));
    auto* whyRow = new QHBoxLayout(whyLine);
    whyRow->setContentsMargins(0, 0, 0, 0);
    whyRow->setSpacing(6);
    auto* whySymbol = new QLabel(whyLine);
    whySymbol->setObjectName(QStringLiteral("emptyWhySymbol"));
    whySymbol->setPixmap(
        Symbols::pixmap(QStringLiteral("text.viewfinder"), Theme::secondaryText, 14, devicePixelRatioF()));
    whyRow->addWidget(whySymbol, 0, Qt::AlignTop);
    auto* why = secondaryLabel(CaptureTexts::emptyWhyFaceUp(), QStringLiteral("emptyWhy"), whyLine);
    whyRow->addWidget(why, 1);
    whyLine->setMinimumWidth(360);
    centred(whyLine, 480);
    emptyFolderLine_ = secondaryLabel(QString(), QStringLiteral("emptyFolderLine"), content);
    emptyFolderLine_->setAlignment(Qt::AlignHCenter);
    emptyFolderLine_->setMinimumWidth(360);
    centred(emptyFolderLine_, 480);
    auto* quirks = secondaryLabel(CaptureTexts::emptyQuirks(), QStringLiteral("emptyQuirks"), content, 0.78);
    quirks->setAlignment(Qt::AlignHCenter);
    quirks->setMinimumWidth(360);
    quirks->setStyleSheet(Theme::labelColor(Theme::quaternaryText));
    centred(quirks, 480);
    auto* scannerCard = new QWidget(content);
    scannerCard->setObjectName(QStringLiteral("scannerSettingsSlot"));
    auto* cardLayout = new QVBoxLayout(scannerCard);
    cardLayout->setContentsMargins(0, 8, 0, 0);
    cardLayout->addWidget(new ScannerSettingsCard(state_->settings(), scannerCard));
    centred(scannerCard, ScannerSettingsCard::maximumCardWidth);
    col->addStretch(1);
    scroll->setWidget(content);
    return scroll;
}

QWidget* CaptureView::buildRowsArea()
{
    auto* area = new QWidget(mainArea_);
    area->setObjectName(QStringLiteral("rowsArea"));
    auto* col = new QVBoxLayout(area);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(0);

    bulkBar_ = new QFrame(area);
    bulkBar_->setObjectName(QStringLiteral("bulkActionsBar"));
    bulkBar_->setAttribute(Qt::WA_StyledBackground);
    bulkBar_->setStyleSheet(QStringLiteral("#bulkActionsBar { background: %1; border-bottom: 1px solid %2; }")
                                .arg(Theme::css(Theme::neutral, 13), Theme::css(Theme::separator)));
    auto* bar = new QHBoxLayout(bulkBar_);
    bar->setContentsMargins(12, 6, 12, 6);
    bar->setSpacing(10);
    bulkLabel_ = secondaryLabel(QString(), QStringLiteral("bulkLabel"), bulkBar_);
    bulkLabel_->setWordWrap(false);
    bar->addWidget(bulkLabel_);
    struct FinishButton {
        const char* text;
        const char* name;
        ScanFinish finish;
        std::optional<QColor> tint;
    };
    for (const FinishButton& spec : {FinishButton{"Nonfoil", "bulkNonfoil", ScanFinish::nonfoil, std::nullopt},
                                     FinishButton{"Foil", "bulkFoil", ScanFinish::foil, Theme::foilText},
                                     FinishButton{"Etched", "bulkEtched", ScanFinish::etched, std::nullopt},
                                     FinishButton{"Surge", "bulkSurge", ScanFinish::surge, Theme::warningText}}) {
        auto* button = new QPushButton(QString::fromUtf8(spec.text), bulkBar_);
        button->setObjectName(QString::fromUtf8(spec.name));
        if (spec.tint)
            button->setStyleSheet(QStringLiteral("QPushButton { color: %1; }").arg(Theme::css(*spec.tint)));
        const ScanFinish finish = spec.finish;
        ReturnKey::clicks(button);
        connect(button, &QPushButton::clicked, this, [this, finish] {
            state_->viewModel()->setAllConfirmedFinish(finish);
        });
        bar->addWidget(button);
        finishButtons_ << button;
    }
    bar->addStretch(1);
    markReviewed_ = new QPushButton(bulkBar_);
    markReviewed_->setObjectName(QStringLiteral("markReviewed"));
    markReviewed_->setToolTip(CaptureTexts::markReviewedHelp());
    markReviewed_->setStyleSheet(QStringLiteral("QPushButton { color: %1; }").arg(Theme::css(Theme::accent)));
    ReturnKey::clicks(markReviewed_);
    // The rows on screen when the bar was last laid out.
    connect(markReviewed_, &QPushButton::clicked, this,
            [this] { state_->viewModel()->setReviewed(markReviewedIds_, true); });
    bar->addWidget(markReviewed_);
    col->addWidget(bulkBar_);

    // The search bar and the finish and set chip bars stand here.
    auto* filterSlot = new QWidget(area);
    filterSlot->setObjectName(QStringLiteral("reviewBarsSlot"));
    auto* filterColumn = new QVBoxLayout(filterSlot);
    filterColumn->setContentsMargins(0, 0, 0, 0);
    filterBar_ = new ReviewFilterBar(state_->filters, state_->settings(), filterSlot);
    connect(filterBar_, &ReviewFilterBar::filtersChanged, this, [this] { refresh_->request(); });
    filterColumn->addWidget(filterBar_);
    col->addWidget(filterSlot);

    CardRowOptions rowOptions;
    if (!catalogImageBase_.isEmpty())
        rowOptions.imageBase = catalogImageBase_;
    reviewList_ = new ReviewList(state_->viewModel(), rowOptions, area);
    col->addWidget(reviewList_, 1);
    filteredEmpty_ = new FilteredEmptyState(area);
    connect(filteredEmpty_, &FilteredEmptyState::resetRequested, this, [this] {
        ReviewBarsState::resetFilters(state_->filters);
        refresh_->request();
    });
    col->addWidget(filteredEmpty_, 1);
    return area;
}

void CaptureView::refresh()
{
    const CaptureViewModel& model = *state_->viewModel();
    const CaptureLayout layout = CaptureLayout::of({
        .hasPrefHealMessage = model.prefHealMessage().has_value(),
        .hasLastRecountResult = model.recount()->lastRecountResult().has_value(),
        .noTextDetectedCount = model.noTextDetectedCount(),
        .scanOrientationHintDismissed = model.scanOrientationHintDismissed(),
        .isWatching = session_.watcher().isWatching(),
        .replaceMode = model.recount()->replaceMode(),
        .hasRows = !model.rows().empty(),
        .hasImportError = model.importError().has_value(),
    });
    refreshBanners();

    watcherStatus_->setVisible(layout.watcherStatus);

    switch (layout.mainArea) {
    case CaptureLayout::MainArea::recount:
        mainArea_->setCurrentWidget(recountArea_);
        reviewList_->setRows(model.rows(), {}); // no row of the hidden list keeps a popover open
        break;
    case CaptureLayout::MainArea::empty:
        mainArea_->setCurrentWidget(emptyArea_);
        reviewList_->setRows(model.rows(), {});
        refreshEmptyState();
        break;
    case CaptureLayout::MainArea::rows:
        mainArea_->setCurrentWidget(rowsArea_);
        refreshRows();
        break;
    }
    footerDivider_->setVisible(layout.footer);
    footer_->setVisible(layout.footer);
    refreshToast();
}

void CaptureView::refreshBanners()
{
    CaptureViewModel& model = *state_->viewModel();
    std::weak_ptr<CaptureViewModel> weak = state_->viewModel();

    // A banner is rebuilt only when what it shows changes, so a selection in it survives.
    const QString heal = model.prefHealMessage().value_or(QString());
    if (heal != healShown_) {
        delete healBanner_;
        healBanner_ = nullptr;
        healShown_ = heal;
        if (!heal.isEmpty()) {
            healBanner_ = new CaptureBanner(QStringLiteral("healBanner"), QStringLiteral("✔"), Theme::success, 10,
                                            QStringLiteral("Dismiss"), CaptureBanner::DividerEdge::bottom, this);
            healBanner_->setTitle(CaptureTexts::healTitle());
            healBanner_->setBody(heal);
            connect(healBanner_, &CaptureBanner::dismissed, this, [weak] {
                if (auto vm = weak.lock())
                    vm->dismissPrefHealMessage();
            });
        }
    }

    QString recountKey;
    if (const auto& result = model.recount()->lastRecountResult())
        recountKey = CaptureTexts::recountSummary(*result) + QChar(0x1f) +
                     QStringList(result->binsWritten.begin(), result->binsWritten.end()).join(QChar(0x1f));
    if (recountKey != recountShown_) {
        delete recountBanner_;
        recountBanner_ = nullptr;
        recountShown_ = recountKey;
        if (const auto& result = model.recount()->lastRecountResult()) {
            recountBanner_ = new CaptureBanner(QStringLiteral("recountBanner"), QStringLiteral("✔"), Theme::success, 10,
                                               QStringLiteral("Dismiss — I'm done with this bin"),
                                               CaptureBanner::DividerEdge::bottom, this);
            recountBanner_->setTitle(CaptureTexts::recountTitle());
            recountBanner_->setBody(CaptureTexts::recountSummary(*result), false, true);
            auto* bins = new QHBoxLayout;
            bins->setSpacing(6);
            bins->setContentsMargins(0, 2, 0, 0);
            bins->addWidget(secondaryLabel(QStringLiteral("Add more cards to:"), QStringLiteral("addMoreLabel"),
                                           recountBanner_));
            for (const QString& bin : result->binsWritten) {
                auto* button = new QPushButton(QStringLiteral("↓ ") + bin, recountBanner_);
                button->setObjectName(QStringLiteral("continueBin"));
                button->setAccessibleName(QStringLiteral("Add more cards to ") + bin);
                button->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: %2; border: none;"
                                                     " border-radius: 4px; padding: 2px 8px; font-family: monospace;"
                                                     " font-size: 11px; }")
                                          .arg(Theme::css(Theme::success), Theme::css(Theme::onTint)));
                ReturnKey::clicks(button);
                connect(button, &QPushButton::clicked, this, [weak, bin] {
                    if (auto vm = weak.lock())
                        vm->continueAddingToBin(bin);
                });
                bins->addWidget(button);
            }
            bins->addStretch(1);
            recountBanner_->column()->addLayout(bins);
            connect(recountBanner_, &CaptureBanner::dismissed, this, [weak] {
                if (auto vm = weak.lock())
                    vm->recount()->dismissRecountResult();
            });
        }
    }

    const qint64 noText = model.noTextDetectedCount();
    const QString orientation =
        noText >= 1 && !model.scanOrientationHintDismissed() ? CaptureTexts::scanOrientationTitle(noText) : QString();
    if (orientation != orientationShown_) {
        delete orientationBanner_;
        orientationBanner_ = nullptr;
        orientationShown_ = orientation;
        if (!orientation.isEmpty()) {
            orientationBanner_ = new CaptureBanner(QStringLiteral("scanOrientationBanner"), QString(), Theme::warning,
                                                   10, QStringLiteral("Dismiss"),
                                                   CaptureBanner::DividerEdge::bottom, this);
            orientationBanner_->setSymbol(
                Symbols::pixmap(QStringLiteral("text.viewfinder"), Theme::warning, 18, devicePixelRatioF()));
            orientationBanner_->setTitle(orientation);
            orientationBanner_->setBody(CaptureTexts::scanOrientationBody(), false, true);
            connect(orientationBanner_, &CaptureBanner::dismissed, this, [weak] {
                if (auto vm = weak.lock())
                    vm->dismissScanOrientationHint();
            });
        }
    }
    refreshHeldBanners();
    // Fixed order, whatever order they were raised in: held imports first, they wait for the user.
    std::vector<CaptureBanner*> order = heldBanners_;
    order.insert(order.end(), {healBanner_, recountBanner_, orientationBanner_});
    for (CaptureBanner* banner : order) {
        if (!banner)
            continue;
        bannerSlot_->removeWidget(banner);
        bannerSlot_->addWidget(banner);
    }

    const QString error = model.importError().value_or(QString());
    const bool hasError = model.importError().has_value();
    if (error != errorShown_ || hasError != (errorBanner_ != nullptr)) {
        delete errorBanner_;
        errorBanner_ = nullptr;
        errorShown_ = error;
        if (hasError) {
            errorBanner_ = new CaptureBanner(QStringLiteral("errorBanner"), QStringLiteral("⊘"), Theme::danger, 12,
                                             QStringLiteral("Dismiss"), CaptureBanner::DividerEdge::top, this);
            errorBanner_->setTitle(model.importErrorTitle());
            errorBanner_->setBody(error, true);
            connect(errorBanner_, &CaptureBanner::dismissed, this, [weak] {
                if (auto vm = weak.lock())
                    vm->dismissImportError();
            });
            errorSlot_->addWidget(errorBanner_);
        }
    }
    chainBannerTabStops(order);
}

// Banners come after the window is built, so Tab reached them only after the footer.
void CaptureView::chainBannerTabStops(const std::vector<CaptureBanner*>& top)
{
    bool fresh = errorBanner_ && !errorBanner_->property("tabStopsPlaced").toBool();
    for (CaptureBanner* banner : top)
        fresh = fresh || (banner && !banner->property("tabStopsPlaced").toBool());
    if (!fresh)
        return;
    const QList<QWidget*> toolbar = TabStops::of(toolbar_);
    QWidget* previous = toolbar.isEmpty() ? TabStops::before(toolbar_) : toolbar.back();
    for (CaptureBanner* banner : top) {
        if (!banner)
            continue;
        previous = TabStops::chain(previous, TabStops::of(banner));
        banner->setProperty("tabStopsPlaced", true);
    }
    const QList<QWidget*> footer = TabStops::of(footer_);
    if (errorBanner_ && !footer.isEmpty()) {
        // Right before the footer's controls.
        QWidget* before = footer.front()->previousInFocusChain();
        while (before == errorBanner_ || errorBanner_->isAncestorOf(before) ||
               (before->focusPolicy() & Qt::TabFocus) != Qt::TabFocus)
            before = before->previousInFocusChain();
        TabStops::chain(before, TabStops::of(errorBanner_));
        errorBanner_->setProperty("tabStopsPlaced", true);
    }
}

// One banner per import whose outcome is unknown, in every tab, with the user's two choices.
void CaptureView::refreshHeldBanners()
{
    CaptureViewModel& model = *state_->viewModel();
    std::weak_ptr<CaptureViewModel> weak = state_->viewModel();
    const std::vector<ImportIntent> held = model.heldImports();
    QStringList key;
    for (const ImportIntent& intent : held)
        key << intent.id.toString() + ImportTexts::heldBody(intent) + model.heldImportReason(intent.id).value_or(QString());
    if (key.join(QChar(0x1f)) == heldShown_)
        return;
    heldShown_ = key.join(QChar(0x1f));
    for (CaptureBanner* banner : heldBanners_)
        delete banner;
    heldBanners_.clear();
    for (const ImportIntent& intent : held) {
        auto* banner = new CaptureBanner(QStringLiteral("heldImportBanner"), QStringLiteral("!"), Theme::warning, 12,
                                         QString(), CaptureBanner::DividerEdge::bottom, this);
        banner->dismissButton()->hide(); // only a choice ends a hold
        banner->setTitle(ImportTexts::heldTitle(intent.kind));
        QString body = ImportTexts::heldBody(intent);
        if (const auto reason = model.heldImportReason(intent.id))
            body += QStringLiteral("\n\n") + *reason;
        banner->setBody(body)->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        auto* choices = new QHBoxLayout;
        choices->setSpacing(8);
        choices->setContentsMargins(0, 4, 0, 0);
        auto* mark = new QPushButton(ImportTexts::markImportedLabel(), banner);
        mark->setObjectName(QStringLiteral("heldMarkImported"));
        mark->setAccessibleName(ImportTexts::markImportedLabel());
        mark->setToolTip(ImportTexts::markImportedHelp());
        auto* again = new QPushButton(ImportTexts::sendAgainLabel(), banner);
        again->setObjectName(QStringLiteral("heldSendAgain"));
        again->setAccessibleName(ImportTexts::sendAgainLabel());
        again->setToolTip(ImportTexts::sendAgainHelp());
        const QUuid id = intent.id;
        connect(mark, &QPushButton::clicked, this, [weak, id] {
            if (auto vm = weak.lock())
                vm->markHeldImportAsImported(id);
        });
        connect(again, &QPushButton::clicked, this, [this, id] { state_->confirmSendHeldAgain(id); });
        for (QPushButton* choice : {mark, again}) {
            ReturnKey::clicks(choice);
            choices->addWidget(choice);
        }
        choices->addStretch(1);
        banner->column()->addLayout(choices);
        bannerSlot_->addWidget(banner);
        heldBanners_.push_back(banner);
    }
}

void CaptureView::refreshEmptyState()
{
    const std::optional<QString>& nothingNew = state_->viewModel()->lastRunNothingNew();
    emptyNothingNew_->setText(nothingNew.value_or(QString()));
    emptyNothingNew_->setVisible(nothingNew.has_value());
    emptyIntro_->setText(CaptureTexts::emptyIntro(state_->directScanEnabled()));
    const QString& folder = session_.scanFolderPath();
    emptyFolderLine_->setText(CaptureTexts::emptyFolderLine(folder));
}

void CaptureView::refreshRows()
{
    const auto& rows = state_->viewModel()->rows();
    // One context and one ordered list serve the bars, the bulk-action bar and the list.
    const CaptureFilters& filters = state_->filters;
    const ReviewSort sort = state_->reviewSort();
    const ReviewFilterContext context = ReviewFilterContext::make(rows, filters);
    const std::vector<const CaptureViewModel::Row*> visible = ReviewRows::ordered(rows, filters, context, sort);
    const ReviewBarsState bars = ReviewBarsState::of(rows, filters, context, visible.size(), sort);
    filterBar_->display(bars);
    filteredEmpty_->setLine(bars.filteredEmptyLine);
    visibleRowIds_.clear();
    visibleRowIds_.reserve(visible.size());
    for (const auto* row : visible)
        visibleRowIds_.push_back(row->id);
    const BulkActionsBar bar = BulkActionsBar::of(rows, visible);
    bulkLabel_->setText(bar.showsFinishButtons() ? CaptureTexts::bulkConfirmedLabel(bar.confirmedCount)
                                                 : CaptureTexts::bulkHint());
    for (QWidget* button : finishButtons_)
        button->setVisible(bar.showsFinishButtons());
    markReviewed_->setVisible(bar.showsMarkReviewed());
    markReviewed_->setText(QStringLiteral("✓ ") + CaptureTexts::markReviewedLabel(bar.toMarkReviewed.size()));
    markReviewed_->setAccessibleName(CaptureTexts::markReviewedLabel(bar.toMarkReviewed.size()));
    markReviewedIds_ = QSet<QUuid>(bar.toMarkReviewed.begin(), bar.toMarkReviewed.end());

    // A hidden list would hand its focus on along the window's chain, to the footer's bin field:
    // when the filters leave nothing to list, the focus goes to their reset button instead.
    const QWidget* focus = QApplication::focusWidget();
    const bool focusInList = focus && (focus == reviewList_ || reviewList_->isAncestorOf(focus));
    filteredEmpty_->setVisible(visible.empty());
    if (visible.empty() && focusInList)
        filteredEmpty_->resetButton()->setFocus(Qt::OtherFocusReason);
    reviewList_->setVisible(!visible.empty());
    reviewList_->setRows(rows, visibleRowIds_);
}

ManualAddSheet* CaptureView::manualAddSheet() const { return manualAddSheet_; }

void CaptureView::openManualAddSheet()
{
    if (manualAddSheet_) {
        manualAddSheet_->raise();
        manualAddSheet_->activateWindow();
        return;
    }
    manualAddSheet_ = new ManualAddSheet(state_->viewModel(), this);
    manualAddSheet_->open();
}

void CaptureView::refreshToast()
{
    const auto& toast = state_->viewModel()->toast();
    toast_->setVisible(toast.has_value());
    if (!toast)
        return;
    toast_->setText(QStringLiteral("✔ ") + *toast);
    toast_->setAccessibleName(*toast);
    placeToast();
    toast_->raise();
}

// In the toolbar's second row, right of its controls. Centred at the top it covered Import
// Folder and Clear Folder for the four seconds it shows.
void CaptureView::placeToast()
{
    if (!toolbar_)
        return;
    const QRect area = toolbar_->freeArea().translated(toolbar_->mapTo(this, QPoint(0, 0)));
    toast_->setWordWrap(false);
    toast_->adjustSize();
    QSize size = toast_->size();
    if (size.width() > area.width()) {
        // A long toast in a narrow window wraps within the free part.
        toast_->setWordWrap(true);
        size = QSize(std::max(area.width(), 120), toast_->heightForWidth(std::max(area.width(), 120)));
    }
    toast_->resize(size);
    toast_->move(std::max(area.left(), area.center().x() - size.width() / 2), area.center().y() - size.height() / 2);
}

void CaptureView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (toast_->isVisible())
        placeToast();
}

} // namespace vantry
