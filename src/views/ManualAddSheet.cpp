#include "views/ManualAddSheet.h"

#include "app/batch/CaptureViewModel.h"
#include "views/Symbols.h"
#include "views/Theme.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace vantry {

using Theme::Size;
using Theme::Tone;

namespace {

// A segmented picker: exclusive checkable buttons side by side.
QWidget* segments(QWidget* parent, const QString& name, QButtonGroup* group,
                  const std::vector<std::pair<QString, int>>& entries, int checked)
{
    auto* box = new QWidget(parent);
    box->setObjectName(name);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        auto* button = new QToolButton(box);
        button->setObjectName(name + QLatin1Char('-') + entries[i].first);
        button->setText(entries[i].first);
        button->setAccessibleName(entries[i].first);
        button->setCheckable(true);
        button->setChecked(entries[i].second == checked);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        const bool first = i == 0;
        const bool last = i + 1 == entries.size();
        button->setStyleSheet(Theme::segmentStyle(parent, first, last, 12));
        group->addButton(button, entries[i].second);
        row->addWidget(button);
    }
    return box;
}

// One result: name over "SET · #number", an "Art" badge, the price at the right.
QWidget* resultRow(const Candidate& candidate, QWidget* parent)
{
    auto* row = new QWidget(parent);
    row->setObjectName(QStringLiteral("manualResult"));
    row->setAccessibleName(candidate.name);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(8, 5, 8, 5);
    layout->setSpacing(10);
    auto* names = new QVBoxLayout;
    names->setSpacing(1);
    auto* name = new QLabel(candidate.name, row);
    name->setObjectName(QStringLiteral("resultName"));
    QFont medium = name->font();
    medium.setWeight(QFont::Medium);
    name->setFont(medium);
    names->addWidget(name);
    auto* detail = Theme::label(ManualAddSheetState::resultDetail(candidate), QStringLiteral("resultDetail"),
                                        Size::caption, Tone::secondary, row);
    detail->setWordWrap(false);
    names->addWidget(detail);
    layout->addLayout(names);
    if (candidate.isArtSeries) {
        auto* badge = new QLabel(QStringLiteral("Art"), row);
        badge->setObjectName(QStringLiteral("artBadge"));
        badge->setFont(Theme::font(row, Size::caption2));
        badge->setStyleSheet(QStringLiteral("QLabel { background: %1; border-radius: 7px; padding: 1px 5px; }")
                                 .arg(Theme::css(Theme::artSeries, 51)));
        layout->addWidget(badge, 0, Qt::AlignVCenter);
    }
    layout->addStretch(1);
    if (const auto price = ManualAddSheetState::resultPrice(candidate)) {
        auto* label = new QLabel(*price, row);
        label->setObjectName(QStringLiteral("resultPrice"));
        QFont digits = Theme::font(row, Size::caption);
        label->setFont(digits);
        Theme::setTone(label, Tone::secondary);
        layout->addWidget(label);
    }
    // Clicks anywhere in the row reach the list.
    for (QWidget* child : row->findChildren<QWidget*>())
        child->setAttribute(Qt::WA_TransparentForMouseEvents);
    return row;
}

} // namespace

