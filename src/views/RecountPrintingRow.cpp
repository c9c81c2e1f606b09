#include "views/RecountPrintingRow.h"

#include "app/batch/CaptureViewModel.h"
#include "app/recount/RecountTexts.h"
#include "views/RecountStyle.h"
#include "views/Theme.h"
#include "views/WheelGuard.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace vantry {

namespace {

constexpr ScanFinish finishes[] = {ScanFinish::foil, ScanFinish::nonfoil, ScanFinish::etched, ScanFinish::surge};

}

RecountPrintingRow::RecountPrintingRow(std::shared_ptr<CaptureViewModel> model, QWidget* parent)
    : QFrame(parent), model_(std::move(model))
{
    setObjectName(QStringLiteral("recountRow"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 4, 8, 4);
    row->setSpacing(10);

    // The whole box-and-name block is one button.
    select_ = new QPushButton(this);
    select_->setObjectName(QStringLiteral("selectPrinting"));
    select_->setFlat(true);
    select_->setCursor(Qt::PointingHandCursor);
    select_->setStyleSheet(QStringLiteral("QPushButton { border: none; text-align: left; padding: 0; }"));
    auto* face = new QHBoxLayout(select_);
    face->setContentsMargins(0, 0, 0, 0);
    face->setSpacing(8);
    box_ = new QLabel(select_);
    box_->setObjectName(QStringLiteral("selectBox"));
    QFont boxFont = box_->font();
    boxFont.setPointSizeF(boxFont.pointSizeF() * 1.4);
    box_->setFont(boxFont);
    face->addWidget(box_);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    name_ = new QLabel(select_);
    name_->setObjectName(QStringLiteral("printingName"));
    QFont medium = name_->font();
    medium.setWeight(QFont::Medium);
    name_->setFont(medium);
    texts->addWidget(name_);
    subtitle_ = RecountStyle::caption(QString(), QStringLiteral("printingSubtitle"), select_);
    texts->addWidget(subtitle_);
    face->addLayout(texts);
    face->addStretch(1);
    for (QLabel* label : {box_, name_, subtitle_})
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(select_, &QPushButton::clicked, this, [this] { model_->toggleSelectedPrinting(item_.itemId); });
    // A common width keeps the finish pickers of all rows in one column.
    select_->setMinimumWidth(280);
    row->addWidget(select_, 0);

    finish_ = new QComboBox(this);
    finish_->setObjectName(QStringLiteral("printingFinish"));
    finish_->setAccessibleName(QStringLiteral("Finish"));
    // The printing list scrolls: scrolling past a row never flips its finish.
    WheelGuard::takeWheelOnlyWhenFocused(finish_);
    finish_->setFixedWidth(96);
    for (ScanFinish f : finishes)
        finish_->addItem(rawValue(f));
    finish_->setToolTip(QStringLiteral("Flip every copy of this printing to a different finish (foil / nonfoil / "
                                       "etched). Useful when the whole stack was misclassified by auto-detect."));
    connect(finish_, &QComboBox::activated, this, [this](int index) {
        if (index < 0 || index >= int(std::size(finishes)))
            return;
        model_->setFinishForPrinting(item_.scryfallId, item_.finish, finishes[index]);
    });
    row->addWidget(finish_);

    fix_ = new QPushButton(this);
    fix_->setObjectName(QStringLiteral("fixPrinting"));
    fix_->setFlat(true);
    fix_->setStyleSheet(QStringLiteral("QPushButton { color: palette(highlight); padding: 2px 6px; }"));
    fix_->setToolTip(QStringLiteral("Open the individual scan rows for this printing. Use Change on a wrong match, "
                                    "search, and confirm the right card before previewing the recount."));
    connect(fix_, &QPushButton::clicked, this, [this] { emit correctionRequested(item_); });
    row->addWidget(fix_);
    row->addStretch(1);

    auto* arrow = RecountStyle::caption(QStringLiteral("\u2192"), QStringLiteral("arrow"), this);
    arrow->setStyleSheet(Theme::labelColor(Theme::faintText));
    row->addWidget(arrow);

    chip_ = new QPushButton(this);
    chip_->setObjectName(QStringLiteral("destinationChip"));
    connect(chip_, &QPushButton::clicked, this, [this] {
        if (!bin_)
            return;
        model_->recount()->unassignPrinting(item_.itemId);
    });
    row->addWidget(chip_);
}

void RecountPrintingRow::show(const ScanItemPayload& item, bool selected, const std::optional<QString>& bin)
{
    item_ = item;
    bin_ = bin;
    setAccessibleName(item.name);
    box_->setText(selected ? QStringLiteral("\u2611") : QStringLiteral("\u2610"));
    box_->setStyleSheet(selected ? QStringLiteral("QLabel { color: palette(highlight); }")
                                 : Theme::labelColor(Theme::tertiaryText));
    name_->setText(item.name);
    subtitle_->setText(RecountTexts::printingSubtitle(item));
    select_->setToolTip(RecountTexts::selectHelp(selected));
    select_->setAccessibleName(RecountTexts::selectHelp(selected));
    select_->setMinimumSize(select_->layout()->sizeHint().expandedTo(QSize(280, 0)));
    {
        const QSignalBlocker block(finish_);
        finish_->setCurrentIndex(int(std::find(std::begin(finishes), std::end(finishes), item.finish) - finishes));
    }
    fix_->setText(QStringLiteral("\u270E ") + RecountTexts::fixButton(item.count));
    fix_->setAccessibleName(RecountTexts::fixButton(item.count));
    if (bin) {
        chip_->setText(*bin + QStringLiteral("  \u2715"));
        chip_->setAccessibleName(RecountTexts::destinationHelp(*bin));
        chip_->setToolTip(RecountTexts::destinationHelp(*bin));
        chip_->setCursor(Qt::PointingHandCursor);
        chip_->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: %2; border: none;"
                                            " border-radius: 11px; padding: 4px 9px; font-family: monospace;"
                                            " font-weight: 500; }")
                                 .arg(Theme::css(Theme::warning), Theme::css(Theme::onTint)));
    } else {
        chip_->setText(QStringLiteral("unassigned"));
        chip_->setAccessibleName(QStringLiteral("unassigned"));
        chip_->setToolTip(QString());
        chip_->setCursor(Qt::ArrowCursor);
        chip_->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: %2; border: none;"
                                            " border-radius: 10px; padding: 4px 9px; font-size: 11px; }")
                                 .arg(Theme::css(Theme::neutral, 31), Theme::css(Theme::secondaryText)));
    }
}

} // namespace vantry
