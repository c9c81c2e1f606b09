#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace vantry {

class AuthService;

// The sign-in screen: two ways into the browser sign-in and the last sign-in error.
// It keeps no state: the window replaces it once the user is signed in.
class LoginView : public QWidget {
    Q_OBJECT
public:
    explicit LoginView(AuthService& auth, QWidget* parent = nullptr);

private:
    void showError();

    AuthService& auth_;
    QLabel* error_ = nullptr;
};

} // namespace vantry
