#include "app/auth/AuthService.h"
#include "app/auth/TokenStore.h"
#include "app/capture/UnimportedWork.h"
#include "app/settings/SettingsKeys.h"
#include "app/settings/SettingsStore.h"
#include "app/settings/SettingsTrainingModel.h"
#include "views/ScannerSettingsCard.h"
#include "views/SettingsView.h"
#include "core/records/TrainingDataStore.h"
#include "platform/FakeSavePanel.h"
#include "platform/FakeWebAuthSession.h"

#include "support/FakeHttpServer.h"
#include "support/TempHome.h"
#include "support/WheelTurn.h"
#include "support/TrainingLabels.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSlider>
#include <QTest>
#include <QToolButton>

using namespace vantry;
namespace K = vantry::SettingsKeys;

namespace {

template <class W>
W* child(QWidget* root, const char* name)
{
    W* w = root->findChild<W*>(QString::fromUtf8(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

QString text(QWidget* root, const char* name) { return child<QLabel>(root, name)->text(); }

std::shared_ptr<TrainingDataStore> storeWith(const QString& folder, int labels)
{
    return test::trainingStoreWith(folder, labels);
}

// A settings window over a settings file of its own and a fake sign-in.
struct Fixture {
    test::TempHome home;
    QString file = home.file("config/VantryCapture.conf");
    std::shared_ptr<SettingsStore> settings = std::make_shared<SettingsStore>(file);
    FakeWebAuthSession web;
    std::unique_ptr<AuthService> auth = std::make_unique<AuthService>(web);

    std::unique_ptr<SettingsView> view(std::shared_ptr<TrainingDataStore> store = nullptr,
                                       std::shared_ptr<SavePanel> panel = nullptr)
    {
        auto v = std::make_unique<SettingsView>(*auth, settings, std::move(panel), std::move(store));
        v->show();
        QApplication::processEvents();
        return v;
    }
    QStringList storedKeys() const { return QSettings(file, QSettings::IniFormat).allKeys(); }
    QString stored(const QString& key) const { return settings->string(key).value_or("<absent>"); }
};

bool waitUntil(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 20000); }

} // namespace

TEST(SettingsView, OpeningAndClosingOnEmptySettingsWritesNothingAndShowsTheDefaults)
{
    Fixture f;
    {
        auto view = f.view();
        EXPECT_EQ(text(view.get(), "signedInEmail"), QStringLiteral("—"));
        EXPECT_EQ(text(view.get(), "autoThresholdValue"), QStringLiteral("0.92"));
        EXPECT_EQ(text(view.get(), "gapMinValue"), QStringLiteral("0.04"));
        EXPECT_EQ(child<QComboBox>(view.get(), "conditionPicker")->currentText(), QStringLiteral("NM"));
        EXPECT_EQ(child<QComboBox>(view.get(), "defaultSortPicker")->currentText(), QStringLiteral("Scan order"));
        EXPECT_EQ(child<QLineEdit>(view.get(), "binPrefixField")->text(), QStringLiteral("A"));
        EXPECT_EQ(child<QLineEdit>(view.get(), "workspaceIdField")->text(), QString());
        EXPECT_EQ(child<QLineEdit>(view.get(), "acquisitionCostField")->text(), QString());
        EXPECT_TRUE(child<QLineEdit>(view.get(), "apiURLField")->text().startsWith("https://"));
        EXPECT_TRUE(child<QCheckBox>(view.get(), "directScanToggle")->isChecked());
        EXPECT_FALSE(child<QCheckBox>(view.get(), "autoImportToggle")->isChecked());
        EXPECT_FALSE(child<QPushButton>(view.get(), "exportTrainingButton")->isEnabled());
        EXPECT_FALSE(child<QPushButton>(view.get(), "clearTrainingButton")->isEnabled());
        EXPECT_EQ(text(view.get(), "labelsCollectedValue"), QStringLiteral("0"));
        ScannerSettingsCard card(f.settings);
        card.show();
        QApplication::processEvents();
    }
    EXPECT_TRUE(f.storedKeys().isEmpty());
}

TEST(SettingsView, BadStoredValuesShowDefaultsOrClampsAndAreNotRewritten)
{
    Fixture f;
    const std::pair<QString, QString> bad[] = {
        {K::autoThreshold, "7"},         {K::gapMin, "abc"},          {K::directScanEnabled, "maybe"},
        {K::defaultCondition, "mint"},   {K::autoImport, "[1]"},      {K::binPrefix, "  xyz123 "},
        {K::reviewSort, "byColour"},     {K::scanResolutionDpi, "-40"},
    };
    for (const auto& [key, value] : bad)
        f.settings->setString(key, value);
    const QByteArray before = [&] { QFile in(f.file); in.open(QIODevice::ReadOnly); return in.readAll(); }();
    {
        auto view = f.view();
        EXPECT_EQ(text(view.get(), "autoThresholdValue"), QStringLiteral("1.00"));
        EXPECT_EQ(child<QSlider>(view.get(), "autoThresholdSlider")->value(), 10000);
        EXPECT_EQ(text(view.get(), "gapMinValue"), QStringLiteral("0.04"));
        EXPECT_FALSE(child<QCheckBox>(view.get(), "directScanToggle")->isChecked());
        EXPECT_EQ(child<QComboBox>(view.get(), "conditionPicker")->currentText(), QStringLiteral("NM"));
        EXPECT_EQ(child<QComboBox>(view.get(), "defaultSortPicker")->currentText(), QStringLiteral("Scan order"));
        EXPECT_EQ(child<QLineEdit>(view.get(), "binPrefixField")->text(), QStringLiteral("XYZ1"));
        ScannerSettingsCard card(f.settings);
        card.show();
        QApplication::processEvents();
        EXPECT_TRUE(child<QToolButton>(&card, "scanSpeedBest")->isChecked());
        EXPECT_EQ(text(&card, "scanSpeedValue"), QStringLiteral("600 dpi"));
    }
    QFile after(f.file);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), before);
}

