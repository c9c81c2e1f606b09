#include <gtest/gtest.h>

#include <QApplication>

// Every test binary runs with a QApplication on the offscreen platform, so
// coroutines, timers, fonts and widgets work in all of them.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
