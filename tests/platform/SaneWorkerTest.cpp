#include "platform/SaneWorker.h"

#include <dlfcn.h>
#include <pthread.h>

#include <thread>

#include <gtest/gtest.h>

using namespace vantry;

// SANE backends stop their reader threads with pthread_cancel after switching them to
// asynchronous cancellation; cancelled inside malloc, such a thread leaves the heap locked
// and a later page or the process exit hangs. A backend, loaded at run time, finds
// pthread_setcanceltype by global lookup: that one must never switch asynchronous
// cancellation on.
TEST(SaneWorker, BackendThreadsAreNeverCancelledAsynchronously)
{
    SaneWorker::acquire(); // the replacement lives with the SANE worker
    using Fn = int (*)(int, int*);
    const auto asBackendSeesIt = reinterpret_cast<Fn>(dlsym(RTLD_DEFAULT, "pthread_setcanceltype"));
    const auto libc = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "pthread_setcanceltype"));
    ASSERT_TRUE(asBackendSeesIt);
    ASSERT_TRUE(libc);
    ASSERT_NE(asBackendSeesIt, libc) << "the executable does not export its pthread_setcanceltype";

    int old = -1, inEffect = -1;
    std::thread reader([&] {
        EXPECT_EQ(asBackendSeesIt(PTHREAD_CANCEL_ASYNCHRONOUS, &old), 0);
        libc(PTHREAD_CANCEL_DEFERRED, &inEffect); // reads back the type really set
    });
    reader.join();
    EXPECT_EQ(inEffect, PTHREAD_CANCEL_DEFERRED);
}