TEST(SettingsView, EachControlWritesItsKeyWithItsNormalisation)
{
    Fixture f;
    auto view = f.view();
    auto type = [&](const char* name, const QString& typed) {
        auto* field = child<QLineEdit>(view.get(), name);
        field->selectAll();
        if (typed.isEmpty())
            QTest::keyClick(field, Qt::Key_Backspace);
        else
            QTest::keyClicks(field, typed);
        return field->text();
    };
    struct Case {
        const char* field;
        QString typed;
        QString key;
        QString stored;
    };
    const Case cases[] = {
        {"apiURLField", "https://api.example.test", K::apiURL, "https://api.example.test"},
        {"workspaceIdField", "ws-9", K::workspaceId, "ws-9"},
        {"acquisitionCostField", "1,5x", K::defaultAcquisitionCost, "1,5x"}, // kept as typed
        {"binPrefixField", "abcdef", K::binPrefix, "ABCD"},
        {"binPrefixField", "", K::binPrefix, "A"},
        {"binPrefixField", "x9", K::binPrefix, "X9"},
    };
    for (const Case& c : cases) {
        const QString shown = type(c.field, c.typed);
        EXPECT_EQ(f.stored(c.key), c.stored) << c.field << " " << c.typed.toStdString();
        EXPECT_EQ(shown, c.stored) << c.field;
    }
    // Pasted with blanks around it.
    auto* prefix = child<QLineEdit>(view.get(), "binPrefixField");
    prefix->selectAll();
    prefix->insert(" q7 ");
    EXPECT_EQ(f.stored(K::binPrefix), QStringLiteral("Q7"));
    EXPECT_EQ(prefix->text(), QStringLiteral("Q7"));

    auto* condition = child<QComboBox>(view.get(), "conditionPicker");
    condition->setCurrentIndex(3);
    emit condition->activated(3);
    EXPECT_EQ(f.stored(K::defaultCondition), QStringLiteral("HP"));
    auto* sort = child<QComboBox>(view.get(), "defaultSortPicker");
    sort->setCurrentIndex(1);
    emit sort->activated(1);
    EXPECT_EQ(f.stored(K::reviewSort), QStringLiteral("priceHighToLow"));

    child<QCheckBox>(view.get(), "autoImportToggle")->click();
    EXPECT_EQ(f.stored(K::autoImport), QStringLiteral("true"));
    child<QCheckBox>(view.get(), "directScanToggle")->click();
    EXPECT_EQ(f.stored(K::directScanEnabled), QStringLiteral("false"));

    // The gap slider's lowest position stores 0, which means the default gap: a tie never
    // confirms by itself. The handle stays where it was put.
    auto* gap = child<QSlider>(view.get(), "gapMinSlider");
    gap->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(f.stored(K::gapMin), QStringLiteral("0"));
    EXPECT_EQ(text(view.get(), "gapMinValue"), QStringLiteral("0.04"));
    EXPECT_EQ(gap->value(), 0);
    gap->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(f.stored(K::gapMin), QStringLiteral("0.002"));
    EXPECT_EQ(text(view.get(), "gapMinValue"), QStringLiteral("0.00"));
    auto reopened = f.view();
    EXPECT_EQ(child<QSlider>(reopened.get(), "gapMinSlider")->value(), 100);
}

