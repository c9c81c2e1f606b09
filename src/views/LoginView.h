#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
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
    void showAddress();

    AuthService& auth_;
    QLabel* error_ = nullptr;
    // A sign-in that waits for its address to be opened by hand (no browser could be opened).
    QWidget* addressPanel_ = nullptr;
    QLabel* addressExplanation_ = nullptr;
    QLineEdit* address_ = nullptr;
    QPushButton* copy_ = nullptr;
};

} // namespace vantry
