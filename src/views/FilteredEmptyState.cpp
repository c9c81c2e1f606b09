#include "views/FilteredEmptyState.h"

#include "app/review/ReviewBarsState.h"
#include "views/ReturnKey.h"
#include "views/Symbols.h"
#include "views/Theme.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantry {

using Theme::Size;
using Theme::Tone;

FilteredEmptyState::FilteredEmptyState(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("filteredEmptyState"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(10);
    column->addStretch(1);
    auto* glass = new QLabel(this);
    glass->setObjectName(QStringLiteral("filteredEmptyIcon"));
    glass->setPixmap(Symbols::magnifier(34, Theme::color(this, Tone::secondary), devicePixelRatioF()));
    column->addWidget(glass, 0, Qt::AlignHCenter);
    auto* title = new QLabel(ReviewBarsState::filteredEmptyTitle(), this);
    title->setObjectName(QStringLiteral("filteredEmptyTitle"));
    title->setFont(Theme::font(this, Size::body, true));
    column->addWidget(title, 0, Qt::AlignHCenter);
    line_ = Theme::label(QString(), QStringLiteral("filteredEmptyLine"), Size::callout, Tone::secondary, this);
    line_->setAlignment(Qt::AlignHCenter);
    line_->setMinimumWidth(420);
    line_->setMaximumWidth(520);
    column->addWidget(line_, 0, Qt::AlignHCenter);
    reset_ = new QPushButton(QStringLiteral("↶ ") + ReviewBarsState::resetFiltersLabel(), this);
    reset_->setObjectName(QStringLiteral("resetFilters"));
    reset_->setAccessibleName(ReviewBarsState::resetFiltersLabel());
    ReturnKey::clicks(reset_);
    connect(reset_, &QPushButton::clicked, this, &FilteredEmptyState::resetRequested);
    column->addSpacing(4);
    column->addWidget(reset_, 0, Qt::AlignHCenter);
    column->addStretch(1);
}

void FilteredEmptyState::setLine(const QString& text)
{
    line_->setText(text);
    line_->setAccessibleName(text);
}

} // namespace vantry