TEST(SettingsView, ASliderKeepsAStoredValueItOnlyShows)
{
    Fixture f;
    f.settings->setString(K::autoThreshold, "0.9337");
    auto view = f.view();
    EXPECT_EQ(text(view.get(), "autoThresholdValue"), QStringLiteral("0.93"));
    // Other edits leave it alone too.
    child<QCheckBox>(view.get(), "autoImportToggle")->click();
    EXPECT_EQ(f.stored(K::autoThreshold), QStringLiteral("0.9337"));
    auto* slider = child<QSlider>(view.get(), "autoThresholdSlider");
    slider->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(f.stored(K::autoThreshold), QStringLiteral("0.9387"));
    EXPECT_EQ(text(view.get(), "autoThresholdValue"), QStringLiteral("0.94"));
}

TEST(SettingsView, TheWheelScrollsPastAControlUntilTheUserFocusesIt)
{
    Fixture f;
    auto view = f.view();
    view->resize(440, 300); // the form scrolls
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    QScrollBar* scroll = child<QScrollArea>(view.get(), "settingsScroll")->verticalScrollBar();
    ASSERT_GT(scroll->maximum(), 0);

    struct Case {
        const char* control;
        QString key;
        std::function<int(QWidget*)> value;
    };
    const auto sliderValue = [](QWidget* w) { return static_cast<QSlider*>(w)->value(); };
    const auto pickerIndex = [](QWidget* w) { return static_cast<QComboBox*>(w)->currentIndex(); };
    const std::vector<Case> cases{
        {"autoThresholdSlider", K::autoThreshold, sliderValue},
        {"gapMinSlider", K::gapMin, sliderValue},
        {"conditionPicker", K::defaultCondition, pickerIndex},
        {"defaultSortPicker", K::reviewSort, pickerIndex},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        QWidget* control = child<QWidget>(view.get(), c.control);
        view->setFocus();
        scroll->setValue(0);
        const int before = c.value(control);
        test::turnWheel(control, -1);
        QApplication::processEvents();
        EXPECT_EQ(c.value(control), before);
        EXPECT_EQ(f.stored(c.key), "<absent>");
        EXPECT_GT(scroll->value(), 0) << "the form scrolled instead";
        EXPECT_FALSE(control->hasFocus());

        control->setFocus(Qt::MouseFocusReason);
        ASSERT_TRUE(control->hasFocus());
        const int scrolled = scroll->value();
        test::turnWheel(control, -1);
        QApplication::processEvents();
        EXPECT_NE(c.value(control), before);
        EXPECT_NE(f.stored(c.key), "<absent>");
        EXPECT_EQ(scroll->value(), scrolled);
    }
}

TEST(SettingsView, ViewsBoundToOneKeyStayInStep)
{
    Fixture f;
    auto first = f.view();
    auto second = f.view();
    ScannerSettingsCard card(f.settings);
    card.show();
    QApplication::processEvents();

    child<QCheckBox>(first.get(), "directScanToggle")->click();
    EXPECT_FALSE(child<QCheckBox>(second.get(), "directScanToggle")->isChecked());
    EXPECT_FALSE(child<QCheckBox>(&card, "driveScannerToggle")->isChecked());
    EXPECT_TRUE(text(&card, "driveScannerNote").startsWith("Off: "));
    child<QCheckBox>(&card, "driveScannerToggle")->click();
    EXPECT_TRUE(child<QCheckBox>(first.get(), "directScanToggle")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(second.get(), "directScanToggle")->isChecked());

    // Another writer (the capture window's sort menu) moves the picker.
    f.settings->setString(K::reviewSort, "priceLowToHigh");
    EXPECT_EQ(child<QComboBox>(first.get(), "defaultSortPicker")->currentText(), QStringLiteral("Price: low to high"));
    auto* prefix = child<QLineEdit>(first.get(), "binPrefixField");
    prefix->selectAll();
    QTest::keyClicks(prefix, "zz");
    EXPECT_EQ(child<QLineEdit>(second.get(), "binPrefixField")->text(), QStringLiteral("ZZ"));
}

