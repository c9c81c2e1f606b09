#include "BatchTestKit.h"

#include "support/SyntheticScan.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>

#include <QCoroTimer>

#include <gtest/gtest.h>

namespace vantry::test {

namespace {

QCoro::Task<void> waitWhileHeld(std::shared_ptr<RecognitionHold> hold)
{
    if (hold->calls++ >= hold->held)
        co_return;
    while (!hold->open)
        co_await QCoro::sleepFor(std::chrono::milliseconds(5));
}

QCoro::Task<void> waitForTurn(std::shared_ptr<RecognitionTurns> turns)
{
    const std::size_t mine = std::size_t(turns->calls++);
    while (mine < turns->released.size() && !turns->released[mine])
        co_await QCoro::sleepFor(std::chrono::milliseconds(5));
}

} // namespace

void writeMarkedScan(const QString& path, int marker)
{
    SyntheticCard card;
    card.dpi = 240;
    card.marker = marker;
    QDir().mkpath(QFileInfo(path).absolutePath());
    ASSERT_TRUE(saveSyntheticScan(card, path));
}

void writeTwoCardScan(const QString& path)
{
    QImage image(900, 560, QImage::Format_RGB32);
    image.fill(QColor(10, 10, 10));
    QPainter p(&image);
    p.fillRect(QRect(40, 40, 380, 480), QColor(220, 220, 220));
    p.fillRect(QRect(440, 40, 380, 480), QColor(220, 220, 220));
    p.end();
    QDir().mkpath(QFileInfo(path).absolutePath());
    ASSERT_TRUE(image.save(path, "PNG"));
}

std::function<QCoro::Task<void>()> holdRecognitions(std::shared_ptr<RecognitionHold> hold)
{
    return [hold] { return waitWhileHeld(hold); };
}

std::function<QCoro::Task<void>()> recognitionsInTurn(std::shared_ptr<RecognitionTurns> turns)
{
    return [turns] { return waitForTurn(turns); };
}

} // namespace vantry::test
