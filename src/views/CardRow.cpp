#include "views/CardRow.h"

#include "app/review/CardRowTexts.h"
#include "views/ReturnKey.h"
#include "views/Symbols.h"
#include "views/TabStops.h"
#include "views/Theme.h"
#include "views/WheelGuard.h"
#include "views/widgets/BusyIndicator.h"
#include "views/widgets/CandidateButton.h"
#include "views/widgets/ComparePopover.h"
#include "views/widgets/ElidedLabel.h"
#include "views/widgets/ScanThumbnailButton.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vantry {

namespace T = CardRowTexts;
namespace S = Symbols;
using Row = CaptureViewModel::Row;

using Theme::scaled;
using Theme::setTextColor;

namespace {

QToolButton* borderless(const QString& text, const QString& name, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setCursor(Qt::PointingHandCursor);
    ReturnKey::clicks(button);
    return button;
}

// A segmented picker: checkable buttons side by side, one checked at a time.
QWidget* segmented(const QStringList& labels, const QString& name, QList<QToolButton*>& buttons, QWidget* parent)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setStyleSheet(Theme::compactSegmentsStyle(name));
    auto* row = new QHBoxLayout(frame);
    row->setContentsMargins(1, 1, 1, 1);
    row->setSpacing(0);
    auto* group = new QButtonGroup(frame);
    group->setExclusive(true);
    for (const QString& label : labels) {
        auto* button = new QToolButton(frame);
        button->setText(label);
        button->setAccessibleName(label);
        button->setCheckable(true);
        button->setCursor(Qt::PointingHandCursor);
        ReturnKey::clicks(button);
        group->addButton(button);
        row->addWidget(button);
        buttons << button;
    }
    frame->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return frame;
}

// The width a line edit needs to show `text` whole, frame and margins included.
int widthFor(const QLineEdit* field, const QString& text)
{
    QStyleOptionFrame option;
    option.initFrom(field);
    option.lineWidth = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field);
    const QMargins margins = field->textMargins();
    constexpr int cursorMargin = 2; // QLineEdit's own horizontal margin, on each side
    constexpr int slack = 4;        // rounding of the text's advance
    const int contents =
        field->fontMetrics().horizontalAdvance(text) + 2 * cursorMargin + margins.left() + margins.right() + slack;
    return field->style()
        ->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(contents, field->fontMetrics().height()), field)
        .width();
}

} // namespace

CardRow::CardRow(std::shared_ptr<CaptureViewModel> model, QUuid rowId, CardRowOptions options, QWidget* parent)
    : QWidget(parent), model_(model), rowId_(rowId), options_(std::move(options))
{
    if (!options_.images)
        options_.images = CatalogImageCache::shared();
    setObjectName(QStringLiteral("cardRow"));
    build();
    if (options_.followModel && model) {
        // One redraw per turn of the event loop, however many publications came in.
        auto* pending = new QTimer(this);
        pending->setSingleShot(true);
        pending->setInterval(0);
        connect(pending, &QTimer::timeout, this, [this] {
            if (!refreshFromModel())
                emit rowGone();
        });
        connect(model.get(), &CaptureViewModel::rowsChanged, pending, qOverload<>(&QTimer::start));
    }
    if (model) {
        bool found = false;
        for (const Row& row : model->rows()) {
            if (row.id == rowId_) {
                searchKind_ = T::initialSearchKind(row);
                setRow(row);
                found = true;
                break;
            }
        }
        if (!found)
            setKind(searchKind_);
    }
}

CardRow::~CardRow() = default;

