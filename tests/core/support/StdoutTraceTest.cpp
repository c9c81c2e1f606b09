#include "core/support/StdoutTrace.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace vantry;

TEST(StdoutTrace, TopicsPrintWithTheirTags)
{
    const std::pair<TraceTopic, const char*> cases[] = {
        {TraceTopic::import, "[import] a"},           {TraceTopic::recount, "[recount] a"},
        {TraceTopic::workspace, "[workspace] a"},     {TraceTopic::scanSession, "[scan-session] a"},
        {TraceTopic::scanManifest, "[scan-manifest] a"}, {TraceTopic::training, "[training] a"},
    };
    StdoutTrace::Capture capture;
    for (const auto& [topic, line] : cases)
        StdoutTrace::print(topic, QStringLiteral("a"));
    QStringList expected;
    for (const auto& [topic, line] : cases)
        expected << QString::fromUtf8(line);
    EXPECT_EQ(capture.lines(), expected);
    EXPECT_EQ(capture.lines(TraceTopic::scanSession), QStringList{QStringLiteral("[scan-session] a")});
}

TEST(StdoutTrace, InnerCaptureTakesLinesAndHandsBackWhenItEnds)
{
    StdoutTrace::Capture outer;
    StdoutTrace::print(TraceTopic::import, QStringLiteral("one"));
    {
        StdoutTrace::Capture inner;
        StdoutTrace::print(TraceTopic::import, QStringLiteral("two"));
        EXPECT_EQ(inner.lines(), QStringList{QStringLiteral("[import] two")});
    }
    StdoutTrace::printLine(QStringLiteral("[recount] three"));
    EXPECT_EQ(outer.lines(), (QStringList{QStringLiteral("[import] one"), QStringLiteral("[recount] three")}));
}

TEST(StdoutTrace, LinesFromSeveralThreadsStayWhole)
{
    StdoutTrace::Capture capture;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i)
                StdoutTrace::print(TraceTopic::training, QStringLiteral("t%1 i%2").arg(t).arg(i));
        });
    for (auto& thread : threads)
        thread.join();
    const QStringList lines = capture.lines();
    ASSERT_EQ(lines.size(), 800);
    for (int t = 0; t < 4; ++t)
        EXPECT_TRUE(lines.contains(QStringLiteral("[training] t%1 i199").arg(t)));
}
