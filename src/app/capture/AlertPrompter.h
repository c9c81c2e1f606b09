#pragma once

#include <QString>

#include <functional>
#include <vector>

namespace vantry {

// A confirmation alert as the window describes it; the prompter shows it without blocking
// and runs the chosen button's action.
struct AlertSpec {
    enum class Role { cancel, destructive, normal, defaultAction };
    struct Button {
        QString text;
        Role role = Role::normal;
        std::function<void()> action; // empty: only closes the alert
    };

    QString name; // object name of the alert, for tests and screenshots
    QString title;
    QString message;
    std::vector<Button> buttons; // in display order, "Cancel" first
};

// Shows alerts: message boxes in the application, a scripted fake in tests.
class AlertPrompter {
public:
    virtual ~AlertPrompter() = default;
    virtual void present(AlertSpec alert) = 0;
};

} // namespace vantry
