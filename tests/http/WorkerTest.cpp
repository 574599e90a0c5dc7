// The worker machinery on its own: hand-over order, cancellation, the hidden window's lifetime and
// how the wait of Read ends.
#include "EventRecorder.h"
#include "LoopbackServer.h"

#include "http/TWebRequest.h"
#include "http/WorkerHolder.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

using namespace quillo;
using namespace quillo::test;

TEST(Worker, HandedOverCallsRunInOrderOnTheGuiThread)
{
    TWorkerHolder holder;
    holder.SetWaitThread(true);
    QStringList log;
    QThread* gui = QThread::currentThread();
    bool allOnGui = true;
    holder.SetWork([&](WorkerState& worker) {
        for (int i = 0; i < 50; ++i) {
            const bool ran = worker.Synchronize([&, i] {
                log << QString::number(i);
                allOnGui = allOnGui && QThread::currentThread() == gui;
            });
            EXPECT_TRUE(ran);
        }
        throw std::runtime_error("work failed");
    });
    holder.SetExceptionHandler([&] { log << QStringLiteral("exception"); });
    holder.SetEndHandler([&](TWorkerHolder* sender, WorkerState& worker) {
        log << QStringLiteral("end");
        EXPECT_EQ(sender, &holder);
        EXPECT_FALSE(worker.Executing());
        EXPECT_FALSE(holder.Executing());
    });
    EXPECT_TRUE(holder.Start(nullptr));
    ASSERT_EQ(log.size(), 52);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(log[i], QString::number(i));
    EXPECT_EQ(log[50], QStringLiteral("exception"));
    EXPECT_EQ(log[51], QStringLiteral("end"));
    EXPECT_TRUE(allOnGui);
}

TEST(Worker, TheWaitEndsWithTheWorkerEvenWithoutAnEndHandler)
{
    TWorkerHolder holder;
    holder.SetWaitThread(true);
    std::atomic<bool> worked{false};
    holder.SetWork([&](WorkerState&) { worked = true; });
    EXPECT_TRUE(holder.Start(nullptr));
    EXPECT_TRUE(worked);
    EXPECT_FALSE(holder.Executing());
}

TEST(Worker, AReplacedWorkerRunsNothingMore)
{
    TWorkerHolder holder;
    std::atomic<bool> release{false};
    std::atomic<bool> refused{false};
    std::atomic<bool> workDone{false};
    int ranOnGui = 0;
    holder.SetWork([&](WorkerState& worker) {
        worker.Synchronize([&] { ++ranOnGui; });
        while (!release)
            QThread::msleep(1);
        refused = !worker.Synchronize([&] { ++ranOnGui; });
        workDone = true;
    });
    bool ended = false;
    holder.SetEndHandler([&](TWorkerHolder*, WorkerState&) { ended = true; });
    holder.Start(nullptr);
    ASSERT_TRUE(pumpUntil([&] { return ranOnGui == 1; }));
    EXPECT_TRUE(holder.Executing());
    holder.ReplaceWorker();
    EXPECT_FALSE(holder.Executing());
    release = true;
    ASSERT_TRUE(pumpUntil([&] { return workDone.load(); }));
    pumpFor(100);
    EXPECT_TRUE(refused);
    EXPECT_EQ(ranOnGui, 1);
    EXPECT_FALSE(ended);
}

TEST(Worker, TheWindowLivesWhileWorkersDo)
{
    pumpFor(50);
    const int before = TWorkerHolder::WorkerCount();
    {
        LoopbackServer server([](Connection& c) {
            for (QByteArray r = c.readRequest(); !r.isEmpty(); r = c.readRequest())
                c.reply(200, "x");
        });
        TWebRequest a;
        TWebRequest b;
        EXPECT_EQ(TWorkerHolder::WorkerCount(), before + 2);
        EXPECT_TRUE(TWorkerHolder::WindowExists());
        a.setURL(server.url());
        a.setWaitThread(true);
        for (int i = 0; i < 5; ++i)
            a.Read();
        EXPECT_EQ(TWorkerHolder::WorkerCount(), before + 2) << "one worker per component, however many requests";
    }
    EXPECT_EQ(TWorkerHolder::WorkerCount(), before);
    if (before == 0) {
        ASSERT_TRUE(pumpUntil([] { return !TWorkerHolder::WindowExists(); }));
        TWebRequest again;
        EXPECT_TRUE(TWorkerHolder::WindowExists());
    }
}

namespace {

LoopbackServer::Script answerWhenReleased(const QByteArray& body)
{
    return [=](Connection& c) {
        if (c.readRequest().isEmpty())
            return;
        c.waitForGate();
        c.reply(200, body);
    };
}

} // namespace

TEST(Worker, WithoutWaitThreadReadReturnsAtOnce)
{
    LoopbackServer server(answerWhenReleased("late"));
    TWebRequest r;
    r.setURL(server.url());
    r.setWaitTimeout(50); // no effect without WaitThread
    EventRecorder rec(r);
    EXPECT_TRUE(r.Read());
    EXPECT_TRUE(rec.events.isEmpty());
    pumpFor(200);
    server.openGate();
    ASSERT_TRUE(pumpUntil([&] { return !r.Busy() && !rec.events.isEmpty(); }));
    EXPECT_EQ(rec.events, QStringList{QStringLiteral("Done")});
    EXPECT_EQ(rec.body, "late");
}

TEST(Worker, QuittingTheApplicationEndsTheWait)
{
    LoopbackServer server(answerWhenReleased("after the quit"));
    TWebRequest r;
    r.setURL(server.url());
    r.setWaitThread(true);
    EventRecorder rec(r);
    bool result = false;
    bool returned = false;
    QTimer::singleShot(0, [&] {
        result = r.Read();
        returned = true;
    });
    QTimer::singleShot(300, [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    EXPECT_TRUE(returned);
    EXPECT_TRUE(result);
    EXPECT_TRUE(r.Busy()) << "the request goes on";
    server.openGate();
    ASSERT_TRUE(pumpUntil([&] { return !rec.events.isEmpty(); }));
    EXPECT_EQ(rec.events, QStringList{QStringLiteral("Done")});
}
