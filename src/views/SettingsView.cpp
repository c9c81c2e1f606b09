#include "views/SettingsView.h"

#include "app/auth/AuthService.h"
#include "app/review/ReviewSort.h"
#include "app/settings/CaptureBinPrefix.h"
#include "app/settings/CaptureConfig.h"
#include "app/capture/UnimportedWork.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsSlider.h"
#include "app/settings/SettingsStore.h"
#include "app/settings/SettingsTexts.h"
#include "app/settings/SettingsTrainingModel.h"
#include "views/MessageBoxPrompter.h"
#include "views/SettingBindings.h"
#include "views/Theme.h"
#include "views/WheelGuard.h"
#include "core/records/TrainingDataStore.h"
#include "core/support/CaptureLog.h"
#include "platform/Paths.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace vantry {

namespace K = SettingsKeys;
namespace T = SettingsTexts;
using Theme::Size;
using Theme::Tone;

namespace {

QGroupBox* section(const QString& title, const QString& objectName, QWidget* parent)
{
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(objectName);
    box->setAccessibleName(title.isEmpty() ? objectName : title);
    QFont f = box->font();
    f.setBold(true);
    box->setFont(f);
    auto* column = new QVBoxLayout(box);
    column->setSpacing(8);
    column->setContentsMargins(12, title.isEmpty() ? 10 : 8, 12, 12);
    return box;
}

// The group box's bold title font stays on the box: its children get the window's font.
template <class W>
W* plain(W* widget, const QWidget* reference)
{
    QFont f = reference->font();
    f.setBold(false); // explicitly, or the box's bold would be inherited
    widget->setFont(f);
    return widget;
}

QVBoxLayout* columnOf(QWidget* box) { return static_cast<QVBoxLayout*>(box->layout()); }

// A label at the leading edge and a control after it.
QHBoxLayout* addRow(QWidget* box, const QString& text, const QString& objectName, QWidget* control,
                    bool controlExpands)
{
    auto* label = plain(new QLabel(text, box), box->parentWidget());
    label->setObjectName(objectName);
    label->setBuddy(control);
    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    row->addWidget(label);
    if (!controlExpands)
        row->addStretch();
    row->addWidget(control, controlExpands ? 1 : 0);
    columnOf(box)->addLayout(row);
    return row;
}

QLineEdit* field(const QString& label, const QString& objectName, QWidget* box)
{
    auto* edit = plain(new QLineEdit(box), box->parentWidget());
    edit->setObjectName(objectName);
    edit->setAccessibleName(label);
    addRow(box, label, objectName + QStringLiteral("Label"), edit, true);
    return edit;
}

QCheckBox* toggle(const QString& label, const QString& objectName, QWidget* box)
{
    auto* check = plain(new QCheckBox(label, box), box->parentWidget());
    check->setObjectName(objectName);
    check->setAccessibleName(label);
    columnOf(box)->addWidget(check);
    return check;
}

QComboBox* picker(const QString& label, const QString& objectName, QWidget* box)
{
    auto* combo = plain(new QComboBox(box), box->parentWidget());
    combo->setObjectName(objectName);
    WheelGuard::takeWheelOnlyWhenFocused(combo);
    combo->setAccessibleName(label);
    addRow(box, label, objectName + QStringLiteral("Label"), combo, false);
    return combo;
}

void addNote(QWidget* box, const QString& text, const QString& objectName)
{
    auto* n = Theme::note(text, objectName, box);
    plain(n, box->parentWidget());
    n->setFont(Theme::font(n, Size::caption));
    columnOf(box)->addWidget(n);
}

QFont monospacedDigits(const QWidget* reference)
{
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setPointSizeF(reference->font().pointSizeF() > 0 ? reference->font().pointSizeF() : 10.0);
    return f;
}

QPushButton* button(const QString& text, const QString& objectName, bool destructive, QWidget* box)
{
    auto* b = plain(new QPushButton(text, box), box->parentWidget());
    b->setObjectName(objectName);
    b->setAccessibleName(text);
    if (destructive)
        Theme::setTone(b, Tone::destructive);
    return b;
}

QString defaultTrainingFolder() { return paths::dataHome() + QStringLiteral("/VantryCapture/training"); }

} // namespace

