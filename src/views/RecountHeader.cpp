#include "views/RecountHeader.h"

#include "app/batch/CaptureViewModel.h"
#include "app/recount/RecountBinStatus.h"
#include "app/recount/RecountGate.h"
#include "app/recount/RecountTexts.h"
#include "views/RecountStyle.h"
#include "views/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace vantry {

RecountHeader::RecountHeader(std::shared_ptr<CaptureViewModel> model,
                             std::function<std::optional<QString>()> suggestedReplaceBin, QWidget* parent)
    : QFrame(parent), model_(std::move(model)), suggestedReplaceBin_(std::move(suggestedReplaceBin))
{
    setObjectName(QStringLiteral("recountHeader"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("#recountHeader { background: %1; }").arg(Theme::css(Theme::warning, 15)));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(8);

    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    auto* title = new QLabel(QStringLiteral("\u21BB Replacing"), this);
    title->setObjectName(QStringLiteral("replacingTitle"));
    QFont headline = title->font();
    headline.setWeight(QFont::DemiBold);
    title->setFont(headline);
    title->setStyleSheet(Theme::labelColor(Theme::recountOrange));
    row->addWidget(title);

    field_ = new QLineEdit(this);
    field_->setObjectName(QStringLiteral("oldBinField"));
    field_->setAccessibleName(QStringLiteral("Old bin"));
    field_->setPlaceholderText(QStringLiteral("Old bin, e.g. B0001"));
    QFont mono = headline;
    mono.setFamily(QStringLiteral("monospace"));
    mono.setStyleHint(QFont::Monospace);
    field_->setFont(mono);
    field_->setFixedWidth(220);
    field_->setToolTip(QStringLiteral("Old live inventory bin to replace. The recount will retire unreserved active "
                                      "copies from this bin after preview and confirmation."));
    connect(field_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_->recount()->editReplaceBinsText(text); });
    connect(field_, &QLineEdit::returnPressed, this, [this] {
        if (!model_->binList()->inventoryBinsLoadedAt())
            loadBins();
    });
    row->addWidget(field_);

    reload_ = new QPushButton(this);
    reload_->setObjectName(QStringLiteral("reloadBins"));
    reload_->setAccessibleName(QStringLiteral("Reload existing bins"));
    reload_->setFixedWidth(30);
    reload_->setToolTip(QStringLiteral("Refresh existing inventory bins for confirmation and autocomplete."));
    connect(reload_, &QPushButton::clicked, this, [this] { loadBins(); });
    row->addWidget(reload_);

    menuButton_ = new QToolButton(this);
    menuButton_->setObjectName(QStringLiteral("existingBinsMenu"));
    // The style's menu arrow sat low at the corner like a subscript: a plain mark after the title.
    menuButton_->setText(QStringLiteral("\u2630 Existing bins \u25BE"));
    menuButton_->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0px; }"));
    menuButton_->setAccessibleName(QStringLiteral("Existing bins"));
    menuButton_->setToolTip(QStringLiteral("Pick from active inventory bins."));
    menuButton_->setPopupMode(QToolButton::InstantPopup);
    menuButton_->setAutoRaise(true);
    menu_ = new QMenu(menuButton_);
    menu_->setObjectName(QStringLiteral("existingBinsList"));
    menuButton_->setMenu(menu_);
    row->addWidget(menuButton_);

    useSuggestion_ = new QPushButton(this);
    useSuggestion_->setObjectName(QStringLiteral("useSuggestedBin"));
    useSuggestion_->setFlat(true);
    useSuggestion_->setStyleSheet(QStringLiteral("QPushButton { color: palette(highlight); padding: 2px 6px; }"));
    useSuggestion_->setToolTip(QStringLiteral("Use the old-bin suggestion from the selected scan folder."));
    connect(useSuggestion_, &QPushButton::clicked, this, [this] {
        BatchRecount& recount = *model_->recount();
        if (const auto bin = RecountBinStatus::useSuggestion(suggestedReplaceBin_(), recount.replaceBinsText()))
            recount.editReplaceBinsText(*bin);
    });
    row->addWidget(useSuggestion_);
    row->addStretch(1);
    column->addLayout(row);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("oldBinStatus"));
    QFont small = status_->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    status_->setFont(small);
    column->addWidget(status_);

    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("binChips"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    scroll->setStyleSheet(Theme::clearBackground(QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget")));
    auto* chipHost = new QWidget(scroll);
    chipRow_ = new QHBoxLayout(chipHost);
    chipRow_->setContentsMargins(0, 0, 0, 0);
    chipRow_->setSpacing(6);
    scroll->setWidget(chipHost);
    scroll->setFixedHeight(26);
    chips_ = scroll;
    column->addWidget(chips_);
}

void RecountHeader::loadBins()
{
    // The model ignores a request while a load runs; nothing here waits for it.
    (void)model_->refreshInventoryBins();
}

void RecountHeader::refresh(const RecountState& state)
{
    if (field_->text() != state.replaceBinsText)
        field_->setText(state.replaceBinsText);

    reload_->setText(state.isLoadingInventoryBins ? QStringLiteral("\u29D7") : QStringLiteral("\u21BB"));

    const std::vector<InventoryBinSummary> suggestions =
        RecountGate::binSuggestions(state.inventoryBins, state.replaceBinsText);
    menu_->clear();
    if (suggestions.empty()) {
        QAction* none = menu_->addAction(RecountTexts::binMenuEmpty(!state.inventoryBins.empty()));
        none->setEnabled(false);
    }
    for (const InventoryBinSummary& bin : suggestions) {
        QAction* action = menu_->addAction(RecountTexts::binMenuEntry(bin));
        const QString label = bin.label;
        connect(action, &QAction::triggered, this, [this, label] { model_->recount()->editReplaceBinsText(label); });
    }

    const std::optional<QString> suggested = suggestedReplaceBin_();
    const auto use = RecountBinStatus::useSuggestion(suggested, state.replaceBinsText);
    useSuggestion_->setVisible(use.has_value());
    if (use)
        useSuggestion_->setText(RecountTexts::useSuggestionTitle(*use));

    RecountStyle::show(status_, RecountBinStatus::of(state, suggested));

    while (QLayoutItem* item = chipRow_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const bool chips = RecountBinStatus::showsChips(state);
    chips_->setVisible(chips);
    if (!chips)
        return;
    for (std::size_t i = 0; i < suggestions.size() && i < std::size_t(RecountBinStatus::chipLimit); ++i) {
        const InventoryBinSummary& bin = suggestions[i];
        auto* chip = new QPushButton(bin.label + QStringLiteral("  ") + QString::number(bin.totalQty), chips_);
        chip->setObjectName(QStringLiteral("binChip"));
        chip->setAccessibleName(bin.label);
        chip->setToolTip(RecountTexts::binChipHelp(bin));
        chip->setCursor(Qt::PointingHandCursor);
        chip->setStyleSheet(QStringLiteral("QPushButton { background: %1; border: none; border-radius: 10px;"
                                           " padding: 3px 8px; font-family: monospace; font-weight: 600; }")
                                .arg(Theme::css(Theme::neutral, 26)));
        const QString label = bin.label;
        connect(chip, &QPushButton::clicked, this, [this, label] { model_->recount()->editReplaceBinsText(label); });
        chipRow_->addWidget(chip);
    }
    chipRow_->addStretch(1);
}

} // namespace vantry