void CardRow::build()
{
    layout_ = new QHBoxLayout(this);
    layout_->setContentsMargins(10, 8, 12, 8);
    layout_->setSpacing(12);
    layout_->setAlignment(Qt::AlignTop);

    thumbnail_ = new ScanThumbnailButton(this);
    thumbnail_->setObjectName(QStringLiteral("thumbnail"));
    ReturnKey::clicks(thumbnail_);
    connect(thumbnail_, &QAbstractButton::clicked, this, &CardRow::showZoom);
    layout_->addWidget(thumbnail_, 0, Qt::AlignTop);

    column_ = new QVBoxLayout;
    column_->setSpacing(6);
    column_->setContentsMargins(0, 2, 0, 0);
    layout_->addLayout(column_, 1);
    column_->addStretch(1);

    statusGlyph_ = new QLabel(this);
    statusGlyph_->setObjectName(QStringLiteral("statusGlyph"));
    statusButton_ = new QToolButton(this);
    statusButton_->setObjectName(QStringLiteral("statusBadge"));
    statusButton_->setAutoRaise(true);
    statusButton_->setIconSize(QSize(22, 22));
    statusButton_->setCursor(Qt::PointingHandCursor);
    ReturnKey::clicks(statusButton_);
    connect(statusButton_, &QToolButton::clicked, this, [this] {
        const auto model = model_.lock();
        if (!model || !shown_)
            return;
        const T::StatusBadge badge = T::statusBadge(*shown_);
        if (badge.clickable)
            model->setReviewed(rowId_, badge.setsReviewed);
    });
    statusButton_->hide();
    layout_->addWidget(statusGlyph_, 0, Qt::AlignTop);
    layout_->addWidget(statusButton_, 0, Qt::AlignTop);
}

// Inserts a widget into the column in the fixed order header, cue, controls.
namespace {
int columnSlot(QVBoxLayout* column, const QList<QWidget*>& order, QWidget* widget)
{
    int index = 0;
    for (QWidget* w : order) {
        if (w == widget)
            return index;
        if (w && column->indexOf(w) >= 0)
            ++index;
    }
    return index;
}
} // namespace