SettingsView::SettingsView(AuthService& auth, std::shared_ptr<SettingsStore> settings,
                           std::shared_ptr<SavePanel> savePanel, std::shared_ptr<TrainingDataStore> trainingStore,
                           QWidget* parent)
    : QWidget(parent), auth_(auth), settings_(std::move(settings))
{
    setObjectName(QStringLiteral("settingsView"));
    setAccessibleName(QStringLiteral("Settings"));
    training_ = new SettingsTrainingModel(std::move(savePanel), this);

    content_ = new QWidget;
    content_->setObjectName(QStringLiteral("settingsForm"));
    auto* column = new QVBoxLayout(content_);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(14);
    column->addWidget(accountSection());
    column->addWidget(destinationSection());
    column->addWidget(sessionDefaultsSection());
    column->addWidget(recognitionSection());
    column->addWidget(scannerSection());
    column->addWidget(trainingSection());
    column->addWidget(footerSection());
    column->addStretch();

    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("settingsScroll"));
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setWidget(content_);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll_);

    connect(&auth_, &AuthService::emailChanged, this, &SettingsView::showAccount);
    connect(&auth_, &AuthService::isSignedInChanged, this, &SettingsView::showAccount);
    connect(training_, &SettingsTrainingModel::statsChanged, this, &SettingsView::showTraining);
    connect(training_, &SettingsTrainingModel::busyChanged, this, &SettingsView::showTraining);
    connect(training_, &SettingsTrainingModel::exportToastChanged, this, &SettingsView::showTraining);
    connect(training_, &SettingsTrainingModel::storeChanged, this, &SettingsView::showTraining);
    showAccount();
    showTraining();
    training_->setStore(std::move(trainingStore));
}

SettingsView::~SettingsView() = default;

void SettingsView::setTrainingStore(std::shared_ptr<TrainingDataStore> store) { training_->setStore(std::move(store)); }

QSize SettingsView::sizeHint() const
{
    // Tall enough for the whole form where the screen allows; the form scrolls beyond that.
    const int formHeight = content_->heightForWidth(440);
    return {440, std::clamp(formHeight > 0 ? formHeight : content_->sizeHint().height(), 360, 760)};
}

QWidget* SettingsView::accountSection()
{
    auto* box = section(QStringLiteral("Account"), QStringLiteral("accountSection"), content_);
    email_ = Theme::label(QString(), QStringLiteral("signedInEmail"), Size::body, Tone::secondary, box);
    email_->setFont(font());
    email_->setWordWrap(false);
    email_->setAccessibleName(QStringLiteral("Signed-in e-mail"));
    addRow(box, QStringLiteral("Signed in as"), QStringLiteral("signedInAsLabel"), email_, false);
    signOut_ = button(QStringLiteral("Sign Out"), QStringLiteral("signOutButton"), true, box);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(signOut_);
    buttons->addStretch();
    columnOf(box)->addLayout(buttons);
    connect(signOut_, &QPushButton::clicked, this, &SettingsView::requestSignOut);
    return box;
}

void SettingsView::setUnimportedWork(std::function<UnimportedWork()> work) { unimportedWork_ = std::move(work); }

void SettingsView::requestSignOut()
{
    const UnimportedWork work = unimportedWork_ ? unimportedWork_() : UnimportedWork{};
    if (!work.any()) {
        auth_.signOut();
        return;
    }
    if (!prompter_)
        prompter_ = std::make_unique<MessageBoxPrompter>(this);
    QPointer<SettingsView> self(this);
    prompter_->present(UnimportedWorkAlerts::signOut(work, [self] {
        if (self)
            self->auth_.signOut();
    }));
}

QWidget* SettingsView::destinationSection()
{
    auto* box = section(QStringLiteral("Destination"), QStringLiteral("destinationSection"), content_);
    SettingsStore& s = *settings_;
    SettingBindings::text(field(QStringLiteral("API URL"), QStringLiteral("apiURLField"), box), s, K::apiURL,
                          [&s] { return CaptureConfig::read(s).apiURL; });
    SettingBindings::text(field(QStringLiteral("Workspace ID (optional)"), QStringLiteral("workspaceIdField"), box), s,
                          K::workspaceId, [&s] { return CaptureConfig::read(s).workspaceId; });
    addNote(box,
            QStringLiteral("The inventory bin is set per batch in the main window's footer — it defaults to that "
                           "tab's scan-folder name."),
            QStringLiteral("destinationNote"));
    return box;
}

