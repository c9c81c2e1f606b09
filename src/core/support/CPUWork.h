#pragma once

#include "platform/SerialQueue.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QThread>

#include <coroutine>
#include <optional>
#include <type_traits>
#include <utility>

namespace vantry {

// Which pool a piece of CPU work goes to. Coroutines have no task-local values, so the
// lane is passed down explicitly by code that runs on behalf of an interactive action.
enum class CPULane { ordinary, interactive };

// The CPU work pool: `width` serial queues for ordinary work and a separate pair for
// interactive work. Ordinary work goes to the least busy queue, looking from the one after
// the last handed out (so idle queues take turns); the interactive pair alternates.
class CPUWork {
public:
    // max(processors - 2, 2).
    static int widthFor(int processors);
    // The width of this process's ordinary pool.
    static int width();

    // Runs `work` on the next queue of the lane and resumes the awaiting coroutine on the
    // thread it was suspended on (that thread needs a running Qt event loop). The work
    // runs to the end even if the awaiting task is dropped.
    template <class F>
    static QCoro::Task<std::invoke_result_t<F>> run(F work, CPULane lane = CPULane::ordinary);

    // Submits `job` to the next queue of the lane without awaiting it.
    static void submit(std::function<void()> job, CPULane lane = CPULane::ordinary);

    // Runs `work` on a serial queue of the caller's own (a store's writer) and resumes as `run` does.
    template <class F>
    static QCoro::Task<std::invoke_result_t<F>> runOn(SerialQueue& queue, F work);

    // Labels: "com.vantry.capture.cpu-work.<i>" and "com.vantry.capture.cpu-work.interactive.<i>".
    static QString queueLabel(CPULane lane, int index);

private:
    template <class F>
    struct Awaiter;

    // Posts `resume` to the event loop of the calling thread.
    static std::function<void(std::function<void()>)> resumerForCurrentThread();
};

template <class F>
struct CPUWork::Awaiter {
    using R = std::invoke_result_t<F>;
    F work;
    CPULane lane;
    std::optional<std::conditional_t<std::is_void_v<R>, bool, R>> result;
    SerialQueue* queue = nullptr; // none: the pool's lane

    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> handle)
    {
        auto resume = resumerForCurrentThread();
        auto job = [this, handle, resume = std::move(resume)] {
            if constexpr (std::is_void_v<R>) {
                work();
                result.emplace(true);
            } else {
                result.emplace(work());
            }
            resume([handle] { handle.resume(); });
        };
        if (queue)
            queue->submit(std::move(job));
        else
            submit(std::move(job), lane);
    }
    R await_resume()
    {
        if constexpr (!std::is_void_v<R>)
            return std::move(*result);
    }
};

template <class F>
QCoro::Task<std::invoke_result_t<F>> CPUWork::run(F work, CPULane lane)
{
    using R = std::invoke_result_t<F>;
    // A named awaiter: GCC destroys a non-trivial temporary of a co_await expression twice.
    Awaiter<F> awaiter{std::move(work), lane, std::nullopt};
    if constexpr (std::is_void_v<R>) {
        co_await awaiter;
    } else {
        co_return co_await awaiter;
    }
}

template <class F>
QCoro::Task<std::invoke_result_t<F>> CPUWork::runOn(SerialQueue& queue, F work)
{
    using R = std::invoke_result_t<F>;
    Awaiter<F> awaiter{std::move(work), CPULane::ordinary, std::nullopt, &queue};
    if constexpr (std::is_void_v<R>) {
        co_await awaiter;
    } else {
        co_return co_await awaiter;
    }
}

} // namespace vantry
