#include "views/widgets/CandidateButton.h"

#include "app/review/CardRowTexts.h"
#include "views/CatalogImageView.h"
#include "views/Theme.h"
#include "views/widgets/ElidedLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace vantry {

namespace T = CardRowTexts;

using Theme::scaled;
using Theme::setTextColor;

CandidateButton::CandidateButton(const Candidate& candidate, const std::shared_ptr<CatalogImageCache>& images,
                                 const QString& imageBase, QWidget* parent)
    : QAbstractButton(parent)
{
    setObjectName(QStringLiteral("candidateButton"));
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(QStringLiteral("Confirm ") + candidate.name + u' ' + T::setAndNumber(candidate));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 0, 2, 0);
    row->setSpacing(6);
    if (const auto url = T::candidateThumbUrl(candidate, imageBase)) {
        auto* thumb =
            new CatalogImageView(images, {QSize(T::candidateThumbWidth, T::candidateThumbHeight), 3, {}, false}, this);
        thumb->setObjectName(QStringLiteral("candidateThumb"));
        thumb->setUrl(url);
        row->addWidget(thumb);
    }
    auto* name = new ElidedLabel(Qt::ElideRight, this);
    name->setObjectName(QStringLiteral("candidateName"));
    name->setFullText(candidate.name);
    setTextColor(name, Theme::color(T::Tint::blue));
    row->addWidget(name, 0);
    auto* set = new QLabel(T::setAndNumber(candidate), this);
    set->setObjectName(QStringLiteral("candidateSet"));
    set->setFont(scaled(font(), 0.85));
    setTextColor(set, Theme::color(T::Tint::secondary));
    row->addWidget(set);
    if (candidate.isArtSeries) {
        auto* art = new QLabel(QStringLiteral("◐"), this);
        art->setObjectName(QStringLiteral("candidateArt"));
        art->setFont(scaled(font(), 0.75));
        art->setToolTip(T::artSeriesCandidateHelp());
        setTextColor(art, Theme::color(T::Tint::purple));
        row->addWidget(art);
    }
    if (const auto score = T::candidateScoreText(candidate.score)) {
        auto* label = new QLabel(*score, this);
        label->setObjectName(QStringLiteral("candidateScore"));
        label->setFont(scaled(font(), 0.75));
        setTextColor(label, Theme::color(T::Tint::tertiary));
        row->addWidget(label);
    }
    row->addStretch(1);
    // The whole button takes the clicks and the hover.
    for (QWidget* child : findChildren<QWidget*>())
        child->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CandidateButton::paintEvent(QPaintEvent*)
{
    // A tint only while pointed at, pressed or focused.
    if (!underMouse() && !isDown() && !hasFocus())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Theme::withAlpha(Theme::color(T::Tint::blue), isDown() ? 40 : 20));
    p.drawRoundedRect(QRectF(rect()), 4, 4);
}

void CandidateButton::enterEvent(QEnterEvent* event)
{
    update();
    QAbstractButton::enterEvent(event);
}

void CandidateButton::leaveEvent(QEvent* event)
{
    update();
    QAbstractButton::leaveEvent(event);
}

} // namespace vantry
