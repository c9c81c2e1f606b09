#include "views/RecountView.h"

#include "app/batch/CaptureViewModel.h"
#include "app/capture/AlertPrompter.h"
#include "app/capture/CaptureTexts.h"
#include "app/capture/CoalescedRefresh.h"
#include "app/recount/RecountCorrection.h"
#include "app/recount/RecountGate.h"
#include "app/recount/RecountState.h"
#include "app/recount/RecountTexts.h"
#include "views/RecountCardRows.h"
#include "views/RecountCorrectionSheet.h"
#include "views/RecountHeader.h"
#include "views/RecountPrintingRow.h"
#include "views/RecountStyle.h"
#include "views/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace vantry {

namespace {

QScrollArea* scrollColumn(QWidget* parent, const QString& name, QVBoxLayout*& column)
{
    auto* scroll = new QScrollArea(parent);
    scroll->setObjectName(name);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* host = new QWidget(scroll);
    column = new QVBoxLayout(host);
    column->setContentsMargins(12, 4, 12, 4);
    column->setSpacing(0);
    scroll->setWidget(host);
    return scroll;
}

} // namespace

RecountView::RecountView(std::shared_ptr<CaptureViewModel> model, AlertPrompter& prompter,
                         std::function<std::optional<QString>()> suggestedReplaceBin, CardRowOptions rowOptions,
                         QWidget* parent)
    : QWidget(parent),
      model_(std::move(model)),
      prompter_(prompter),
      suggestedReplaceBin_(std::move(suggestedReplaceBin)),
      rowOptions_(std::move(rowOptions))
{
    setObjectName(QStringLiteral("recountView"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    header_ = new RecountHeader(model_, suggestedReplaceBin_, this);
    column->addWidget(header_);
    column->addWidget(Theme::divider(this));
    column->addWidget(buildReview());
    reviewDivider_ = Theme::divider(this);
    column->addWidget(reviewDivider_);
    column->addWidget(buildEmptyState(), 1);
    column->addWidget(buildPlan(), 1);
    column->addWidget(Theme::divider(this));
    column->addLayout(buildFooter());
    followModel();
    refresh();
}

// Review section: the scans that still lack a match.
QWidget* RecountView::buildReview()
{
    review_ = new QWidget(this);
    review_->setObjectName(QStringLiteral("recountReview"));
    auto* reviewCol = new QVBoxLayout(review_);
    reviewCol->setContentsMargins(0, 0, 0, 0);
    reviewCol->setSpacing(0);
    auto* reviewHead = new QFrame(review_);
    reviewHead->setObjectName(QStringLiteral("recountReviewHeader"));
    reviewHead->setAttribute(Qt::WA_StyledBackground);
    reviewHead->setStyleSheet(
        QStringLiteral("#recountReviewHeader { background: %1; }").arg(Theme::css(Theme::caution, 20)));
    auto* headRow = new QHBoxLayout(reviewHead);
    headRow->setContentsMargins(12, 8, 12, 8);
    headRow->setSpacing(8);
    auto* warn = new QLabel(QStringLiteral("\u26A0"), reviewHead);
    warn->setStyleSheet(Theme::labelColor(Theme::cautionText));
    headRow->addWidget(warn, 0, Qt::AlignTop);
    auto* headTexts = new QVBoxLayout;
    headTexts->setSpacing(2);
    reviewTitle_ = new QLabel(reviewHead);
    reviewTitle_->setObjectName(QStringLiteral("reviewTitle"));
    QFont semibold = reviewTitle_->font();
    semibold.setWeight(QFont::DemiBold);
    reviewTitle_->setFont(semibold);
    headTexts->addWidget(reviewTitle_);
    headTexts->addWidget(RecountStyle::caption(RecountTexts::reviewHint(), QStringLiteral("reviewHint"), reviewHead));
    headRow->addLayout(headTexts);
    headRow->addStretch(1);
    reviewCol->addWidget(reviewHead);
    reviewScroll_ = scrollColumn(review_, QStringLiteral("recountReviewList"), reviewList_);
    reviewCol->addWidget(reviewScroll_);
    return review_;
}

// Empty state: the workflow in six steps.
QWidget* RecountView::buildEmptyState()
{
    auto* emptyScroll = new QScrollArea(this);
    emptyScroll->setObjectName(QStringLiteral("recountEmptyState"));
    emptyScroll->setWidgetResizable(true);
    emptyScroll->setFrameShape(QFrame::NoFrame);
    auto* emptyHost = new QWidget(emptyScroll);
    auto* emptyCol = new QVBoxLayout(emptyHost);
    emptyCol->setContentsMargins(24, 24, 24, 24);
    emptyCol->setSpacing(14);
    emptyCol->addStretch(1);
    // A scan run that brought nothing new says so where the printings would have been.
    emptyNothingNew_ = Theme::notice(QStringLiteral("recountEmptyNothingNew"), QStringLiteral("Nothing new"),
                                     Theme::warning, emptyHost);
    emptyNothingNew_->setFixedWidth(460);
    emptyCol->addWidget(emptyNothingNew_, 0, Qt::AlignHCenter);
    auto* symbol = new QLabel(QStringLiteral("\u21BB"), emptyHost);
    QFont symbolFont = symbol->font();
    symbolFont.setPointSizeF(30);
    symbol->setFont(symbolFont);
    symbol->setStyleSheet(Theme::labelColor(Theme::tertiaryText));
    emptyCol->addWidget(symbol, 0, Qt::AlignHCenter);
    auto* emptyTitle = new QLabel(QStringLiteral("Recount a bin"), emptyHost);
    emptyTitle->setObjectName(QStringLiteral("recountEmptyTitle"));
    QFont titleFont = emptyTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    titleFont.setWeight(QFont::DemiBold);
    emptyTitle->setFont(titleFont);
    emptyCol->addWidget(emptyTitle, 0, Qt::AlignHCenter);
    auto* intro = RecountStyle::caption(
        QStringLiteral("Recount one bin into the same bin, or split it across destination bins in a single pass. The "
                       "old bin is cleared, scanned cards are added as new rows, and in-flight order copies are "
                       "protected."),
        QStringLiteral("recountEmptyIntro"), emptyHost, 0.95);
    intro->setWordWrap(true);
    intro->setAlignment(Qt::AlignHCenter);
    // A centred wrapped label gets only its one-line width unless given its own.
    intro->setFixedWidth(460);
    intro->setMinimumHeight(intro->heightForWidth(460));
    emptyCol->addWidget(intro, 0, Qt::AlignHCenter);
    emptyCol->addWidget(buildSteps(emptyHost), 0, Qt::AlignHCenter);
    emptyCol->addStretch(1);
    emptyScroll->setWidget(emptyHost);
    emptyState_ = emptyScroll;
    return emptyState_;
}

QFrame* RecountView::buildSteps(QWidget* parent)
{
    auto* steps = new QFrame(parent);
    steps->setObjectName(QStringLiteral("recountSteps"));
    steps->setStyleSheet(QStringLiteral("#recountSteps { background: %1; border-radius: 10px; }")
                             .arg(Theme::css(Theme::neutral, 15)));
    auto* stepsCol = new QVBoxLayout(steps);
    stepsCol->setContentsMargins(14, 14, 14, 14);
    stepsCol->setSpacing(6);
    const QStringList stepTexts = RecountTexts::emptySteps();
    for (int i = 0; i < stepTexts.size(); ++i) {
        auto* row = new QHBoxLayout;
        row->setSpacing(8);
        auto* number = new QLabel(QString::number(i + 1), steps);
        number->setObjectName(QStringLiteral("recountStepNumber"));
        number->setFixedSize(18, 18);
        number->setAlignment(Qt::AlignCenter);
        number->setStyleSheet(QStringLiteral("QLabel { color: %1; background: %2; border-radius: 9px;"
                                             " font-weight: bold; font-size: 10px; }")
                                  .arg(Theme::css(Theme::recountOrange), Theme::css(Theme::warning, 46)));
        auto* text = new QLabel(stepTexts[i], steps);
        text->setObjectName(QStringLiteral("recountStepText"));
        row->addWidget(number);
        row->addWidget(text, 1);
        stepsCol->addLayout(row);
    }
    return steps;
}

// The plan: assignment bar, printing list, tally.
QWidget* RecountView::buildPlan()
{
    plan_ = new QWidget(this);
    plan_->setObjectName(QStringLiteral("recountPlan"));
    auto* planCol = new QVBoxLayout(plan_);
    planCol->setContentsMargins(0, 0, 0, 0);
    planCol->setSpacing(0);
    planCol->addLayout(buildAssignBar());
    planCol->addWidget(Theme::divider(plan_));
    planCol->addWidget(scrollColumn(plan_, QStringLiteral("printingList"), printingColumn_), 1);
    printingColumn_->addStretch(1);
    planCol->addWidget(Theme::divider(plan_));
    planCol->addWidget(buildTally());
    return plan_;
}

QHBoxLayout* RecountView::buildAssignBar()
{
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(12, 8, 12, 8);
    bar->setSpacing(10);
    selectAll_ = new QPushButton(plan_);
    selectAll_->setObjectName(QStringLiteral("selectAllPrintings"));
    connect(selectAll_, &QPushButton::clicked, this, [this] {
        if (model_->recount()->selectedPrintings().isEmpty())
            model_->selectAllPrintings();
        else
            model_->recount()->clearSelectedPrintings();
    });
    bar->addWidget(selectAll_);
    bar->addWidget(Theme::divider(plan_, Qt::Vertical));
    bar->addWidget(RecountStyle::caption(QStringLiteral("Send selected to"), QStringLiteral("sendSelectedLabel"), plan_,
                                         0.95));
    destination_ = new QLineEdit(plan_);
    destination_->setObjectName(QStringLiteral("destinationBinField"));
    destination_->setAccessibleName(QStringLiteral("Destination bin"));
    destination_->setPlaceholderText(QStringLiteral("Destination bin, e.g. A0018"));
    // Wide enough for its placeholder.
    destination_->setFixedWidth(196);
    connect(destination_, &QLineEdit::returnPressed, this, [this] { assign(); });
    connect(destination_, &QLineEdit::textChanged, this, [this] { refreshFooter(); });
    bar->addWidget(destination_);
    assign_ = new QPushButton(QStringLiteral("Assign"), plan_);
    assign_->setObjectName(QStringLiteral("assignPrintings"));
    assign_->setDefault(false);
    assign_->setStyleSheet(QStringLiteral("QPushButton { background: palette(highlight); color: %1; border: none; "
                                          "border-radius: 5px; padding: 4px 12px; } QPushButton:disabled { background: "
                                          "%2; color: %3; }")
                               .arg(Theme::css(Theme::onTint), Theme::css(Theme::disabledFill),
                                    Theme::css(Theme::onTintDisabled)));
    connect(assign_, &QPushButton::clicked, this, [this] { assign(); });
    bar->addWidget(assign_);
    resetAssignments_ = new QPushButton(QStringLiteral("Reset assignments"), plan_);
    resetAssignments_->setObjectName(QStringLiteral("resetAssignments"));
    resetAssignments_->setFlat(true);
    resetAssignments_->setStyleSheet(
        QStringLiteral("QPushButton { color: %1; padding: 2px 6px; }").arg(Theme::css(Theme::recountRed)));
    resetAssignments_->setToolTip(QStringLiteral("Clear every destination bin (keeps the imported cards)."));
    connect(resetAssignments_, &QPushButton::clicked, this, [this] { model_->clearAllAssignments(); });
    bar->addWidget(resetAssignments_);
    bar->addStretch(1);
    return bar;
}

QFrame* RecountView::buildTally()
{
    auto* tally = new QFrame(plan_);
    tally->setObjectName(QStringLiteral("tallyBar"));
    tally->setAttribute(Qt::WA_StyledBackground);
    tally->setStyleSheet(
        QStringLiteral("#tallyBar { background: %1; }").arg(Theme::css(Theme::warning, 10)));
    auto* tallyCol = new QVBoxLayout(tally);
    tallyCol->setContentsMargins(12, 8, 12, 8);
    tallyCol->setSpacing(6);
    tallyRow_ = new QHBoxLayout;
    tallyRow_->setSpacing(6);
    tallyCol->addLayout(tallyRow_);
    retireHint_ = new QLabel(tally);
    retireHint_->setObjectName(QStringLiteral("retireHint"));
    QFont captionFont = retireHint_->font();
    captionFont.setPointSizeF(captionFont.pointSizeF() * 0.9);
    retireHint_->setFont(captionFont);
    tallyCol->addWidget(retireHint_);
    return tally;
}

QHBoxLayout* RecountView::buildFooter()
{
    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(12, 12, 12, 12);
    footer->setSpacing(8);
    status_ = RecountStyle::caption(QString(), QStringLiteral("recountStatus"), this);
    status_->setWordWrap(true);
    status_->setMaximumHeight(status_->fontMetrics().lineSpacing() * 2 + 2);
    footer->addWidget(status_, 1);
    blockedHint_ = RecountStyle::caption(QString(), QStringLiteral("previewBlockedHint"), this, 0.8);
    footer->addWidget(blockedHint_);
    checkCommit_ = new QPushButton(QStringLiteral("Check recount"), this);
    checkCommit_->setObjectName(QStringLiteral("checkRecount"));
    checkCommit_->setToolTip(QStringLiteral("Ask the service whether the last recount finished. Nothing is sent again."));
    connect(checkCommit_, &QPushButton::clicked, this, [this] { (void)model_->commitReplace(); });
    footer->addWidget(checkCommit_);
    replace_ = new QPushButton(QStringLiteral("Replace\u2026"), this);
    replace_->setObjectName(QStringLiteral("replaceAgain"));
    replace_->setToolTip(QStringLiteral("Read the previewed recount again and confirm it."));
    connect(replace_, &QPushButton::clicked, this, [this] { model_->recount()->requestReplaceConfirm(); });
    footer->addWidget(replace_);
    preview_ = new QPushButton(this);
    preview_->setObjectName(QStringLiteral("previewRecount"));
    preview_->setAccessibleName(QStringLiteral("Preview recount"));
    preview_->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: %2; border: none; "
                                           "border-radius: 5px; padding: 5px 14px; font-weight: 500; } "
                                           "QPushButton:disabled { background: %3; }")
                                .arg(Theme::css(Theme::warning), Theme::css(Theme::onTint),
                                     Theme::css(Theme::warning, 90)));
    connect(preview_, &QPushButton::clicked, this, [this] { (void)model_->previewReplace(); });
    footer->addWidget(preview_);
    return footer;
}

