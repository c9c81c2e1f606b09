#pragma once

#include <QCoroTask>
#include <QEventLoop>

#include <exception>
#include <optional>
#include <type_traits>

namespace vantry::test {

// Runs a task to its end in a nested event loop and returns its value or rethrows its
// exception. QCoro 0.8's own waitFor never returns when the task throws (the exception
// is swallowed and its loop never quits), so tests that expect failures use this one.
namespace detail {

template <class T>
QCoro::Task<> drive(QCoro::Task<T> task, std::optional<T>& result, std::exception_ptr& error, bool& done,
                    QEventLoop& loop)
{
    try {
        result.emplace(co_await std::move(task));
    } catch (...) {
        error = std::current_exception();
    }
    done = true;
    loop.quit();
}

inline QCoro::Task<> driveVoid(QCoro::Task<> task, std::exception_ptr& error, bool& done, QEventLoop& loop)
{
    try {
        co_await std::move(task);
    } catch (...) {
        error = std::current_exception();
    }
    done = true;
    loop.quit();
}

} // namespace detail

template <class T>
T waitFor(QCoro::Task<T> task)
{
    QEventLoop loop;
    std::exception_ptr error;
    bool done = false;
    if constexpr (std::is_void_v<T>) {
        auto driver = detail::driveVoid(std::move(task), error, done, loop);
        if (!done)
            loop.exec();
        if (error)
            std::rethrow_exception(error);
    } else {
        std::optional<T> result;
        auto driver = detail::drive(std::move(task), result, error, done, loop);
        if (!done)
            loop.exec();
        if (error)
            std::rethrow_exception(error);
        return std::move(*result);
    }
}

} // namespace vantry::test