TEST(SettingsView, TrainingCountsFollowTheSelectedStoreAndClearAsksFirst)
{
    Fixture f;
    auto a = storeWith(f.home.file("a"), 3);
    auto b = storeWith(f.home.file("b"), 1);
    auto view = f.view(a);
    ASSERT_TRUE(waitUntil([&] { return text(view.get(), "labelsCollectedValue") == "3"; }));
    EXPECT_EQ(text(view.get(), "byFinishValue"), QStringLiteral("3 foil · 0 nonfoil · 0 etched"));
    EXPECT_TRUE(child<QPushButton>(view.get(), "clearTrainingButton")->isEnabled());
    const QColor destructive = child<QPushButton>(view.get(), "clearTrainingButton")->palette().color(QPalette::ButtonText);
    view->setTrainingStore(b);
    ASSERT_TRUE(waitUntil([&] { return text(view.get(), "labelsCollectedValue") == "1"; }));

    child<QPushButton>(view.get(), "clearTrainingButton")->click();
    auto* alert = view->findChild<QMessageBox*>("clearTrainingAlert");
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->informativeText(), QStringLiteral("1 label and its thumbnail will be deleted. Cannot be undone."));
    child<QPushButton>(alert, "cancelClearTraining")->click();
    QApplication::processEvents();
    EXPECT_EQ(b->stats().total, 1);
    EXPECT_EQ(text(view.get(), "labelsCollectedValue"), QStringLiteral("1"));

    child<QPushButton>(view.get(), "clearTrainingButton")->click();
    alert = view->findChild<QMessageBox*>("clearTrainingAlert");
    ASSERT_NE(alert, nullptr);
    child<QPushButton>(alert, "confirmClearTraining")->click();
    ASSERT_TRUE(waitUntil([&] { return text(view.get(), "labelsCollectedValue") == "0"; }));
    EXPECT_FALSE(child<QPushButton>(view.get(), "clearTrainingButton")->isEnabled());
    // Disabled, it no longer reads as a live red button.
    EXPECT_NE(child<QPushButton>(view.get(), "clearTrainingButton")->palette().color(QPalette::Disabled, QPalette::ButtonText),
              destructive);
    EXPECT_FALSE(child<QPushButton>(view.get(), "exportTrainingButton")->isEnabled());
    EXPECT_EQ(b->stats().total, 0);
    EXPECT_EQ(a->stats().total, 3);
    EXPECT_TRUE(f.storedKeys().isEmpty());
}

TEST(SettingsView, ExportShowsItsFolderAndSignOutSignsOut)
{
    Fixture f;
    ASSERT_TRUE(TokenStore::set("access", TokenStore::accessTokenKey));
    f.auth = std::make_unique<AuthService>(f.web);
    ASSERT_TRUE(f.auth->isSignedIn());
    auto store = storeWith(f.home.file("t"), 2);
    const QString folder = f.home.file("out/vantry-foil-training-1");
    auto view = f.view(store, std::make_shared<FakeSavePanel>(folder));
    ASSERT_TRUE(waitUntil([&] { return child<QPushButton>(view.get(), "exportTrainingButton")->isEnabled(); }));
    EXPECT_TRUE(child<QLabel>(view.get(), "exportToast")->isHidden());
    child<QPushButton>(view.get(), "exportTrainingButton")->click();
    ASSERT_TRUE(waitUntil([&] { return !child<QLabel>(view.get(), "exportToast")->isHidden(); }));
    EXPECT_EQ(text(view.get(), "exportToast"), QStringLiteral("Exported to vantry-foil-training-1"));
    EXPECT_TRUE(QFile::exists(folder + "/labels.csv"));

    child<QPushButton>(view.get(), "signOutButton")->click();
    EXPECT_FALSE(f.auth->isSignedIn());
    EXPECT_EQ(text(view.get(), "signedInEmail"), QStringLiteral("—"));
}

