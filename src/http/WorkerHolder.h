#pragma once
// The worker machinery behind TWebRequest: a holder that keeps exactly one worker, a fresh worker
// thread per request, calls handed from a worker to the GUI thread (Synchronize), and the
// optional blocking wait of Read. How the pieces meet is described at the top of WorkerHolder.cpp.
#include "http/ThreadPriority.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class QEventLoop;

namespace quillo {

class TWorkerHolder;

// What a worker's thread shares with the GUI thread. The thread touches nothing else.
class WorkerState {
public:
    using Work = std::function<void(WorkerState& worker)>;
    using EndHandler = std::function<void(TWorkerHolder* sender, WorkerState& worker)>;

    // --- on the worker ---
    // Runs `call` on the GUI thread and waits until it has returned. False when the worker has
    // been replaced: the call was then not run (and never will be).
    bool Synchronize(const std::function<void()>& call);
    // Runs a handler on the worker unless it has been replaced; replacing waits for one that is
    // running, so none runs afterwards. False when it did not run.
    bool RunWorkerEvent(const std::function<void()>& handler);
    // True once the worker has been replaced; the work should wind down.
    bool Cancelled() const { return m_cancelRequested.load(std::memory_order_acquire); }
    // A thread-safe way to interrupt a blocking wait of the work, called when the worker is
    // replaced. Set it to {} before the thing it wakes goes away.
    void SetCancelHook(std::function<void()> hook);
    // What Start handed over for this run.
    const std::shared_ptr<void>& Job() const { return m_job; }

    bool Executing() const { return m_executing.load(std::memory_order_acquire); }

private:
    friend class TEventThread;
    friend class TEventThreadWindow;
    friend class WorkerRegistry;
    friend class TWorkerHolder;

    void run();
    void requestCancel();
    void cancel();   // GUI thread
    void markEnded(); // GUI thread

    TWorkerHolder* m_holder = nullptr; // used on the GUI thread only
    std::weak_ptr<bool> m_holderAlive;
    Work m_work;
    std::function<void()> m_exceptionHandler;
    EndHandler m_endHandler;
    std::shared_ptr<void> m_job;
    std::atomic<int> m_priority{tpNormal};
    std::atomic<qint64> m_osThreadId{0};

    std::atomic<bool> m_executing{false};
    std::atomic<bool> m_finished{false};
    std::atomic<bool> m_cancelRequested{false};
    bool m_cancelled = false; // written under the registry lock, on the GUI thread

    std::mutex m_workerEventLock;
    std::mutex m_hookLock;
    std::function<void()> m_cancelHook;

    // GUI thread only.
    bool m_ended = false;
    QEventLoop* m_waitLoop = nullptr;
};

// One worker: created idle; Resume starts its thread. Lives on the GUI thread; its thread only
// sees the shared WorkerState, so discarding a worker whose thread still runs is safe.
class TEventThread {
public:
    TEventThread(TWorkerHolder* owner, std::weak_ptr<bool> ownerAlive);
    ~TEventThread();
    TEventThread(const TEventThread&) = delete;
    TEventThread& operator=(const TEventThread&) = delete;

    // A new idle worker with the same holder, priority and handlers.
    std::unique_ptr<TEventThread> Clone() const;
    void Resume(std::shared_ptr<void> job);
    // Replaced: nothing of this worker runs on the GUI thread any more.
    void Cancel();

    bool Executing() const { return m_state->Executing(); }
    TThreadPriority Priority() const { return TThreadPriority(m_state->m_priority.load()); }
    void SetPriority(TThreadPriority level);
    const std::shared_ptr<WorkerState>& State() const { return m_state; }

    void SetWork(WorkerState::Work work) { m_state->m_work = std::move(work); }
    void SetExceptionHandler(std::function<void()> handler) { m_state->m_exceptionHandler = std::move(handler); }
    void SetEndHandler(WorkerState::EndHandler handler) { m_state->m_endHandler = std::move(handler); }

private:
    std::shared_ptr<WorkerState> m_state;
    bool m_started = false;
};

// Owned by each HTTP component; always holds one worker (an idle one between requests).
class TWorkerHolder {
public:
    TWorkerHolder();
    ~TWorkerHolder();
    TWorkerHolder(const TWorkerHolder&) = delete;
    TWorkerHolder& operator=(const TWorkerHolder&) = delete;

    void SetWork(WorkerState::Work work) { m_worker->SetWork(std::move(work)); }
    void SetExceptionHandler(std::function<void()> handler) { m_worker->SetExceptionHandler(std::move(handler)); }
    void SetEndHandler(WorkerState::EndHandler handler) { m_worker->SetEndHandler(std::move(handler)); }
    void SetWaitExpiry(std::function<void()> callback) { m_waitExpiry = std::move(callback); }

    // Runs the work on a fresh worker. With WaitThread, waits (handling events) until the worker
    // has ended; false when a wait interval ran out and the request was abandoned.
    bool Start(std::shared_ptr<void> job);
    // Abandons the current worker for a fresh idle one.
    void ReplaceWorker();
    bool Executing() const { return m_worker->Executing(); }
    // The running worker's shared state (for the component to recognise its own request).
    const std::shared_ptr<WorkerState>& CurrentState() const { return m_worker->State(); }

    TThreadPriority Priority() const { return m_worker->Priority(); }
    void SetPriority(TThreadPriority level) { m_worker->SetPriority(level); }
    bool WaitThread() const { return m_waitThread; }
    void SetWaitThread(bool v) { m_waitThread = v; }
    qint32 WaitTimeout() const { return m_waitTimeout; }
    void SetWaitTimeout(qint32 ms) { m_waitTimeout = ms; }

    // Number of workers in the process, and whether the hand-over object exists (for tests).
    static int WorkerCount();
    static bool WindowExists();

private:
    bool waitForEnd(const std::shared_ptr<WorkerState>& state);

    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    std::unique_ptr<TEventThread> m_worker;
    bool m_waitThread = false;
    qint32 m_waitTimeout = 0;
    std::function<void()> m_waitExpiry;
};

// The hidden object on the GUI thread that runs the calls workers hand over. One exists while
// any worker exists.
class TEventThreadWindow : public QObject {
    Q_OBJECT
public:
    TEventThreadWindow();
    // Posts one wake-up; called with the registry lock held, carries no data.
    void Wake();

protected:
    bool event(QEvent* e) override;

private:
    void runOnePendingCall();
};

} // namespace quillo
