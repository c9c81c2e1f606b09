#pragma once

#include "platform/SavePanel.h"

#include <vector>

namespace vantry {

// A panel that answers at once with a preset choice and remembers what it was asked.
class FakeSavePanel : public SavePanel {
public:
    explicit FakeSavePanel(std::optional<QString> answer) : answer_(std::move(answer)) {}

    QCoro::Task<std::optional<QString>> run(SavePanelRequest request) override
    {
        requests_.push_back(request);
        // A copy: QCoro moves from a non-const lvalue given to co_return.
        std::optional<QString> answer = answer_;
        co_return answer;
    }

    const std::vector<SavePanelRequest>& requests() const { return requests_; }

private:
    std::optional<QString> answer_;
    std::vector<SavePanelRequest> requests_;
};

} // namespace vantry