void RecountView::followModel()
{
    refresh_ = new CoalescedRefresh(this, [this] { refresh(); });
    CaptureViewModel* m = model_.get();
    for (auto signal :
         {&CaptureViewModel::rowsChanged, &CaptureViewModel::isWorkingChanged, &CaptureViewModel::statusMessageChanged})
        refresh_->follow(m, signal);
    for (auto signal : {&BatchRecount::replaceBinsTextChanged, &BatchRecount::selectedPrintingsChanged,
                        &BatchRecount::binByPrintingChanged, &BatchRecount::pendingPreviewChanged,
                        &BatchRecount::showReplaceConfirmChanged})
        refresh_->follow(m->recount(), signal);
    for (auto signal : {&InventoryBinList::inventoryBinsChanged, &InventoryBinList::inventoryBinsLoadedAtChanged,
                        &InventoryBinList::inventoryBinsErrorChanged, &InventoryBinList::isLoadingInventoryBinsChanged})
        refresh_->follow(m->binList(), signal);
}

RecountView::~RecountView()
{
    if (sheet_)
        sheet_->disconnect(this);
}

RecountState RecountView::state() const { return RecountState::of(*model_, suggestedReplaceBin_()); }

void RecountView::assign()
{
    const QString text = destination_->text();
    // Text that reads as several bins is refused rather than made into one odd bin.
    const std::vector<QString> known = state().knownBins;
    if (!text.trimmed().isEmpty() && !RecountGate::isSingleBinName(text, known)) {
        destination_->setToolTip(RecountTexts::assignHelp(true, text, known));
        return;
    }
    model_->assignSelectedPrintings(text);
    destination_->clear();
}

