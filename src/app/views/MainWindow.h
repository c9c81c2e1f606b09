#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QSize>

#include <functional>

class QAction;
class QStackedWidget;

namespace vantry {

class AuthService;
class LoginView;
class Updater;
struct UpdateCheckResult;

// The application's main window: the sign-in screen while nobody is signed in, the batch
// tabs otherwise, switching live both ways; the application menu (About, Check for
// Updates…, Settings…, Quit).
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

public slots:
    void showSettings();

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
};

} // namespace vantry
