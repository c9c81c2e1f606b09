#pragma once

#include <QHash>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vantry::test {

// One visible widget of the application under test, as its widget probe reports it.
struct ProbedWidget {
    QString name;      // accessible name
    QString object;    // object name
    QString className;
    QString text;
    QString window;    // title of its window
    bool enabled = false;
    std::optional<bool> checked;
    QRect rect;        // on the X screen
};

// The real application on a real X server (Xvfb) against the stand-in service, in a profile
// of its own below a temporary folder: the test reads the widgets through the application's
// widget probe and clicks and types through the X server (xdotool), as a user would. Signing
// in goes through a scripted browser (curl against the stand-in's authorize page).
class DesktopSession {
public:
    DesktopSession();
    ~DesktopSession();

    // Why the X server or the input tool is unavailable (the test skips); empty when ready.
    static QString unavailableReason();

    // Starts the stand-in with `catalogue` and writes the profile's settings; renders the scans
    // of `catalogue` into scanFolder(). False with `error()` set on failure.
    bool prepare(const QString& catalogue);
    // Writes a token file the stand-in issued, as `scripts/run --signed-in` does.
    bool signInWithoutBrowser();
    bool startApplication();
    // Starts the application once more on this profile, beside the one startApplication() started,
    // with the variables of `changed` set (an empty value removes one); its output is merged.
    std::unique_ptr<QProcess> startAnotherApplication(const QHash<QString, QString>& changed);
    // Ends the stand-in at once (as a crash would), and starts it again on the same port and folder.
    void killStandIn();
    bool restartStandIn();
    // Ends the application as a user does (Quit, Ctrl+Q, in its window); false unless it
    // ended by itself with status 0 (it is killed after 30 s).
    bool quitApplication();
    // Presses Ctrl+Q in the main window and leaves the application to answer.
    bool pressQuit();
    // Sends SIGTERM, as a logout or shutdown does; false unless it ended with status 0.
    bool terminateApplication();

    QString scanFolder() const { return root_.filePath(QStringLiteral("scans")); }
    QString dataFolder() const { return root_.filePath(QStringLiteral("data/VantryCapture")); }
    QString standInFolder() const { return root_.filePath(QStringLiteral("stand-in")); }
    QString runtimeFolder() const { return root_.filePath(QStringLiteral("run")); }
    QString logFile() const { return root_.filePath(QStringLiteral("state/VantryCapture/capture.log")); }
    QString error() const { return error_; }
    // The application's and the stand-in's output so far, for failure messages.
    QString diagnostics() const;

    std::vector<ProbedWidget> widgets();
    // Polls the probe until a widget satisfies `match` (gives up after `seconds`).
    std::optional<ProbedWidget> waitFor(const std::function<bool(const ProbedWidget&)>& match, int seconds = 60);
    std::optional<ProbedWidget> waitForName(const QString& accessibleName, int seconds = 60);
    // Every visible widget whose name starts with `prefix`.
    std::vector<ProbedWidget> named(const QString& prefix);
    bool click(const ProbedWidget& widget);
    // Turns the mouse wheel over `area` until a widget satisfies `match` (at most `turns` notches).
    std::optional<ProbedWidget> scrollTo(const ProbedWidget& area, const std::function<bool(const ProbedWidget&)>& match,
                                         int turns = 40);
    // Resizes the visible windows titled `title`, as a user drags a window larger.
    bool resizeWindow(const QString& title, int width, int height);
    bool typeText(const QString& text);
    bool pressKey(const QString& key);
    // Presses `key` in the visible window titled `title`; false when none shows within `seconds`.
    bool pressKeyInWindow(const QString& title, const QString& key, int seconds = 10);

    // The stored inventory as "bin<TAB>count<TAB>id<TAB>set<TAB>number<TAB>finish<TAB>condition<TAB>name" lines.
    QStringList inventory();

private:
    bool startStandIn(quint16 port);
    bool runTool(const QString& program, const QStringList& arguments, QByteArray* output = nullptr);
    bool xdotool(const QStringList& arguments);

    QTemporaryDir root_;
    QProcessEnvironment env_;
    std::unique_ptr<QProcess> standIn_;
    std::unique_ptr<QProcess> app_;
    QString standInOutput_;
    QString error_;
    quint16 port_ = 0;
    QString catalogue_;
};

} // namespace vantry::test