void RecountView::openCorrection(const ScanItemPayload& item)
{
    correctionItemId_ = item.itemId;
    correctionRowIds_ = RecountCorrection::rowIdsMatching(item, model_->rows());
    if (!sheet_) {
        sheet_ = new RecountCorrectionSheet(model_, rowOptions_, this);
        connect(sheet_, &RecountCorrectionSheet::closed, this, [this] { closeCorrection(); });
    }
    sheet_->refresh(correctionItemId_, correctionRowIds_);
    if (!sheet_->isVisible())
        sheet_->open();
}

void RecountView::closeCorrection()
{
    correctionItemId_.reset();
    correctionRowIds_.clear();
    if (RecountCorrectionSheet* sheet = sheet_) {
        sheet_ = nullptr;
        sheet->disconnect(this);
        if (sheet->isVisible())
            sheet->reject();
        sheet->deleteLater();
    }
}

void RecountView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refresh_->request();
}

void RecountView::refresh()
{
    // Hidden outside recount mode: an ingest's row publications cost nothing here.
    if (!isVisible())
        return;
    const RecountState state = this->state();
    header_->refresh(state);
    refreshReview();
    const bool hasItems = !state.items.empty();
    emptyState_->setVisible(!hasItems);
    const std::optional<QString>& nothingNew = model_->lastRunNothingNew();
    emptyNothingNew_->setText(nothingNew.value_or(QString()));
    emptyNothingNew_->setVisible(!hasItems && nothingNew.has_value());
    emptyNothingNew_->setMinimumHeight(emptyNothingNew_->heightForWidth(emptyNothingNew_->width()));
    plan_->setVisible(hasItems);
    if (hasItems) {
        refreshPrintings();
        refreshTally();
    }
    refreshFooter();
    if (sheet_)
        sheet_->refresh(correctionItemId_, correctionRowIds_);
    if (!model_->recount()->showReplaceConfirm())
        confirmationShown_ = false;
    else if (!RecountGate::canCommit(state))
        model_->recount()->dismissReplaceConfirm(); // the footer says why; "Replace…" returns once it may
    else if (!confirmationShown_)
        presentConfirmation();
}