QWidget* SettingsView::sessionDefaultsSection()
{
    auto* box = section(QStringLiteral("Session Defaults"), QStringLiteral("sessionDefaultsSection"), content_);
    SettingsStore& s = *settings_;

    QComboBox* condition = picker(QStringLiteral("Condition"), QStringLiteral("conditionPicker"), box);
    for (const QString& code : T::conditions())
        condition->addItem(code, code);
    SettingBindings::choice(condition, s, K::defaultCondition, [&s] { return CaptureConfig::read(s).defaultCondition; });

    QComboBox* sort = picker(QStringLiteral("Default sort"), QStringLiteral("defaultSortPicker"), box);
    for (const ReviewSort::Choice& choice : ReviewSort::choices())
        sort->addItem(choice.label, choice.rawValue);
    SettingBindings::choice(sort, s, K::reviewSort, [&s] { return ReviewSort::shownRawValue(s.string(K::reviewSort)); });
    addNote(box,
            QStringLiteral("How the review list is ordered when a batch opens. Scan order keeps cards in the physical "
                           "stack order so confirming never makes rows jump; the price modes float your most valuable "
                           "cards up so a misread or a foil marked nonfoil gets eyeballed first. The in-window Sort "
                           "control changes this too."),
            QStringLiteral("defaultSortNote"));

    // The cost is kept as typed; the import reads it and ignores what is no cost.
    SettingBindings::text(field(QStringLiteral("Acquisition cost per card"), QStringLiteral("acquisitionCostField"), box),
                          s, K::defaultAcquisitionCost,
                          [&s] { return s.string(K::defaultAcquisitionCost).value_or(QString()); });
    SettingBindings::text(
        field(QStringLiteral("Bin prefix"), QStringLiteral("binPrefixField"), box), s, K::binPrefix,
        [&s] { return CaptureConfig::read(s).binPrefix; },
        [](const QString& typed) { return CaptureBinPrefix::normalize(typed); });
    SettingBindings::toggle(toggle(QStringLiteral("Auto-import fully confirmed batches"),
                                   QStringLiteral("autoImportToggle"), box),
                            s, K::autoImport, [&s] { return CaptureConfig::read(s).autoImport; });
    addNote(box,
            QStringLiteral("Scans start as nonfoil. Use the review row dropdowns or the bulk finish buttons to mark "
                           "foil, etched, or surge. Auto-import stays off by default; when enabled, only fully "
                           "confirmed batches should be committed automatically."),
            QStringLiteral("sessionDefaultsNote"));
    return box;
}

QWidget* SettingsView::recognitionSection()
{
    auto* box = section(QStringLiteral("Recognition"), QStringLiteral("recognitionSection"), content_);
    SettingsStore& s = *settings_;
    auto addSlider = [&](const QString& label, const QString& name, const SettingsSlider& scale, const QString& key,
                         std::function<double()> shown) {
        auto* slider = plain(new QSlider(Qt::Horizontal, box), this);
        slider->setObjectName(name + QStringLiteral("Slider"));
        WheelGuard::takeWheelOnlyWhenFocused(slider);
        slider->setAccessibleName(label);
        auto* value = plain(new QLabel(box), this);
        value->setObjectName(name + QStringLiteral("Value"));
        value->setAccessibleName(label + QStringLiteral(" value"));
        value->setFont(monospacedDigits(this));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("0.00")) + 2);
        QHBoxLayout* row = addRow(box, label, name + QStringLiteral("Label"), slider, true);
        row->addWidget(value);
        SettingBindings::slider(slider, value, scale, s, key, std::move(shown));
    };
    addSlider(QStringLiteral("Auto-confirm threshold"), QStringLiteral("autoThreshold"),
              SettingsSlider::autoThreshold(), K::autoThreshold, [&s] { return CaptureConfig::read(s).autoThreshold; });
    addSlider(QStringLiteral("Min top1–top2 gap"), QStringLiteral("gapMin"), SettingsSlider::gapMin(), K::gapMin,
              [&s] { return CaptureConfig::read(s).gapMin; });
    for (const char* name : {"gapMinSlider", "gapMinValue"})
        box->findChild<QWidget*>(QLatin1String(name))->setToolTip(T::gapMinHelp());
    return box;
}

QWidget* SettingsView::scannerSection()
{
    auto* box = section(QStringLiteral("Scanner Control"), QStringLiteral("scannerControlSection"), content_);
    SettingsStore& s = *settings_;
    SettingBindings::toggle(toggle(QStringLiteral("Drive scanner directly (Scan Batch button)"),
                                   QStringLiteral("directScanToggle"), box),
                            s, K::directScanEnabled, [&s] { return CaptureConfig::read(s).directScanEnabled; });
    addNote(box, T::directScanNote(), QStringLiteral("directScanNote"));
    addNote(box, T::directScanSettingsNote(), QStringLiteral("directScanSettingsNote"));
    addNote(box, T::scannerDiagnosticsNote(T::abbreviatedPath(CaptureLog::filePath(), paths::homeDir())),
            QStringLiteral("diagnosticsNote"));
    return box;
}

