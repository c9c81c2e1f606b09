#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QSize>

#include <functional>
#include <memory>

class QAction;
class QStackedWidget;

namespace vantry {

class AlertPrompter;
class AuthService;
class LoginView;
struct UnimportedWork;
class Updater;
struct UpdateCheckResult;

// The application's main window: the sign-in screen while nobody is signed in, the batch
// tabs otherwise, switching live both ways; the application menu (About, Check for
// Updates…, Settings…, Quit). Closing it quits the application; the user's close or Quit asks
// first when confirmed or hand-added cards would be lost.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // `batchTabs` is the signed-in content; the window takes it over.
    MainWindow(AuthService& auth, Updater& updater, QWidget* batchTabs, QWidget* parent = nullptr);
    ~MainWindow() override;

    static constexpr QSize minimumContentSize{760, 560};

    // Builds the settings window's content each time it is opened (it follows the selected
    // tab); until one is set the window is empty.
    void setSettingsContentFactory(std::function<QWidget*(QWidget* parent)> factory);
    QWidget* settingsWindow() const { return settingsWindow_; }

    // The work quitting would lose; until one is set, none.
    void setUnimportedWork(std::function<UnimportedWork()> work);

public slots:
    void showSettings();
    // The user's quit (menu, Ctrl+Q): asks first when work would be lost.
    void requestQuit();
    // Quits without asking, for a quit the user cannot be asked about (a termination signal).
    void quitWithoutAsking();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showScene();
    void buildMenu();
    void showUpdateResult(const UpdateCheckResult& result);

    AuthService& auth_;
    Updater& updater_;
    QStackedWidget* scenes_ = nullptr;
    LoginView* login_ = nullptr;
    QWidget* batchTabs_ = nullptr;
    QAction* checkForUpdates_ = nullptr;
    QPointer<QWidget> settingsWindow_;
    std::function<QWidget*(QWidget*)> settingsContent_;
    std::function<UnimportedWork()> unimportedWork_;
    std::unique_ptr<AlertPrompter> prompter_;
    bool quitting_ = false; // agreed, or not to be asked
    bool asking_ = false;
};

} // namespace vantry
