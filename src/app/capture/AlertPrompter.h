#pragma once

#include <QString>

#include <cstddef>
#include <functional>
#include <optional>
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
    // A routine question carries no warning symbol; one that can lose or replace work does.
    enum class Look { warning, routine };
    Look look = Look::warning;
};

// How an alert's buttons stand, the same on every desktop: "Cancel" first, then the others
// in the order given. Return presses the default-role button, or Cancel when there is none,
// never a destructive one; Escape presses Cancel.
struct AlertButtonPlan {
    std::vector<std::size_t> order; // indexes into the alert's buttons, left to right
    std::optional<std::size_t> defaultButton;
    std::optional<std::size_t> escapeButton;

    bool operator==(const AlertButtonPlan&) const = default;
    static AlertButtonPlan of(const std::vector<AlertSpec::Button>& buttons);
};

// Shows alerts: message boxes in the application, a scripted fake in tests.
class AlertPrompter {
public:
    virtual ~AlertPrompter() = default;
    virtual void present(AlertSpec alert) = 0;
};

} // namespace vantry
