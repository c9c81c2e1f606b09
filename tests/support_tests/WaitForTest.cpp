#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <QCoroTimer>

#include <stdexcept>

using namespace std::chrono_literals;

namespace {

QCoro::Task<int> later(bool fail)
{
    co_await QCoro::sleepFor(1ms);
    if (fail)
        throw std::runtime_error("failed later");
    co_return 7;
}

QCoro::Task<> laterVoid(bool fail)
{
    co_await QCoro::sleepFor(1ms);
    if (fail)
        throw std::runtime_error("void failed");
}

QCoro::Task<int> immediately() { throw std::runtime_error("failed at once"); co_return 0; }

} // namespace

TEST(WaitFor, ReturnsValuesAndRethrowsFailures)
{
    EXPECT_EQ(vantry::test::waitFor(later(false)), 7);
    EXPECT_THROW(vantry::test::waitFor(later(true)), std::runtime_error);
    EXPECT_THROW(vantry::test::waitFor(immediately()), std::runtime_error);
    EXPECT_NO_THROW(vantry::test::waitFor(laterVoid(false)));
    EXPECT_THROW(vantry::test::waitFor(laterVoid(true)), std::runtime_error);
}
