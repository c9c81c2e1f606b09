#include "views/MainWindow.h"

#include "app/shell/AppInfo.h"
#include "app/auth/AuthService.h"
#include "app/capture/UnimportedWork.h"
#include "app/shell/ShellTexts.h"
#include "views/LoginView.h"
#include "views/MessageBoxPrompter.h"
#include "platform/Updater.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace vantry {

MainWindow::MainWindow(AuthService& auth, Updater& updater, QWidget* batchTabs, QWidget* parent)
    : QMainWindow(parent), auth_(auth), updater_(updater), batchTabs_(batchTabs),
      prompter_(std::make_unique<MessageBoxPrompter>(this))
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Vantry Capture"));
    scenes_ = new QStackedWidget(this);
    scenes_->setObjectName(QStringLiteral("scenes"));
    login_ = new LoginView(auth_, scenes_);
    scenes_->addWidget(login_);
    batchTabs_->setParent(scenes_);
    scenes_->addWidget(batchTabs_);
    setCentralWidget(scenes_);
    scenes_->setMinimumSize(minimumContentSize);
    resize(1100, 760);

    buildMenu();
    connect(&auth_, &AuthService::isSignedInChanged, this, &MainWindow::showScene);
    connect(&updater_, &Updater::checkFinished, this, &MainWindow::showUpdateResult);
    showScene();
}

MainWindow::~MainWindow()
{
    delete settingsWindow_;
}

void MainWindow::showScene()
{
    scenes_->setCurrentWidget(auth_.isSignedIn() ? batchTabs_ : static_cast<QWidget*>(login_));
}

void MainWindow::buildMenu()
{
    QMenu* menu = menuBar()->addMenu(QStringLiteral("Vantry Capture"));
    menu->setObjectName(QStringLiteral("applicationMenu"));

    QAction* about = menu->addAction(QStringLiteral("About Vantry Capture"));
    about->setObjectName(QStringLiteral("aboutAction"));
    about->setMenuRole(QAction::AboutRole);
    connect(about, &QAction::triggered, this, [this] {
        auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("About Vantry Capture"),
                                    aboutText(AppInfo::version()), QMessageBox::Ok, this);
        box->setObjectName(QStringLiteral("aboutBox"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    });

    checkForUpdates_ = menu->addAction(QStringLiteral("Check for Updates…"));
    checkForUpdates_->setObjectName(QStringLiteral("checkForUpdatesAction"));
    checkForUpdates_->setMenuRole(QAction::ApplicationSpecificRole);
    checkForUpdates_->setEnabled(updater_.canCheckForUpdates());
    connect(&updater_, &Updater::canCheckForUpdatesChanged, checkForUpdates_, &QAction::setEnabled);
    connect(checkForUpdates_, &QAction::triggered, &updater_, &Updater::checkForUpdates);

    menu->addSeparator();
    QAction* settings = menu->addAction(QStringLiteral("Settings…"));
    settings->setObjectName(QStringLiteral("settingsAction"));
    settings->setMenuRole(QAction::PreferencesRole);
    settings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    connect(settings, &QAction::triggered, this, &MainWindow::showSettings);

    menu->addSeparator();
    QAction* quit = menu->addAction(QStringLiteral("Quit Vantry Capture"));
    quit->setObjectName(QStringLiteral("quitAction"));
    quit->setMenuRole(QAction::QuitRole);
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, &MainWindow::requestQuit, Qt::QueuedConnection);
}

void MainWindow::setUnimportedWork(std::function<UnimportedWork()> work) { unimportedWork_ = std::move(work); }

void MainWindow::requestQuit()
{
    if (close())
        QCoreApplication::quit();
}

void MainWindow::quitWithoutAsking()
{
    quitting_ = true;
    close();
    QCoreApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    const UnimportedWork work = !quitting_ && unimportedWork_ ? unimportedWork_() : UnimportedWork{};
    if (work.any()) {
        // The batches live in this process only: closing the window would drop them.
        event->ignore();
        if (asking_)
            return;
        asking_ = true;
        QPointer<MainWindow> self(this);
        prompter_->present(UnimportedWorkAlerts::quit(
            work,
            [self] {
                if (!self)
                    return;
                self->asking_ = false;
                self->quitWithoutAsking();
            },
            [self] {
                if (self)
                    self->asking_ = false;
            }));
        return;
    }
    // The settings window does not keep the application running without its main window.
    if (settingsWindow_)
        settingsWindow_->close();
    QMainWindow::closeEvent(event);
}

void MainWindow::setSettingsContentFactory(std::function<QWidget*(QWidget*)> factory)
{
    settingsContent_ = std::move(factory);
}

void MainWindow::showSettings()
{
    // Rebuilt on every opening, so the content follows the tab selected now.
    delete settingsWindow_;
    auto* window = new QWidget(nullptr, Qt::Window);
    window->setObjectName(QStringLiteral("settingsWindow"));
    window->setWindowTitle(QStringLiteral("Settings"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    if (settingsContent_)
        layout->addWidget(settingsContent_(window));
    window->setFixedWidth(440);
    settingsWindow_ = window;
    window->show();
    window->raise();
    window->activateWindow();
}

void MainWindow::showUpdateResult(const UpdateCheckResult& result)
{
    const UpdateAlertText text = updateAlertText(result);
    auto* box = new QMessageBox(result.kind == UpdateCheckResult::Kind::failed ? QMessageBox::Warning
                                                                               : QMessageBox::Information,
                                QStringLiteral("Vantry Capture"), text.title, QMessageBox::NoButton, this);
    box->setInformativeText(text.message);
    box->setObjectName(QStringLiteral("updateAlert"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (text.offersDownload) {
        box->addButton(QStringLiteral("Later"), QMessageBox::RejectRole);
        QPushButton* open = box->addButton(QStringLiteral("Open Download Page"), QMessageBox::AcceptRole);
        open->setObjectName(QStringLiteral("openDownloadPage"));
        const QUrl page = result.downloadPage;
        connect(open, &QPushButton::clicked, this, [page] { QDesktopServices::openUrl(page); });
    } else {
        box->addButton(QMessageBox::Ok);
    }
    box->open();
}

} // namespace vantry
