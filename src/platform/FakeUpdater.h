#pragma once

#include "platform/Updater.h"

namespace vantry {

// An updater the test drives: it counts checks and answers with what the test sets.
class FakeUpdater final : public Updater {
    Q_OBJECT
public:
    using Updater::Updater;
    bool canCheckForUpdates() const override { return canCheck_; }
    void checkForUpdates() override { ++checkCount; }

    void setCanCheckForUpdates(bool value)
    {
        if (value == canCheck_)
            return;
        canCheck_ = value;
        emit canCheckForUpdatesChanged(value);
    }
    void finish(const UpdateCheckResult& result) { emit checkFinished(result); }

    int checkCount = 0;

private:
    bool canCheck_ = false;
};

} // namespace vantry
