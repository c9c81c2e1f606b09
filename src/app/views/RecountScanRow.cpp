#include "app/views/RecountScanRow.h"

#include "app/capture/CaptureTexts.h"
#include "app/views/RecountStyle.h"
#include "core/recognition/Disposition.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantry {

namespace {

QString candidateText(const Candidate& c)
{
    return c.name + QStringLiteral(" \u00B7 ") + c.setCode.toUpper() + QStringLiteral(" #") + c.collectorNumber +
           QStringLiteral(" \u00B7 ") + rawValue(c.finish) + QStringLiteral(" \u00B7 ") +
           QString::asprintf("%.0f%%", c.score * 100);
}

QPushButton* linkButton(const QString& text, const QString& name, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAccessibleName(text);
    return button;
}

} // namespace

RecountScanRow::RecountScanRow(std::shared_ptr<CaptureViewModel> model, const CaptureViewModel::Row& row,
                               QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("scanRow"));
    setAccessibleName(CaptureTexts::rowTitle(row));
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(8, 6, 8, 6);
    line->setSpacing(10);

    if (row.thumbnail && !row.thumbnail->isNull()) {
        auto* thumb = new QLabel(this);
        thumb->setObjectName(QStringLiteral("scanThumbnail"));
        thumb->setPixmap(QPixmap::fromImage(row.thumbnail->scaled(40, 56, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        line->addWidget(thumb);
    }
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* title = new QLabel(CaptureTexts::rowTitle(row), this);
    title->setObjectName(QStringLiteral("scanTitle"));
    texts->addWidget(title);
    const QString detail = QStringLiteral("Scan ") + QString::number(row.card.index) + QStringLiteral(" \u00B7 ") +
                           rawValue(row.disposition) +
                           (row.chosen ? QStringLiteral(" \u00B7 ") + rawValue(row.chosen->finish) : QString());
    texts->addWidget(RecountStyle::caption(detail, QStringLiteral("scanDetail"), this));
    line->addLayout(texts, 1);

    const QUuid id = row.id;
    if (!row.chosen && !row.candidates.empty()) {
        auto* pick = new QComboBox(this);
        pick->setObjectName(QStringLiteral("scanCandidates"));
        pick->setAccessibleName(QStringLiteral("Candidates"));
        for (const Candidate& c : row.candidates)
            pick->addItem(candidateText(c));
        pick->setMaximumWidth(320);
        line->addWidget(pick);
        auto* confirm = linkButton(QStringLiteral("Confirm"), QStringLiteral("scanConfirm"), this);
        const std::vector<Candidate> candidates = row.candidates;
        connect(confirm, &QPushButton::clicked, this, [model, id, pick, candidates] {
            const int i = pick->currentIndex();
            if (i >= 0 && i < int(candidates.size()))
                model->confirm(id, candidates[std::size_t(i)]);
        });
        line->addWidget(confirm);
    }
    if (row.chosen) {
        auto* change = linkButton(QStringLiteral("Change"), QStringLiteral("scanUnconfirm"), this);
        change->setToolTip(QStringLiteral("Unconfirm this scan to pick another match."));
        connect(change, &QPushButton::clicked, this, [model, id] { model->unconfirm(id); });
        line->addWidget(change);
    }
    auto* skip = linkButton(QStringLiteral("Skip"), QStringLiteral("scanSkip"), this);
    skip->setToolTip(QStringLiteral("Leave this scan out of the batch."));
    connect(skip, &QPushButton::clicked, this, [model, id] { model->skip(id); });
    line->addWidget(skip);
}

ScanRowFactory defaultScanRowFactory()
{
    return [](const std::shared_ptr<CaptureViewModel>& model, const CaptureViewModel::Row& row, QWidget* parent) {
        return new RecountScanRow(model, row, parent);
    };
}

} // namespace vantry