void CardRow::buildChosenHeader()
{
    chosenHeader_ = new QWidget(this);
    chosenHeader_->setObjectName(QStringLiteral("chosenHeader"));
    auto* row = new QHBoxLayout(chosenHeader_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    chosenName_ = new ElidedLabel(Qt::ElideRight, chosenHeader_);
    chosenName_->setObjectName(QStringLiteral("chosenName"));
    chosenName_->setFont(scaled(font(), 1.0, QFont::Medium));
    chosenName_->setTextFormat(Qt::PlainText);
    row->addWidget(chosenName_, 0);
    chosenSet_ = new QLabel(chosenHeader_);
    chosenSet_->setObjectName(QStringLiteral("chosenSet"));
    chosenSet_->setTextFormat(Qt::PlainText);
    chosenSet_->setFont(scaled(font(), 0.85));
    setTextColor(chosenSet_, Theme::color(T::Tint::secondary));
    row->addWidget(chosenSet_);

    finishPicker_ = new QComboBox(chosenHeader_);
    finishPicker_->setObjectName(QStringLiteral("finishPicker"));
    finishPicker_->setAccessibleName(QStringLiteral("Finish"));
    // Rows sit in scrolled lists: scrolling past a row never changes its finish.
    WheelGuard::takeWheelOnlyWhenFocused(finishPicker_);
    finishPicker_->setFixedWidth(T::finishPickerWidth);
    for (ScanFinish finish : allScanFinishes)
        finishPicker_->addItem(T::finishLabel(finish), int(finish));
    connect(finishPicker_, &QComboBox::activated, this, [this](int index) {
        const auto model = model_.lock();
        if (!model || !shown_ || !shown_->chosen)
            return;
        const auto finish = ScanFinish(finishPicker_->itemData(index).toInt());
        if (finish != shown_->chosen->finish)
            model->setFinish(rowId_, finish);
        else
            finishPicker_->setCurrentIndex(int(shown_->chosen->finish));
    });
    row->addWidget(finishPicker_);

    variantPicker_ = segmented({T::variantLabel(ArtSeriesVariant::plain), T::variantLabel(ArtSeriesVariant::signature)},
                               QStringLiteral("variantPicker"), variantButtons_, chosenHeader_);
    variantPicker_->setToolTip(T::variantPickerHelp());
    variantPicker_->setAccessibleName(QStringLiteral("Art Series variant"));
    for (int i = 0; i < variantButtons_.size(); ++i) {
        const ArtSeriesVariant variant = allArtSeriesVariants[std::size_t(i)];
        connect(variantButtons_[i], &QToolButton::clicked, this, [this, variant] {
            const auto model = model_.lock();
            if (!model || !shown_ || !shown_->chosen)
                return;
            if (variant != shown_->chosen->artSeriesVariant)
                model->setArtSeriesVariant(rowId_, variant);
        });
    }
    row->addWidget(variantPicker_);

    price_ = new QLabel(chosenHeader_);
    price_->setObjectName(QStringLiteral("price"));
    row->addWidget(price_);

    change_ = borderless(QStringLiteral("↶ ") + T::changeLabel(), QStringLiteral("change"), chosenHeader_);
    change_->setAccessibleName(T::changeLabel());
    change_->setToolTip(T::changeHelp());
    change_->setFont(scaled(font(), 0.9));
    connect(change_, &QToolButton::clicked, this, [this] {
        if (const auto model = model_.lock())
            model->unconfirm(rowId_);
    });
    row->addWidget(change_);
    row->addStretch(1);
    column_->insertWidget(columnSlot(column_, {chosenHeader_, reviewHeader_, tokenCue_, reviewControls_}, chosenHeader_),
                          chosenHeader_);
}

void CardRow::buildReviewHeader()
{
    reviewHeader_ = new QWidget(this);
    reviewHeader_->setObjectName(QStringLiteral("reviewHeader"));
    auto* row = new QHBoxLayout(reviewHeader_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    reviewTitle_ = new QLabel(reviewHeader_);
    reviewTitle_->setObjectName(QStringLiteral("needsReviewTitle"));
    setTextColor(reviewTitle_, Theme::color(T::Tint::secondary));
    row->addWidget(reviewTitle_);
    tokenTag_ = new QLabel(QStringLiteral("✪ ") + T::tokenTag(), reviewHeader_);
    tokenTag_->setObjectName(QStringLiteral("tokenTag"));
    tokenTag_->setAccessibleName(T::tokenTag());
    tokenTag_->setToolTip(T::tokenTagHelp());
    tokenTag_->setFont(scaled(font(), 0.8));
    setTextColor(tokenTag_, Theme::color(T::Tint::teal));
    row->addWidget(tokenTag_);
    artTag_ = new QLabel(QStringLiteral("◐ ") + T::artTag(), reviewHeader_);
    artTag_->setObjectName(QStringLiteral("artTag"));
    artTag_->setAccessibleName(T::artTag());
    artTag_->setToolTip(T::artTagHelp());
    artTag_->setFont(scaled(font(), 0.8));
    setTextColor(artTag_, Theme::color(T::Tint::purple));
    row->addWidget(artTag_);
    row->addStretch(1);
    column_->insertWidget(columnSlot(column_, {chosenHeader_, reviewHeader_, tokenCue_, reviewControls_}, reviewHeader_),
                          reviewHeader_);
}

void CardRow::buildTokenCue()
{
    tokenCue_ = new QFrame(this);
    tokenCue_->setObjectName(QStringLiteral("physicalTokenCue"));
    tokenCue_->setToolTip(T::physicalTokenHelp());
    const QColor orange = Theme::color(T::Tint::orange);
    QColor fill = orange, line = orange;
    fill.setAlphaF(0.12);
    line.setAlphaF(0.25);
    tokenCue_->setStyleSheet(QStringLiteral("QFrame#physicalTokenCue { background: %1; border: 1px solid %2; "
                                            "border-radius: 6px; }")
                                 .arg(Theme::css(fill), Theme::css(line)));
    tokenCue_->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(tokenCue_);
    row->setContentsMargins(8, 3, 8, 3);
    row->setSpacing(6);
    const QFont caption = scaled(font(), 0.85);
    auto* glyph = new QLabel(QStringLiteral("❐"), tokenCue_);
    auto* title = new QLabel(T::physicalTokenTitle(), tokenCue_);
    title->setFont(scaled(font(), 0.85, QFont::Medium));
    tokenPrice_ = new QLabel(tokenCue_);
    tokenPrice_->setObjectName(QStringLiteral("physicalTokenPrice"));
    tokenFaces_ = new ElidedLabel(Qt::ElideRight, tokenCue_);
    tokenFaces_->setObjectName(QStringLiteral("physicalTokenFaces"));
    for (QLabel* label : {glyph, tokenPrice_})
        label->setFont(caption);
    tokenFaces_->setFont(caption);
    for (QLabel* label : {glyph, title, tokenPrice_})
        setTextColor(label, orange);
    setTextColor(tokenFaces_, Theme::color(T::Tint::secondary));
    for (QLabel* label : std::initializer_list<QLabel*>{glyph, title, tokenPrice_, tokenFaces_}) {
        label->setStyleSheet(QStringLiteral("background: %1; border: none;").arg(Theme::css(Theme::clear)));
        row->addWidget(label);
    }
    column_->insertWidget(columnSlot(column_, {chosenHeader_, reviewHeader_, tokenCue_, reviewControls_}, tokenCue_),
                          tokenCue_, 0, Qt::AlignLeft);
}

void CardRow::buildReviewControls()
{
    reviewControls_ = new QWidget(this);
    reviewControls_->setObjectName(QStringLiteral("reviewControls"));
    auto* col = new QVBoxLayout(reviewControls_);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(6);

    readWarning_ = new QLabel(reviewControls_);
    readWarning_->setObjectName(QStringLiteral("readWarning"));
    readWarning_->setWordWrap(true);
    readWarning_->setTextFormat(Qt::PlainText);
    setTextColor(readWarning_, Theme::color(T::Tint::orange));
    col->addWidget(readWarning_);

    candidateArea_ = new QScrollArea(reviewControls_);
    candidateArea_->setObjectName(QStringLiteral("candidateList"));
    candidateArea_->setFrameShape(QFrame::NoFrame);
    candidateArea_->setWidgetResizable(true);
    candidateArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    candidateArea_->viewport()->setAutoFillBackground(false);
    // Tab goes to the candidates themselves, not to the area around them.
    candidateArea_->setFocusPolicy(Qt::NoFocus);
    candidateList_ = new QWidget;
    candidateList_->setAutoFillBackground(false);
    candidateLayout_ = new QVBoxLayout(candidateList_);
    candidateLayout_->setContentsMargins(0, 0, 0, 0);
    candidateLayout_->setSpacing(6);
    candidateArea_->setWidget(candidateList_);
    col->addWidget(candidateArea_);

    auto* search = new QHBoxLayout;
    search->setSpacing(6);
    searchField_ = new QLineEdit(reviewControls_);
    searchField_->setObjectName(QStringLiteral("searchField"));
    searchField_->setAccessibleName(QStringLiteral("Search for this card"));
    // As wide as the whole hint needs; squeezed by a narrow row it shows the short one (the
    // event filter follows its width).
    searchField_->setPlaceholderText(T::searchPlaceholder());
    searchField_->setMaximumWidth(std::max(T::searchFieldMaxWidth, widthFor(searchField_, T::searchPlaceholder())));
    searchField_->setMinimumWidth(120);
    searchField_->setToolTip(T::searchPlaceholder());
    // Return searches and goes no further: in a sheet it must not also press the default button.
    searchField_->installEventFilter(this);
    connect(searchField_, &QLineEdit::textChanged, this,
            [this](const QString& text) { search_->setEnabled(T::searchEnabled(text)); });
    search->addWidget(searchField_, 100); // grows to its maximum before the space after Rotate

    QStringList kinds;
    for (ManualSearchKind kind : allManualSearchKinds)
        kinds << T::kindLabel(kind);
    QWidget* kindPicker = segmented(kinds, QStringLiteral("kindPicker"), kindButtons_, reviewControls_);
    kindPicker->setToolTip(T::kindPickerHelp());
    kindPicker->setAccessibleName(QStringLiteral("Search kind"));
    for (int i = 0; i < kindButtons_.size(); ++i) {
        const ManualSearchKind kind = allManualSearchKinds[std::size_t(i)];
        connect(kindButtons_[i], &QToolButton::clicked, this, [this, kind] { searchKind_ = kind; });
    }
    search->addWidget(kindPicker);

    search_ = borderless(T::searchLabel(), QStringLiteral("search"), reviewControls_);
    search_->setAccessibleName(T::searchLabel());
    search_->setIcon(S::icon(QStringLiteral("magnifyingglass"), Theme::color(T::Tint::primary), 12));
    search_->setIconSize(QSize(12, 12));
    search_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    search_->setEnabled(false);
    connect(search_, &QToolButton::clicked, this, &CardRow::performSearch);
    search->addWidget(search_);
    skip_ = borderless(T::skipLabel(), QStringLiteral("skip"), reviewControls_);
    skip_->setAccessibleName(T::skipLabel());
    connect(skip_, &QToolButton::clicked, this, [this] {
        if (const auto model = model_.lock())
            model->skip(rowId_);
    });
    search->addWidget(skip_);
    rotate_ = borderless(QStringLiteral("↻ ") + T::rotateLabel(), QStringLiteral("rotate"), reviewControls_);
    rotate_->setAccessibleName(T::rotateLabel());
    rotate_->setToolTip(T::rotateHelp());
    connect(rotate_, &QToolButton::clicked, this, [this] {
        const auto model = model_.lock();
        if (!model || !shown_ || !T::rotateEnabled(*shown_))
            return;
        model->rotateAndReanalyze(rowId_); // runs on; the row shows the outcome when published
    });
    search->addWidget(rotate_);
    rotateBusy_ = new BusyIndicator(reviewControls_);
    rotateBusy_->setObjectName(QStringLiteral("rotateProgress"));
    rotateBusy_->setAccessibleName(QStringLiteral("Re-analysing"));
    search->addWidget(rotateBusy_);
    search->addStretch(1);
    col->addLayout(search);
    setKind(searchKind_);

    column_->insertWidget(
        columnSlot(column_, {chosenHeader_, reviewHeader_, tokenCue_, reviewControls_}, reviewControls_),
        reviewControls_);
}

void CardRow::setKind(ManualSearchKind kind)
{
    searchKind_ = kind;
    for (int i = 0; i < kindButtons_.size(); ++i)
        kindButtons_[i]->setChecked(allManualSearchKinds[std::size_t(i)] == kind);
}

QString CardRow::query() const { return searchField_ ? searchField_->text() : QString(); }

void CardRow::performSearch()
{
    const auto model = model_.lock();
    if (!model || !shown_)
        return;
    const auto text = T::searchQuery(searchField_->text(), searchKind_, *shown_);
    if (!text)
        return;
    // The model applies the newest search of the row when it answers; the field keeps its text.
    model->search(rowId_, *text);
}

bool CardRow::refreshFromModel()
{
    const auto model = model_.lock();
    if (model) {
        for (const Row& row : model->rows()) {
            if (row.id == rowId_) {
                setRow(row);
                return true;
            }
        }
    }
    hideZoom();
    return false;
}

void CardRow::setRow(const Row& row)
{
    const std::optional<Row> before = std::move(shown_);
    shown_ = row;
    bool changed = !before;
    auto differs = [&](auto field) { return !before || field(*before) != field(row); };

    updateThumbnail(row);
    if (differs([](const Row& r) { return r.chosen; }) || differs([](const Row& r) { return r.card.index; }) ||
        differs([](const Row& r) { return std::pair(r.isToken, r.isArtSeries); })) {
        updateHeader(row);
        updateTokenCue(row);
        changed = true;
    }
    if (differs([](const Row& r) { return r.chosen.has_value(); }) ||
        differs([](const Row& r) { return r.candidates; }) || differs([](const Row& r) { return r.readNote; }) ||
        differs([](const Row& r) { return r.isReanalyzing; })) {
        updateReviewControls(row);
        changed = true;
    }
    updateBadge(row);
    setOpacityFor(row);
    if (zoomShown_)
        updateZoom();
    if (changed) {
        applyTabOrder();
        emit contentChanged();
    }
}

QList<QWidget*> CardRow::focusOrder() const
{
    QList<QWidget*> order{thumbnail_};
    if (chosenHeader_) {
        order << finishPicker_;
        for (QToolButton* b : variantButtons_)
            order << b;
        order << change_;
    }
    if (reviewControls_) {
        for (int i = 0; i < candidateLayout_->count(); ++i)
            if (QWidget* candidate = candidateLayout_->itemAt(i)->widget())
                order << candidate;
        order << searchField_;
        for (QToolButton* b : kindButtons_)
            order << b;
        order << search_ << skip_ << rotate_;
    }
    order << statusButton_;
    return order;
}

QWidget* CardRow::reviewFocus() const
{
    if (!reviewControls_ || reviewControls_->isHidden())
        return nullptr;
    for (int i = 0; i < candidateLayout_->count(); ++i)
        if (QWidget* candidate = candidateLayout_->itemAt(i)->widget())
            return candidate;
    return searchField_;
}

void CardRow::applyTabOrder()
{
    // Parts are built as the row first needs them and candidates are rebuilt with each search,
    // so Qt's order of creation put the badge before the header and the candidates after Rotate.
    const QList<QWidget*> order = focusOrder();
    TabStops::chain(order.front(), order.mid(1));
    for (QWidget* widget : order) {
        if (!widget->property("focusWatched").toBool()) {
            widget->installEventFilter(this);
            widget->setProperty("focusWatched", true);
        }
    }
}

void CardRow::updateThumbnail(const Row& row)
{
    thumbnail_->setScan(row.thumbnail, T::thumbnailCaption(row));
}

void CardRow::updateHeader(const Row& row)
{
    if (row.chosen) {
        if (!chosenHeader_)
            buildChosenHeader();
        const Candidate& chosen = *row.chosen;
        chosenName_->setFullText(chosen.name);
        chosenName_->setToolTip(chosen.name);
        chosenSet_->setText(T::setAndNumber(chosen));
        finishPicker_->setCurrentIndex(int(chosen.finish));
        variantPicker_->setVisible(T::showsVariantPicker(chosen));
        for (int i = 0; i < variantButtons_.size(); ++i)
            variantButtons_[i]->setChecked(allArtSeriesVariants[std::size_t(i)] == chosen.artSeriesVariant);
        if (const auto label = T::priceLabel(chosen.effectivePriceUSD())) {
            const QColor tint = Theme::color(label->tint);
            QColor fill = tint;
            fill.setAlphaF(0.16);
            price_->setText(label->text);
            price_->setToolTip(label->help);
            price_->setAccessibleName(label->text + QStringLiteral(", ") + label->help);
            price_->setStyleSheet(
                label->highlighted
                    ? QStringLiteral("QLabel { color: %1; background: %2; border-radius: 6px; padding: 1px 7px; "
                                     "font-weight: 600; font-size: %3pt; }")
                          .arg(Theme::css(tint), Theme::css(fill))
                          .arg(font().pointSizeF() * 1.2, 0, 'f', 1)
                    : QStringLiteral("QLabel { color: %1; font-weight: 600; }").arg(Theme::css(tint)));
            price_->show();
        } else {
            price_->hide();
        }
        chosenHeader_->show();
        if (reviewHeader_)
            reviewHeader_->hide();
        return;
    }
    if (!reviewHeader_)
        buildReviewHeader();
    reviewTitle_->setText(T::needsReviewTitle(row));
    tokenTag_->setVisible(row.isToken);
    artTag_->setVisible(row.isArtSeries);
    reviewHeader_->show();
    if (chosenHeader_)
        chosenHeader_->hide();
}

void CardRow::updateTokenCue(const Row& row)
{
    const bool shows = row.chosen && row.chosen->physicalToken;
    if (!shows) {
        if (tokenCue_)
            tokenCue_->hide();
        return;
    }
    if (!tokenCue_)
        buildTokenCue();
    const auto& token = *row.chosen->physicalToken;
    const auto priceText = T::physicalTokenPriceText(*row.chosen, token);
    tokenPrice_->setText(priceText.value_or(QString()));
    tokenPrice_->setVisible(priceText.has_value());
    tokenFaces_->setFullText(T::physicalTokenFacesLabel(token));
    tokenFaces_->setToolTip(T::physicalTokenFacesLabel(token));
    tokenCue_->show();
}

void CardRow::updateReviewControls(const Row& row)
{
    if (!T::showsReviewControls(row)) {
        if (reviewControls_)
            reviewControls_->hide();
        return;
    }
    if (!reviewControls_)
        buildReviewControls();
    const auto warning = T::readWarning(row);
    readWarning_->setText(warning ? QStringLiteral("⚠ ") + *warning : QString());
    readWarning_->setVisible(warning.has_value());
    updateCandidates(row);
    rotate_->setEnabled(T::rotateEnabled(row));
    rotateBusy_->setVisible(T::showsRotateProgress(row));
    reviewControls_->show();
}

void CardRow::updateCandidates(const Row& row)
{
    // Rebuilt only when the candidates themselves changed (setRow checks).
    while (QLayoutItem* item = candidateLayout_->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
    for (const Candidate& candidate : row.candidates) {
        auto* button = new CandidateButton(candidate, options_.images, options_.imageBase, candidateList_);
        ReturnKey::clicks(button);
        connect(button, &QAbstractButton::clicked, this, [this, candidate] {
            if (const auto model = model_.lock())
                model->confirm(rowId_, candidate);
        });
        candidateLayout_->addWidget(button);
    }
    candidateArea_->setVisible(!row.candidates.empty());
    const auto cap = T::candidateListMaxHeight(row.candidates.size());
    candidateArea_->setVerticalScrollBarPolicy(cap ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    const int content = candidateLayout_->totalSizeHint().height();
    candidateArea_->setFixedHeight(cap ? std::min(*cap, content) : content);
}

void CardRow::updateBadge(const Row& row)
{
    const T::StatusBadge badge = T::statusBadge(row);
    const int key = int(badge.glyph.symbol) * 100 + int(badge.glyph.tint) * 2 + (badge.clickable ? 1 : 0);
    if (badgeKey_ == key && statusButton_->toolTip() == badge.help)
        return;
    badgeKey_ = key;
    const QPixmap glyph = S::pixmap(badge.glyph.symbol, Theme::color(badge.glyph.tint), 22, devicePixelRatioF());
    if (badge.clickable) {
        statusButton_->setIcon(QIcon(glyph));
        statusButton_->setToolTip(badge.help);
        statusButton_->setAccessibleName(row.reviewed ? QStringLiteral("Reviewed") : QStringLiteral("Mark reviewed"));
        statusButton_->show();
        statusGlyph_->hide();
    } else {
        statusGlyph_->setPixmap(glyph);
        statusGlyph_->setAccessibleName(row.disposition == Disposition::review ? QStringLiteral("Needs review")
                                                                                : QStringLiteral("Unresolved"));
        statusGlyph_->show();
        statusButton_->hide();
    }
}

void CardRow::setOpacityFor(const Row& row)
{
    const double opacity = T::rowOpacity(row);
    if (opacity < 1.0) {
        if (!opacity_) {
            opacity_ = new QGraphicsOpacityEffect(this);
            setGraphicsEffect(opacity_);
        }
        opacity_->setOpacity(opacity);
    } else if (opacity_) {
        setGraphicsEffect(nullptr); // deletes the effect
        opacity_ = nullptr;
    }
}

int CardRow::heightFor(int width) const
{
    return hasHeightForWidth() ? heightForWidth(width) : sizeHint().height();
}

// --- Compare popover ------------------------------------------------------------------------

void CardRow::updateZoom()
{
    if (zoom_ && shown_)
        zoom_->setRow(*shown_);
}

QWidget* CardRow::zoomPopover() const { return zoom_; }

void CardRow::showZoom()
{
    if (!shown_)
        return;
    if (!zoom_) {
        zoom_ = new ComparePopover(options_.images, options_.imageBase, this);
        connect(zoom_, &ComparePopover::hidden, this, [this] {
            if (!zoomShown_)
                return;
            zoomShown_ = false;
            emit zoomShownChanged(false);
        });
    }
    updateZoom();
    moveZoomToAnchor();
    zoom_->show();
    if (!zoomShown_) {
        zoomShown_ = true;
        emit zoomShownChanged(true);
    }
}

void CardRow::moveZoomToAnchor()
{
    if (zoom_)
        zoom_->moveBeside(thumbnail_);
}

void CardRow::hideZoom()
{
    if (zoom_ && zoom_->isVisible())
        zoom_->hide(); // its hidden() records it
    else if (zoomShown_) {
        zoomShown_ = false;
        emit zoomShownChanged(false);
    }
}

bool CardRow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == searchField_ && event->type() == QEvent::Resize)
        searchField_->setPlaceholderText(
            T::searchPlaceholder(searchField_->width(), widthFor(searchField_, T::searchPlaceholder())));
    if (event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason)
            emit focusedByKeyboard(static_cast<QWidget*>(watched));
    }
    if (watched == searchField_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            performSearch();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vantry
