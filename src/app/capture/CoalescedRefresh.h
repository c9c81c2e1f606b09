#pragma once

#include <QObject>

#include <functional>

namespace vantry {

// How a view follows its models: every change signal it is connected to asks for a refresh,
// and the refresh runs once, on the next turn of the event loop, however many changes came
// in between (an ingest publishing rows every 250 ms redraws once per publication, not per
// property). Destroyed with its owner; a pending refresh then never runs.
class CoalescedRefresh : public QObject {
    Q_OBJECT

public:
    CoalescedRefresh(QObject* owner, std::function<void()> refresh);

    // Each emission of `signal` by `sender` asks for a refresh.
    template <typename Sender, typename Signal>
    void follow(const Sender* sender, Signal signal)
    {
        connect(sender, signal, this, &CoalescedRefresh::request);
    }

    void request();
    // Runs a pending refresh now (tests and first layout).
    void flush();
    bool pending() const { return pending_; }
    int runs() const { return runs_; }

private:
    std::function<void()> refresh_;
    bool pending_ = false;
    int runs_ = 0;
};

} // namespace vantry
