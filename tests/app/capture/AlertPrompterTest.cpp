#include "app/capture/AlertPrompter.h"

#include <gtest/gtest.h>

namespace vantry {
namespace {

using Role = AlertSpec::Role;

// Cancel leads, Return never reaches a destructive button, Escape is Cancel.
TEST(AlertButtonPlan, CancelFirstAndASafeDefaultForEveryAlertShape)
{
    struct Case {
        const char* what;
        std::vector<Role> roles;
        AlertButtonPlan plan;
    };
    const Case cases[] = {
        {"import: Cancel, Import", {Role::cancel, Role::defaultAction}, {{0, 1}, 1, 0}},
        {"recount is off: Cancel, Switch, Import anyway", {Role::cancel, Role::normal, Role::destructive},
         {{0, 1, 2}, 0, 0}},
        {"discard given before Cancel", {Role::destructive, Role::cancel}, {{1, 0}, 1, 1}},
        {"a default given first", {Role::defaultAction, Role::normal, Role::cancel}, {{2, 0, 1}, 0, 2}},
        {"OK alone", {Role::defaultAction}, {{0}, 0, std::nullopt}},
        {"no Cancel and no default", {Role::normal, Role::destructive}, {{0, 1}, std::nullopt, std::nullopt}},
    };
    for (const Case& c : cases) {
        std::vector<AlertSpec::Button> buttons;
        for (const Role role : c.roles)
            buttons.push_back({QStringLiteral("b"), role, {}});
        const AlertButtonPlan plan = AlertButtonPlan::of(buttons);
        EXPECT_EQ(plan.order, c.plan.order) << c.what;
        EXPECT_EQ(plan.defaultButton, c.plan.defaultButton) << c.what;
        EXPECT_EQ(plan.escapeButton, c.plan.escapeButton) << c.what;
    }
}

} // namespace
} // namespace vantry
