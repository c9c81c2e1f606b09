#include "app/shell/AppInfo.h"
#include "app/shell/ShellTexts.h"
#include "app/auth/AuthService.h"
#include "app/auth/SignInConfig.h"
#include "app/batch/SessionStore.h"
#include "app/capture/UnimportedWork.h"
#include "app/batch/SelectedTrainingStore.h"
#include "app/settings/SettingsStore.h"
#include "views/FileDialogSavePanel.h"
#include "views/MainWindow.h"
#include "views/RootCaptureView.h"
#include "views/SettingsView.h"
#include "views/WidgetProbe.h"
#include "core/art/SharedArtCardMatcher.h"
#include "core/support/CaptureLog.h"
#include "core/service/OAuthConfig.h"
#include "platform/BrowserWebAuthSession.h"
#include "platform/DataFolderLock.h"
#include "platform/FeedUpdater.h"
#include "platform/Paths.h"
#include "platform/SingleInstance.h"
#include "platform/SystemBrowser.h"
#include "platform/TerminationSignals.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {

// Says why this start does not run, on the terminal and in a window, and ends with status 1
// once the window is closed.
int refuseToStart(QApplication& app, const vantry::StartRefusalText& text)
{
    std::fputs(text.terminalLine.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    auto* box = new QMessageBox(QMessageBox::Warning, text.title, text.title, QMessageBox::Ok);
    box->setInformativeText(text.message);
    box->setObjectName(QStringLiteral("startRefusal"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QMessageBox::finished, &app, [] { QCoreApplication::exit(1); });
    box->open();
    return app.exec();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(vantry::AppInfo::applicationName());
    QApplication::setOrganizationName(vantry::AppInfo::organizationName());
    QGuiApplication::setDesktopFileName(vantry::AppInfo::desktopFileName());
    QApplication::setApplicationVersion(vantry::AppInfo::version());

    // A second start (the desktop passing a sign-in callback, or the user) hands its URL to the
    // running instance and ends here, before any store, file or log is touched.
    using vantry::SingleInstance;
    const std::optional<QUrl> callback =
        SingleInstance::urlArgument(app.arguments(), vantry::OAuthConfig::application().callbackScheme);
    SingleInstance instance;
    // The exit status when the running instance took the URL or cannot be asked; none when nobody listens.
    const auto handOver = [&]() -> std::optional<int> {
        switch (SingleInstance::forward(instance.serverName(), callback.value_or(QUrl()))) {
        case SingleInstance::Forward::delivered:
            return 0;
        case SingleInstance::Forward::failed:
            std::fputs("Vantry Capture is already running but did not answer.\n", stderr);
            return 1;
        case SingleInstance::Forward::noInstance:
            break;
        }
        return std::nullopt;
    };
    if (const std::optional<int> status = handOver())
        return *status;

    // One process per data folder, whatever runtime folder it was started with: two would each
    // rewrite the stores from their own memory. The lock lives as long as the process.
    const QString dataFolder = vantry::paths::appDataDir();
    const vantry::DataFolderLock folderLock(dataFolder);
    switch (folderLock.state()) {
    case vantry::DataFolderLock::State::held:
        break;
    case vantry::DataFolderLock::State::heldElsewhere:
        // The holder may be between taking the lock and listening.
        for (int attempt = 0; attempt < 5; ++attempt) {
            if (attempt > 0)
                QThread::msleep(200);
            if (const std::optional<int> status = handOver())
                return *status;
        }
        return refuseToStart(app, vantry::alreadyRunningText(dataFolder));
    case vantry::DataFolderLock::State::unavailable:
        return refuseToStart(app, vantry::dataFolderUnavailableText(dataFolder, folderLock.error()));
    }
    if (!instance.listen()) {
        // This process keeps the data folder; only later starts and sign-in callbacks miss it.
        std::fprintf(stderr, "Vantry Capture: cannot listen on %s; later starts and sign-in callbacks cannot reach "
                             "this process.\n", qPrintable(instance.serverName()));
        vantry::CaptureLog::log(QStringLiteral("cannot listen on %1: later starts cannot reach this process")
                                    .arg(instance.serverName()));
    }

    // Sign-in callbacks handed over by later starts complete the browser session.
    vantry::SystemBrowser browser;
    vantry::BrowserWebAuthSession webAuth(browser);
    QObject::connect(&instance, &SingleInstance::urlReceived, &webAuth, &vantry::BrowserWebAuthSession::deliverCallback);

    // The one sign-in service of the process, before any window: its tokens decide the first screen.
    vantry::AuthService auth(vantry::SignInConfig::current(*vantry::SettingsStore::standard()), webAuth);
    // The batches live as long as the process, signed in or not.
    vantry::SessionStore store(&auth);
    vantry::FeedUpdater updater(vantry::FeedUpdater::configuredFeed(), vantry::AppInfo::version());

    auto* batchTabs = new vantry::RootCaptureView(store, {});
    vantry::MainWindow window(auth, updater, batchTabs);
    // Quitting and signing out ask first while a tab holds work not imported yet.
    const auto unimportedWork = [&store] { return vantry::UnimportedWork::of(store); };
    window.setUnimportedWork(unimportedWork);
    // The settings window edits the settings and the selected tab's training labels, following
    // the selection while it is open.
    window.setSettingsContentFactory([&auth, &store, unimportedWork](QWidget* parent) -> QWidget* {
        auto* view = new vantry::SettingsView(auth, vantry::SettingsStore::standard(),
                                              std::make_shared<vantry::FileDialogSavePanel>(parent),
                                              vantry::selectedTrainingStore(store), parent);
        view->setUnimportedWork(unimportedWork);
        auto follow = [view, &store] { view->setTrainingStore(vantry::selectedTrainingStore(store)); };
        QObject::connect(&store, &vantry::SessionStore::selectedIDChanged, view, follow);
        QObject::connect(&store, &vantry::SessionStore::sessionsChanged, view, follow);
        return view;
    });
    window.show();
    // Only the end-to-end test names a socket: it reads the widgets' names and places there.
    if (const QString probe = qEnvironmentVariable(vantry::WidgetProbe::environmentVariable); !probe.isEmpty())
        if (!(new vantry::WidgetProbe(probe, &app))->listening())
            std::fprintf(stderr, "Vantry Capture: the widget probe cannot listen on %s\n", qPrintable(probe));
    QObject::connect(&instance, &SingleInstance::activationRequested, &window, [&window] {
        window.showNormal();
        window.raise();
        window.activateWindow();
    });

    // A logout, a shutdown or Ctrl+C in a terminal quits as the Quit command does, without the
    // question nobody is there to answer: the event loop ends, and the import records and the
    // ledger are drained to disk on the way out.
    vantry::TerminationSignals termination;
    QObject::connect(&termination, &vantry::TerminationSignals::received, &window, [&window](int number) {
        vantry::CaptureLog::log(QStringLiteral("signal %1 received: quitting").arg(number));
        window.quitWithoutAsking();
    });

    // Once the event loop runs, launching is over.
    QTimer::singleShot(0, &app, [] {
        vantry::CaptureLog::log(QStringLiteral("=== app launched ==="));
        vantry::CaptureLog::startHeartbeat();
        // Every batch shares one art matcher; reading its index starts now, off the main thread.
        vantry::SharedArtCardMatcher::preload();
    });
    const int status = app.exec();
    vantry::CaptureLog::flush();
    return status;
}
