#pragma once

#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace vantry {

// A serial work queue on one thread of its own: jobs run one at a time, in submission order.
class SerialQueue {
public:
    enum class Priority { normal, lowered };

    explicit SerialQueue(QString label, Priority priority = Priority::normal);
    ~SerialQueue(); // runs what is queued, then joins

    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    void submit(std::function<void()> job);
    // Blocks until every job submitted before the call has finished. Must not be
    // called from the queue's own thread.
    void drain();

    const QString& label() const { return label_; }

    // Jobs waiting or running: how busy the queue is at this moment.
    std::size_t load();

    // The label of the queue whose job is running on the calling thread; empty elsewhere.
    static QString currentLabel();

private:
    void loop();

    QString label_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<std::function<void()>> jobs_;
    bool running_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace vantry
