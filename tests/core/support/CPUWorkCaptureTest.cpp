#include "core/support/CPUWork.h"

#include <gtest/gtest.h>

#include <QCoroTask>

using namespace vantry;

namespace {

// Counts live instances, so a capture destroyed twice shows as a negative count.
struct Counted {
    static inline int alive = 0;
    Counted() { ++alive; }
    Counted(const Counted&) { ++alive; }
    Counted(Counted&&) noexcept { ++alive; }
    ~Counted() { --alive; }
};

} // namespace

TEST(CPUWorkCapture, CapturesAreDestroyedOnce)
{
    Counted::alive = 0;
    {
        Counted value;
        const int result = QCoro::waitFor(CPUWork::run([value] { return 7; }));
        EXPECT_EQ(result, 7);
        QCoro::waitFor(CPUWork::run([value] {}));
    }
    EXPECT_EQ(Counted::alive, 0);
}
