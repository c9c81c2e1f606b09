#include "views/RecountCorrectionSheet.h"

#include "app/batch/CaptureViewModel.h"
#include "app/recount/RecountCorrection.h"
#include "app/recount/RecountTexts.h"
#include "views/RecountCardRows.h"
#include "views/RecountStyle.h"
#include "views/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace vantry {

RecountCorrectionSheet::RecountCorrectionSheet(std::shared_ptr<CaptureViewModel> model, CardRowOptions rowOptions,
                                               QWidget* parent)
    : QDialog(parent), model_(std::move(model)), rowOptions_(std::move(rowOptions))
{
    setObjectName(QStringLiteral("correctionSheet"));
    setAccessibleName(QStringLiteral("Fix scanned copies"));
    setWindowTitle(QStringLiteral("Fix scanned copies"));
    setWindowModality(Qt::WindowModal);
    setMinimumSize(760, 520);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* header = new QHBoxLayout;
    header->setContentsMargins(12, 12, 12, 12);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    auto* title = new QLabel(QStringLiteral("Fix scanned copies"), this);
    title->setObjectName(QStringLiteral("correctionTitle"));
    QFont headline = title->font();
    headline.setWeight(QFont::DemiBold);
    title->setFont(headline);
    texts->addWidget(title);
    subtitle_ = RecountStyle::caption(QString(), QStringLiteral("correctionSubtitle"), this);
    texts->addWidget(subtitle_);
    header->addLayout(texts);
    header->addStretch(1);
    done_ = new QPushButton(QStringLiteral("Done"), this);
    done_->setObjectName(QStringLiteral("correctionDone"));
    done_->setDefault(true);
    done_->setAutoDefault(true);
    connect(done_, &QPushButton::clicked, this, &QDialog::accept);
    header->addWidget(done_, 0, Qt::AlignTop);
    column->addLayout(header);
    column->addWidget(Theme::divider(this));

    empty_ = new QWidget(this);
    empty_->setObjectName(QStringLiteral("correctionEmpty"));
    auto* emptyCol = new QVBoxLayout(empty_);
    emptyCol->setContentsMargins(24, 24, 24, 24);
    emptyCol->addStretch(1);
    auto* mark = new QLabel(QStringLiteral("\u2714"), empty_);
    QFont big = mark->font();
    big.setPointSizeF(28);
    mark->setFont(big);
    mark->setStyleSheet(Theme::labelColor(Theme::tertiaryText));
    emptyCol->addWidget(mark, 0, Qt::AlignHCenter);
    auto* emptyTitle = new QLabel(QStringLiteral("No matching scans remain"), empty_);
    QFont semibold = emptyTitle->font();
    semibold.setWeight(QFont::DemiBold);
    emptyTitle->setFont(semibold);
    emptyCol->addWidget(emptyTitle, 0, Qt::AlignHCenter);
    emptyCol->addWidget(RecountStyle::caption(QStringLiteral("They were corrected, skipped, or moved to another printing."),
                                              QStringLiteral("correctionEmptyHint"), empty_),
                        0, Qt::AlignHCenter);
    emptyCol->addStretch(1);
    column->addWidget(empty_, 1);

    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("correctionList"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* host = new QWidget(scroll);
    listColumn_ = new QVBoxLayout(host);
    listColumn_->setContentsMargins(12, 6, 12, 6);
    listColumn_->setSpacing(0);
    scroll->setWidget(host);
    list_ = scroll;
    column->addWidget(list_, 1);

    // "Done", Escape and the window's close button all end here.
    connect(this, &QDialog::finished, this, [this] { emit closed(); });
}

void RecountCorrectionSheet::refresh(const std::optional<QString>& itemId, const QSet<QUuid>& rowIds)
{
    const std::vector<ScanItemPayload> items = model_->items();
    subtitle_->setText(RecountTexts::correctionSubtitle(items, itemId));
    const auto rows = RecountCorrection::correctionRows(rowIds, model_->rows());
    listed_ = int(rows.size());
    empty_->setVisible(rows.empty());
    list_->setVisible(!rows.empty());
    RecountCardRows::place(listColumn_, rows_, rows, model_, rowOptions_);
}

} // namespace vantry
