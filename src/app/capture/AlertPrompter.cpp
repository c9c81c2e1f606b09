#include "app/capture/AlertPrompter.h"

namespace vantry {

AlertButtonPlan AlertButtonPlan::of(const std::vector<AlertSpec::Button>& buttons)
{
    using Role = AlertSpec::Role;
    AlertButtonPlan plan;
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (buttons[i].role == Role::cancel)
            plan.order.push_back(i);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i].role != Role::cancel)
            plan.order.push_back(i);
        if (buttons[i].role == Role::defaultAction && !plan.defaultButton)
            plan.defaultButton = i;
    }
    if (!plan.order.empty() && buttons[plan.order.front()].role == Role::cancel)
        plan.escapeButton = plan.order.front();
    // Return must never start something that cannot be taken back.
    if (!plan.defaultButton)
        plan.defaultButton = plan.escapeButton;
    return plan;
}

} // namespace vantry