ManualAddSheet::ManualAddSheet(std::shared_ptr<CaptureViewModel> model, QWidget* parent)
    : QDialog(parent), model_(std::move(model))
{
    setObjectName(QStringLiteral("manualAddSheet"));
    setAccessibleName(QStringLiteral("Add a card"));
    setWindowTitle(QStringLiteral("Add a card"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(580, 540);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(14);
    column->addLayout(buildTitles());
    column->addLayout(buildSearchRow());
    column->addLayout(buildFinishRow());
    column->addWidget(buildResultsArea(), 1);
    column->addLayout(buildBottomRow());

    refresh();
    query_->setFocus();
}

QVBoxLayout* ManualAddSheet::buildTitles()
{
    auto* titles = new QVBoxLayout;
    titles->setSpacing(2);
    auto* title = new QLabel(QStringLiteral("Add a card"), this);
    title->setObjectName(QStringLiteral("manualAddTitle"));
    QFont titleFont = font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
    titleFont.setWeight(QFont::DemiBold);
    title->setFont(titleFont);
    titles->addWidget(title);
    titles->addWidget(Theme::label(
        QStringLiteral("Search a card you're not scanning and add it straight to this batch."),
        QStringLiteral("manualAddSubtitle"), Size::caption, Tone::secondary, this));
    return titles;
}

QHBoxLayout* ManualAddSheet::buildSearchRow()
{
    auto* searchRow = new QHBoxLayout;
    searchRow->setSpacing(8);
    query_ = new QLineEdit(this);
    query_->setObjectName(QStringLiteral("manualSearchField"));
    query_->setAccessibleName(QStringLiteral("Card name"));
    query_->setPlaceholderText(QStringLiteral("Card name, or exact like \"245 set:J25\""));
    connect(query_, &QLineEdit::textChanged, this, [this](const QString& text) {
        state_.query = text;
        refresh();
    });
    connect(query_, &QLineEdit::returnPressed, this, &ManualAddSheet::runSearch);
    searchRow->addWidget(query_, 1);
    kinds_ = new QButtonGroup(this);
    QWidget* kindPicker = segments(this, QStringLiteral("manualSearchKind"), kinds_,
                                   {{QStringLiteral("All"), int(ManualSearchKind::any)},
                                    {QStringLiteral("Art"), int(ManualSearchKind::art)},
                                    {QStringLiteral("Token"), int(ManualSearchKind::token)}},
                                   int(state_.kind));
    kindPicker->setToolTip(QStringLiteral("Narrow the search to Art Series or token printings."));
    kindPicker->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(kinds_, &QButtonGroup::idClicked, this, [this](int id) { state_.kind = ManualSearchKind(id); });
    searchRow->addWidget(kindPicker);
    search_ = new QPushButton(QStringLiteral("Search"), this);
    search_->setObjectName(QStringLiteral("manualSearchButton"));
    search_->setAutoDefault(false);
    connect(search_, &QPushButton::clicked, this, &ManualAddSheet::runSearch);
    searchRow->addWidget(search_);
    return searchRow;
}

QHBoxLayout* ManualAddSheet::buildFinishRow()
{
    auto* finishRow = new QHBoxLayout;
    finishRow->setSpacing(8);
    auto* finishLabel = new QLabel(QStringLiteral("Finish"), this);
    finishLabel->setObjectName(QStringLiteral("manualFinishLabel"));
    finishRow->addWidget(finishLabel);
    finishes_ = new QButtonGroup(this);
    finishRow->addWidget(segments(this, QStringLiteral("manualFinish"), finishes_,
                                  {{QStringLiteral("Nonfoil"), int(ScanFinish::nonfoil)},
                                   {QStringLiteral("Foil"), int(ScanFinish::foil)},
                                   {QStringLiteral("Etched"), int(ScanFinish::etched)},
                                   {QStringLiteral("Surge"), int(ScanFinish::surge)}},
                                  int(state_.finish)),
                         1);
    connect(finishes_, &QButtonGroup::idClicked, this, [this](int id) { state_.finish = ScanFinish(id); });
    return finishRow;
}

// The pages in the order refresh() picks them by index: searching, the placeholder (a prompt or
// no match), the results.
QStackedWidget* ManualAddSheet::buildResultsArea()
{
    content_ = new QStackedWidget(this);
    content_->setObjectName(QStringLiteral("manualResultsArea"));
    content_->addWidget(buildSearchingPage());
    content_->addWidget(buildPlaceholderPage());
    content_->addWidget(buildResultsList());
    return content_;
}

QWidget* ManualAddSheet::buildSearchingPage()
{
    auto* searching = new QWidget(content_);
    searching->setObjectName(QStringLiteral("manualSearching"));
    auto* searchingColumn = new QVBoxLayout(searching);
    searchingColumn->addStretch(1);
    auto* spinner = new QProgressBar(searching);
    spinner->setRange(0, 0);
    spinner->setMaximumWidth(160);
    spinner->setTextVisible(false);
    searchingColumn->addWidget(spinner, 0, Qt::AlignHCenter);
    searchingColumn->addWidget(Theme::label(QStringLiteral("Searching…"), QStringLiteral("searchingLabel"),
                                                    Size::caption, Tone::secondary, searching),
                               0, Qt::AlignHCenter);
    searchingColumn->addStretch(1);
    return searching;
}

QWidget* ManualAddSheet::buildPlaceholderPage()
{
    auto* placeholder = new QWidget(content_);
    placeholder->setObjectName(QStringLiteral("manualPlaceholder"));
    auto* placeholderColumn = new QVBoxLayout(placeholder);
    placeholderColumn->setSpacing(6);
    placeholderColumn->addStretch(1);
    auto* glass = new QLabel(placeholder);
    glass->setPixmap(Symbols::magnifier(34, Theme::color(this, Tone::tertiary), devicePixelRatioF()));
    placeholderColumn->addWidget(glass, 0, Qt::AlignHCenter);
    placeholderTitle_ = new QLabel(placeholder);
    placeholderTitle_->setObjectName(QStringLiteral("placeholderTitle"));
    placeholderTitle_->setFont(Theme::font(this, Size::body, true));
    placeholderColumn->addWidget(placeholderTitle_, 0, Qt::AlignHCenter);
    placeholderHint_ = Theme::label(QString(), QStringLiteral("placeholderHint"), Size::caption,
                                            Tone::secondary, placeholder);
    placeholderHint_->setAlignment(Qt::AlignHCenter);
    // Full width, centred text: a wrapped label aligned in its cell would get one line's height.
    placeholderColumn->setContentsMargins(40, 0, 40, 0);
    placeholderColumn->addWidget(placeholderHint_);
    placeholderColumn->addStretch(1);
    return placeholder;
}

QListWidget* ManualAddSheet::buildResultsList()
{
    results_ = new QListWidget(content_);
    results_->setObjectName(QStringLiteral("manualResults"));
    results_->setAccessibleName(QStringLiteral("Search results"));
    results_->setSelectionMode(QAbstractItemView::SingleSelection);
    // A light selection keeps the secondary texts of the selected row readable.
    results_->setStyleSheet(QStringLiteral("QListWidget::item:selected { background: %1; }")
                                .arg(Theme::css(Theme::accent, 46)));
    connect(results_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row < 0 || std::size_t(row) >= shownResults_.size())
            return;
        state_.selectedId = shownResults_[std::size_t(row)].scryfallId;
        refresh();
    });
    return results_;
}

