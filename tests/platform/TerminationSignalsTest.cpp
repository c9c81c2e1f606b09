#include "platform/TerminationSignals.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

using namespace vantry;

TEST(TerminationSignals, EachSignalArrivesOnTheMainThreadInsteadOfEndingTheProcess)
{
    TerminationSignals termination;
    ASSERT_TRUE(termination.installed());
    QSignalSpy spy(&termination, &TerminationSignals::received);
    for (const int number : {SIGTERM, SIGINT, SIGHUP})
        ::kill(::getpid(), number);
    ASSERT_TRUE(QTest::qWaitFor([&] { return spy.size() == 3; }, 5000));
    EXPECT_EQ(spy[0][0].toInt(), SIGTERM);
    EXPECT_EQ(spy[1][0].toInt(), SIGINT);
    EXPECT_EQ(spy[2][0].toInt(), SIGHUP);
}