void RecountView::refreshReview()
{
    const auto rows = RecountGate::reviewRows(model_->rows());
    review_->setVisible(!rows.empty());
    reviewDivider_->setVisible(!rows.empty());
    reviewTitle_->setText(RecountTexts::reviewHeader(qint64(rows.size())));
    RecountCardRows::place(reviewList_, reviewRows_, rows, model_, rowOptions_);
    // As tall as its rows, up to 240; it scrolls beyond that.
    reviewList_->activate();
    const int width = std::max(reviewScroll_->viewport()->width(), 400);
    const int content = reviewList_->hasHeightForWidth() ? reviewList_->totalHeightForWidth(width)
                                                         : reviewList_->totalSizeHint().height();
    reviewScroll_->setFixedHeight(std::min(content, 240));
}

void RecountView::refreshPrintings()
{
    const std::vector<ScanItemPayload> items = model_->items();
    const auto& selection = model_->recount()->selectedPrintings();
    const auto& bins = model_->recount()->binByPrinting();
    // Rows are kept by item id, so a row under the pointer survives the redraw.
    QHash<QString, RecountPrintingRow*> kept;
    while (QLayoutItem* item = printingColumn_->takeAt(0)) {
        if (auto* row = qobject_cast<RecountPrintingRow*>(item->widget()))
            kept.insert(row->item().itemId, row);
        else
            delete item->widget();
        delete item;
    }
    QWidget* host = printingColumn_->parentWidget();
    printingRows_.clear();
    for (const ScanItemPayload& item : items) {
        RecountPrintingRow* row = kept.take(item.itemId);
        if (!row) {
            row = new RecountPrintingRow(model_, host);
            connect(row, &RecountPrintingRow::correctionRequested, this,
                    [this](const ScanItemPayload& group) { openCorrection(group); });
        }
        const auto bin = bins.find(item.itemId);
        row->show(item, selection.contains(item.itemId),
                  bin == bins.end() ? std::nullopt : std::optional<QString>(bin->second));
        printingColumn_->addWidget(row);
        printingRows_.insert(item.itemId, row);
    }
    printingColumn_->addStretch(1);
    qDeleteAll(kept);

    const qint64 selected = selection.size();
    selectAll_->setText(RecountTexts::selectionButton(selected));
    resetAssignments_->setVisible(!bins.empty());
}