QHBoxLayout* ManualAddSheet::buildBottomRow()
{
    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(8);
    quantity_ = new QSpinBox(this);
    quantity_->setObjectName(QStringLiteral("manualQuantity"));
    quantity_->setAccessibleName(QStringLiteral("Quantity"));
    quantity_->setRange(ManualAddSheetState::minimumQuantity, ManualAddSheetState::maximumQuantity);
    quantity_->setPrefix(QStringLiteral("Quantity: "));
    quantity_->setValue(state_.quantity);
    connect(quantity_, &QSpinBox::valueChanged, this, [this](int value) { state_.setQuantity(value); });
    bottom->addWidget(quantity_);
    bottom->addStretch(1);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("manualCancel"));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    bottom->addWidget(cancel);
    add_ = new QPushButton(QStringLiteral("Add to batch"), this);
    add_->setObjectName(QStringLiteral("manualAdd"));
    add_->setDefault(true);
    connect(add_, &QPushButton::clicked, this, &ManualAddSheet::addToBatch);
    bottom->addWidget(add_);
    return bottom;
}

void ManualAddSheet::runSearch()
{
    if (const auto started = state_.beginSearch()) {
        refresh();
        search(*started);
    }
}

QCoro::Task<> ManualAddSheet::search(ManualAddSheetState::Search pending)
{
    QPointer<ManualAddSheet> self(this);
    const std::shared_ptr<CaptureViewModel> model = model_;
    auto answer = co_await model->searchForManualAdd(pending.text, pending.finish, pending.kind);
    if (!self)
        co_return; // the sheet closed meanwhile
    self->state_.finishSearch(pending, answer);
    self->refresh();
}

void ManualAddSheet::addToBatch()
{
    const auto candidate = state_.candidateToAdd();
    if (!candidate)
        return;
    model_->addManualCard(*candidate, state_.quantity);
    accept();
}

void ManualAddSheet::keyPressEvent(QKeyEvent* event)
{
    // A field that ignored its Return (as line edits and spin boxes do after acting on it)
    // must not also press the default button.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        QWidget* focus = focusWidget();
        if (focus && (focus == query_ || focus == quantity_ || quantity_->isAncestorOf(focus))) {
            event->accept();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void ManualAddSheet::showResults()
{
    // Rebuilt only when a search brought new results.
    if (shownResults_ == state_.results)
        return;
    shownResults_ = state_.results;
    const QSignalBlocker quiet(results_);
    results_->clear();
    for (const Candidate& candidate : shownResults_) {
        auto* item = new QListWidgetItem(results_);
        item->setData(Qt::UserRole, candidate.scryfallId);
        QWidget* row = resultRow(candidate, results_);
        item->setSizeHint(row->sizeHint());
        results_->setItemWidget(item, row);
    }
}

void ManualAddSheet::refresh()
{
    search_->setEnabled(state_.canSearch());
    add_->setEnabled(state_.canAdd());
    const auto content = state_.content();
    switch (content) {
    case ManualAddSheetState::Content::searching: content_->setCurrentIndex(0); break;
    case ManualAddSheetState::Content::prompt:
    case ManualAddSheetState::Content::noMatch:
        placeholderTitle_->setText(ManualAddSheetState::placeholderTitle(content));
        placeholderHint_->setText(ManualAddSheetState::placeholderHint(content));
        content_->setCurrentIndex(1);
        break;
    case ManualAddSheetState::Content::results: content_->setCurrentIndex(2); break;
    }
    showResults();
    // The selection follows the selected id: results sharing it show the first one.
    int selectedRow = -1;
    for (std::size_t i = 0; i < shownResults_.size(); ++i) {
        if (state_.selectedId == shownResults_[i].scryfallId) {
            selectedRow = int(i);
            break;
        }
    }
    const int current = results_->currentRow();
    const bool currentMatches = current >= 0 && std::size_t(current) < shownResults_.size() &&
                                state_.selectedId == shownResults_[std::size_t(current)].scryfallId;
    if (!currentMatches) {
        const QSignalBlocker quiet(results_);
        results_->setCurrentRow(selectedRow);
    }
}

} // namespace vantry
