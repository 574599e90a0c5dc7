#include "core/EventWait.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

using namespace quillo;

TEST(EventWait, WaitWithMessagesKeepsHandlingEvents)
{
    int handled = 0;
    QTimer::singleShot(0, [&] { ++handled; });
    QMetaObject::invokeMethod(QCoreApplication::instance(), [&] { ++handled; }, Qt::QueuedConnection);
    WaitWithMessages(50);
    EXPECT_EQ(handled, 2);
}