QWidget* SettingsView::trainingSection()
{
    auto* box = section(T::trainingTitle(), QStringLiteral("trainingSection"), content_);
    labelsCollected_ = plain(new QLabel(box), this);
    labelsCollected_->setObjectName(QStringLiteral("labelsCollectedValue"));
    labelsCollected_->setAccessibleName(QStringLiteral("Labels collected"));
    labelsCollected_->setFont(monospacedDigits(this));
    Theme::setTone(labelsCollected_, Tone::secondary);
    addRow(box, QStringLiteral("Labels collected"), QStringLiteral("labelsCollectedLabel"), labelsCollected_, false);

    byFinish_ = Theme::label(QString(), QStringLiteral("byFinishValue"), Size::caption, Tone::secondary, box);
    byFinish_->setFont(Theme::font(this, Size::caption));
    byFinish_->setWordWrap(false);
    byFinish_->setAccessibleName(QStringLiteral("By finish"));
    addRow(box, QStringLiteral("By finish"), QStringLiteral("byFinishLabel"), byFinish_, false);

    verified_ = Theme::label(QString(), QStringLiteral("verifiedValue"), Size::caption, Tone::secondary, box);
    verified_->setFont(Theme::font(this, Size::caption));
    verified_->setWordWrap(false);
    verified_->setAccessibleName(QStringLiteral("Verified vs auto-accepted"));
    addRow(box, QStringLiteral("Verified vs auto-accepted"), QStringLiteral("verifiedLabel"), verified_, false);

    export_ = button(QStringLiteral("Export training data…"), QStringLiteral("exportTrainingButton"), false, box);
    clear_ = button(QStringLiteral("Clear training data…"), QStringLiteral("clearTrainingButton"), true, box);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addWidget(export_);
    buttons->addWidget(clear_);
    buttons->addStretch();
    columnOf(box)->addLayout(buttons);
    connect(export_, &QPushButton::clicked, this, [this] { training_->exportLabels(); });
    connect(clear_, &QPushButton::clicked, this, &SettingsView::confirmWipe);

    exportToast_ = Theme::label(QString(), QStringLiteral("exportToast"), Size::caption, Tone::green, box);
    exportToast_->setFont(Theme::font(this, Size::caption));
    exportToast_->setAccessibleName(QStringLiteral("Export result"));
    columnOf(box)->addWidget(exportToast_);

    trainingNote_ = Theme::note(QString(), QStringLiteral("trainingNote"), box);
    trainingNote_->setFont(Theme::font(this, Size::caption));
    columnOf(box)->addWidget(trainingNote_);
    return box;
}

QWidget* SettingsView::footerSection()
{
    auto* box = section(QString(), QStringLiteral("importAccessSection"), content_);
    addNote(box,
            QStringLiteral("Import needs store-tier scanner access on the workspace. Cards land with "
                           "acquisitionSource=scan."),
            QStringLiteral("importAccessNote"));
    return box;
}

void SettingsView::showAccount()
{
    const T::Account account = T::account(auth_.isSignedIn(), auth_.email());
    email_->setText(account.signedInAs);
    signOut_->setVisible(account.offersSignOut);
}

void SettingsView::showTraining()
{
    const TrainingDataStats& stats = training_->stats();
    labelsCollected_->setText(QString::number(stats.total));
    byFinish_->setText(T::byFinish(stats));
    verified_->setText(T::verifiedVsAuto(stats));
    const bool enabled = training_->actionsEnabled();
    export_->setEnabled(enabled);
    clear_->setEnabled(enabled);
    const QString missing = training_->store() ? QStringLiteral("No training labels collected yet.")
                                               : QStringLiteral("No training store is open for this batch.");
    export_->setToolTip(enabled ? QStringLiteral("Write the labels, their thumbnails and a read-me into a folder.")
                                : missing);
    clear_->setToolTip(enabled ? QStringLiteral("Delete every label and thumbnail.") : missing);
    exportToast_->setText(training_->exportToast().value_or(QString()));
    exportToast_->setVisible(training_->exportToast().has_value());
    const QString folder = training_->store() ? training_->store()->baseURL() : defaultTrainingFolder();
    trainingNote_->setText(T::trainingNote(T::abbreviatedPath(folder, paths::homeDir())));
}

void SettingsView::confirmWipe()
{
    if (wipeAlert_)
        return;
    auto* alert = new QMessageBox(QMessageBox::Warning, QStringLiteral("Clear all training data?"),
                                  QStringLiteral("Clear all training data?"), QMessageBox::NoButton, this);
    alert->setObjectName(QStringLiteral("clearTrainingAlert"));
    alert->setInformativeText(T::wipeConfirmMessage(training_->stats().total));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton* cancel = alert->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelClearTraining"));
    QPushButton* clear = alert->addButton(QStringLiteral("Clear"), QMessageBox::DestructiveRole);
    clear->setObjectName(QStringLiteral("confirmClearTraining"));
    alert->setDefaultButton(cancel);
    alert->setEscapeButton(cancel);
    connect(clear, &QPushButton::clicked, this, [this] { training_->wipe(); });
    wipeAlert_ = alert;
    alert->open();
}

} // namespace vantry