// The window stays open across a sign-out and a sign-in; its account section follows both.
TEST(SettingsView, TheAccountSectionFollowsSigningOutAndInWhileOpen)
{
    Fixture f;
    test::FakeHttpServer server;
    const auto b64 = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;
    const QByteArray token = QByteArray(R"({"alg":"RS256"})").toBase64(b64) + '.' +
                             QByteArray(R"({"email":"ana@example.test"})").toBase64(b64) + ".c2lnbmF0dXJl";
    server.route("POST", "/token",
                 test::FakeHttpResponse::json(
                     200, QJsonDocument(QJsonObject{{"access_token", QString::fromLatin1(token)},
                                                    {"token_type", "Bearer"}})
                              .toJson(QJsonDocument::Compact)));
    ASSERT_TRUE(TokenStore::set(QString::fromLatin1(token), TokenStore::accessTokenKey));
    f.auth = std::make_unique<AuthService>(
        OAuthConfig(server.baseUrl().toString() + "/", "vantry-capture", "vantrycapture://auth", "vantrycapture"),
        f.web);
    auto view = f.view();
    auto* signOut = child<QPushButton>(view.get(), "signOutButton");
    EXPECT_EQ(text(view.get(), "signedInEmail"), QStringLiteral("ana@example.test"));
    EXPECT_TRUE(signOut->isVisible());

    signOut->click();
    EXPECT_FALSE(f.auth->isSignedIn());
    EXPECT_EQ(text(view.get(), "signedInEmail"), QStringLiteral("—"));
    EXPECT_FALSE(signOut->isVisible());

    f.auth->signIn(AuthProvider::code);
    ASSERT_TRUE(f.web.complete(QUrl("vantrycapture://auth?code=C1&state=" + f.web.sentState())));
    ASSERT_TRUE(waitUntil([&] { return f.auth->isSignedIn(); }));
    EXPECT_EQ(text(view.get(), "signedInEmail"), QStringLiteral("ana@example.test"));
    EXPECT_TRUE(signOut->isVisible());
}

// Sign Out asks first while a tab holds cards not imported yet; Cancel keeps the user signed in.
TEST(SettingsView, SignOutWithCardsNotImportedAsksFirst)
{
    Fixture f;
    ASSERT_TRUE(TokenStore::set("access", TokenStore::accessTokenKey));
    f.auth = std::make_unique<AuthService>(f.web);
    auto view = f.view();
    view->setUnimportedWork([] { return UnimportedWork{10, 0, 0, 1, {"/scans/B0012"}}; });
    auto alert = [&]() -> QDialog* {
        QApplication::processEvents();
        for (QDialog* dialog : view->findChildren<QDialog*>("signOutAlert"))
            if (dialog->isVisible())
                return dialog;
        return nullptr;
    };
    auto press = [](QDialog* dialog, const QString& text) {
        for (QPushButton* b : dialog->findChildren<QPushButton*>("alertButton"))
            if (b->text() == text)
                b->click();
    };

    child<QPushButton>(view.get(), "signOutButton")->click();
    ASSERT_NE(alert(), nullptr);
    EXPECT_EQ(alert()->windowTitle(), "Sign out with 10 cards not imported?");
    EXPECT_TRUE(f.auth->isSignedIn());
    press(alert(), "Cancel");
    EXPECT_EQ(alert(), nullptr);
    EXPECT_TRUE(f.auth->isSignedIn());

    child<QPushButton>(view.get(), "signOutButton")->click();
    ASSERT_NE(alert(), nullptr);
    press(alert(), "Sign Out");
    EXPECT_FALSE(f.auth->isSignedIn());
}

TEST(ScannerSettingsCard, ShowsTheNearestSpeedAndWritesOnlyAPick)
{
    Fixture f;
    const std::pair<const char*, const char*> cases[] = {
        {"270", "scanSpeedFastest"}, {"450", "scanSpeedBalanced"}, {"0", "scanSpeedBest"},
        {"9999", "scanSpeedBest"},   {"-5", "scanSpeedBest"},      {"abc", "scanSpeedBest"},
    };
    ScannerSettingsCard card(f.settings);
    card.show();
    for (const auto& [stored, segment] : cases) {
        f.settings->setString(K::scanResolutionDpi, stored);
        EXPECT_TRUE(child<QToolButton>(&card, segment)->isChecked()) << stored;
        EXPECT_EQ(f.stored(K::scanResolutionDpi), QString::fromUtf8(stored));
    }
    child<QToolButton>(&card, "scanSpeedSharp")->click();
    EXPECT_EQ(f.stored(K::scanResolutionDpi), QStringLiteral("500"));
    EXPECT_EQ(text(&card, "scanSpeedValue"), QStringLiteral("500 dpi"));

    EXPECT_EQ(text(&card, "scanSpeedAppliedNote"), QStringLiteral("Applied to every scan the app runs."));
    child<QCheckBox>(&card, "driveScannerToggle")->click();
    EXPECT_EQ(f.stored(K::directScanEnabled), QStringLiteral("false"));
    EXPECT_TRUE(text(&card, "scanSpeedAppliedNote").startsWith("Recommendation only."));
    EXPECT_TRUE(text(&card, "scannerSettingsIntro").startsWith("Scan to a folder"));
    EXPECT_TRUE(child<QLabel>(&card, "recommendedSetting0Value")->font().bold());
    EXPECT_FALSE(child<QLabel>(&card, "recommendedSetting1Value")->font().bold());
}
