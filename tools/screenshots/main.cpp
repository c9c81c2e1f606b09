// Renders every screen state into PNG files, on the offscreen platform with fake services
// and a temporary home, so a reviewer can look at each state without a scanner or account.
//   screenshots <output-folder>
#include "app/auth/AuthService.h"
#include "app/auth/TokenStore.h"
#include "app/views/MainWindow.h"
#include "platform/FakeUpdater.h"
#include "platform/FakeWebAuthSession.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <memory>

using namespace vantry;

namespace {

struct Shot {
    QString name;
    std::function<void(const QString& outputFolder)> render;
};

void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

bool save(QWidget* widget, const QString& path)
{
    settle();
    const bool saved = widget->grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
    return saved;
}

// The shell over a fake browser session and updater; `signedIn` stores a token first.
struct ShellScene {
    explicit ShellScene(bool signedIn)
    {
        if (signedIn)
            TokenStore::set(QStringLiteral("screenshot-access"), TokenStore::accessTokenKey);
        else
            TokenStore::remove({TokenStore::accessTokenKey, TokenStore::refreshTokenKey});
        auth = std::make_unique<AuthService>(web);
        auto* tabs = new QLabel(QStringLiteral("Signed in."));
        tabs->setAlignment(Qt::AlignCenter);
        window = std::make_unique<MainWindow>(auth_(), updater, tabs);
        window->resize(1100, 760);
        window->show();
    }
    AuthService& auth_() { return *auth; }

    FakeWebAuthSession web;
    FakeUpdater updater;
    std::unique_ptr<AuthService> auth;
    std::unique_ptr<MainWindow> window;
};

QList<Shot> shots()
{
    return {
        {"sign-in", [](const QString& out) {
             ShellScene scene(false);
             save(scene.window.get(), out + "/sign-in.png");
         }},
        {"sign-in-error", [](const QString& out) {
             ShellScene scene(false);
             scene.auth->signIn(AuthProvider::google);
             scene.web.cancel();
             settle();
             save(scene.window.get(), out + "/sign-in-error.png");
         }},
        {"signed-in", [](const QString& out) {
             ShellScene scene(true);
             save(scene.window.get(), out + "/signed-in.png");
         }},
        {"update-available", [](const QString& out) {
             ShellScene scene(true);
             scene.updater.finish({UpdateCheckResult::Kind::available, "0.1.0", "0.2.0",
                                   QUrl("https://vantry.invalid/download"), {}});
             settle();
             if (auto* box = scene.window->findChild<QMessageBox*>("updateAlert"))
                 save(box, out + "/update-available.png");
         }},
        {"update-failed", [](const QString& out) {
             ShellScene scene(true);
             scene.updater.finish({UpdateCheckResult::Kind::failed, "0.1.0", {}, {},
                                   "The update feed is not readable XML (Premature end of document.)."});
             settle();
             if (auto* box = scene.window->findChild<QMessageBox*>("updateAlert"))
                 save(box, out + "/update-failed.png");
         }},
    };
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Nothing the screens store may reach the user's real files.
    QTemporaryDir home;
    for (const char* variable : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"})
        qputenv(variable, home.path().toUtf8() + '/' + QByteArray(variable).toLower());
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantry Capture"));
    if (argc != 2) {
        std::fputs("usage: screenshots <output-folder>\n", stderr);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(out)) {
        std::fprintf(stderr, "screenshots: cannot create %s\n", argv[1]);
        return 1;
    }
    int failures = 0;
    for (const Shot& shot : shots()) {
        shot.render(out);
        if (!QFile::exists(out + '/' + shot.name + ".png"))
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}