void RecountView::refreshTally()
{
    while (QLayoutItem* item = tallyRow_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    QWidget* host = retireHint_->parentWidget();
    auto* title = new QLabel(QStringLiteral("Tally:"), host);
    title->setObjectName(QStringLiteral("tallyTitle"));
    QFont semibold = title->font();
    semibold.setWeight(QFont::DemiBold);
    title->setFont(semibold);
    tallyRow_->addWidget(title);
    const ScanReplaceTally::Result tally = model_->replaceTally();
    if (tally.bins.empty())
        tallyRow_->addWidget(RecountStyle::caption(QStringLiteral("nothing assigned yet"), QStringLiteral("tallyNothing"),
                                                   host, 1.0));
    for (const auto& bin : tally.bins) {
        auto* chip = new QLabel(RecountTexts::tallyChip(bin.bin, bin.count), host);
        chip->setObjectName(QStringLiteral("tallyChip"));
        chip->setStyleSheet(QStringLiteral("QLabel { color: %1; background: %2; border-radius: 9px; padding: 3px 8px; "
                                           "font-family: monospace; }")
                                .arg(Theme::css(Theme::recountOrange), Theme::css(Theme::warning, 38)));
        tallyRow_->addWidget(chip);
    }
    auto* unassigned = new QLabel(RecountTexts::unassignedCount(tally.unassigned), host);
    unassigned->setObjectName(QStringLiteral("tallyUnassigned"));
    unassigned->setStyleSheet(QStringLiteral("QLabel { color: %1; font-family: monospace; }")
                                  .arg(Theme::css(tally.unassigned < 1 ? Theme::faintText : Theme::secondaryText)));
    tallyRow_->addWidget(unassigned);
    tallyRow_->addStretch(1);

    RecountStyle::show(retireHint_, RecountTexts::retireHint(model_->recount()->pendingPreview(),
                                                             RecountGate::oldBins(state())));
}

void RecountView::refreshFooter()
{
    const RecountState state = this->state();
    const QSet<QString>& selection = model_->recount()->selectedPrintings();
    const bool anythingSelected = !selection.isEmpty();
    assign_->setEnabled(RecountGate::canAssign(int(selection.size()), destination_->text(), state.knownBins));
    assign_->setToolTip(RecountTexts::assignHelp(anythingSelected, destination_->text(), state.knownBins));

    const bool reading = model_->isWorking() && !model_->recount()->isRecounting();
    status_->setText(CaptureTexts::statusLine(model_->statusMessage(), reading));
    status_->setToolTip(status_->text());
    const bool canPreview = RecountGate::canPreview(state);
    const QString hint = canPreview ? QString() : RecountGate::previewBlockedHint(state);
    blockedHint_->setText(hint);
    blockedHint_->setVisible(!hint.isEmpty());
    preview_->setEnabled(canPreview);
    preview_->setText(state.isWorking ? QStringLiteral("\u29D7 Previewing\u2026") : QStringLiteral("\u21BB Preview recount"));
    preview_->setToolTip(canPreview ? QStringLiteral("Run a dry run of the recount at the service.") : hint);
    checkCommit_->setVisible(state.commitPending);
    checkCommit_->setEnabled(!state.isWorking);
    replace_->setVisible(RecountGate::canCommit(state) && !model_->recount()->showReplaceConfirm());
}

void RecountView::presentConfirmation()
{
    confirmationShown_ = true;
    std::weak_ptr<CaptureViewModel> weak = model_;
    QPointer<RecountView> screen = this;
    AlertSpec alert;
    alert.name = QStringLiteral("replaceConfirm");
    alert.title = QStringLiteral("Replace bin(s)?");
    alert.message =
        RecountGate::replaceConfirmMessage(model_->recount()->pendingPreview(), RecountGate::oldBins(state()));
    alert.buttons = {
        {QStringLiteral("Cancel"), AlertSpec::Role::cancel,
         [weak] {
             if (auto m = weak.lock())
                 m->recount()->dismissReplaceConfirm();
         }},
        {QStringLiteral("Replace"), AlertSpec::Role::destructive,
         [weak, screen] {
             if (auto m = weak.lock()) {
                 m->recount()->dismissReplaceConfirm();
                 // The old bins may have lost their confirmation while the alert was open.
                 if (screen && RecountGate::canCommit(screen->state()))
                     (void)m->commitReplace();
             }
         }},
    };
    prompter_.present(std::move(alert));
}

} // namespace vantry
