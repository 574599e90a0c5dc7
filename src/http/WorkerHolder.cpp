// How a request's events reach the GUI thread
// ------------------------------------------
// Every request runs on a fresh std::thread. The thread shares one WorkerState with the GUI
// thread and nothing else: the component gives it a job (a snapshot of the request) and reads the
// outcome back only inside calls that the worker hands over.
//
// Synchronize is a blocking call into the GUI thread. The worker puts {state, call, promise} in a
// process-wide queue guarded by one std::mutex, posts a data-less wake-up event to the hidden
// TEventThreadWindow and waits on the promise. The GUI thread takes one entry per wake-up, runs
// the call unless the worker has been cancelled, and fulfils the promise. The promise and the
// mutex, not Qt's own locks, carry the happens-before edges, so ThreadSanitizer can see them
// (Debian's Qt is not built for it). One entry at a time per worker keeps a request's events in
// order, and the worker is stopped while its handler runs.
//
// Replacing a worker (Abort, an expired wait, a new request, destruction) cancels it on the GUI
// thread: under the lock it is marked cancelled and its queued entry, if any, is released without
// running, so from that moment nothing of the old request runs on the GUI thread again. The
// handlers that run on the worker itself (OnStatus, OnRedirected) go through a per-worker lock
// that cancelling takes too: once the replacement is done, none is running and none will start.
// The old thread is not killed: its cancel hook wakes libcurl, it winds down on its own and is
// joined later (on the next start, or at exit).
//
// The wait of Read is a nested QEventLoop. An application-wide event filter restarts the wait
// interval whenever the GUI thread handles any event, so the interval bounds the time in which
// nothing happens at all, not the whole wait. The loop ends when the worker's end call has run or
// the worker was replaced, when the interval runs out, or when the application quits (Qt then
// ends every nested loop).
//
// The window is created with the first worker and released, through a posted event, when the
// worker count has dropped to 0 and no new worker came in the meantime.
#include "http/WorkerHolder.h"
#include "http/WaitActivity.h"

#include "http/ThreadPriority.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <deque>
#include <future>
#include <thread>
#include <vector>

namespace quillo {

namespace {

const QEvent::Type kWakeEvent = QEvent::Type(QEvent::registerEventType());
const QEvent::Type kReleaseEvent = QEvent::Type(QEvent::registerEventType());

struct PendingCall {
    WorkerState* state = nullptr; // kept alive by its thread, which waits for `done`
    const std::function<void()>* call = nullptr;
    bool* ran = nullptr;
    std::promise<void>* done = nullptr;
};

} // namespace

// Process-wide: the worker count, the window, the queue of handed-over calls and the threads.
class WorkerRegistry {
public:
    static WorkerRegistry& instance()
    {
        static WorkerRegistry registry;
        return registry;
    }

    ~WorkerRegistry() { shutDown(); }

    void registerWorker()
    {
        std::lock_guard guard(m_lock);
        if (m_count++ == 0 && !m_window) {
            m_window = new TEventThreadWindow;
            m_guiThread = std::this_thread::get_id();
        }
    }

    void unregisterWorker()
    {
        std::lock_guard guard(m_lock);
        if (--m_count == 0 && m_window)
            QCoreApplication::postEvent(m_window, new QEvent(kReleaseEvent));
    }

    // The window deletes itself when this says so.
    bool releaseWindow(TEventThreadWindow* window)
    {
        std::lock_guard guard(m_lock);
        if (m_count != 0 || m_window != window)
            return false;
        m_window = nullptr;
        return true;
    }

    bool enqueue(const PendingCall& call)
    {
        std::lock_guard guard(m_lock);
        if (call.state->m_cancelled || !m_window)
            return false;
        m_pending.push_back(call);
        m_window->Wake();
        return true;
    }

    bool takeNext(PendingCall& call)
    {
        std::lock_guard guard(m_lock);
        if (m_pending.empty())
            return false;
        call = m_pending.front();
        m_pending.pop_front();
        return true;
    }

    // Marks the worker cancelled and hands back its queued entry, which must not run.
    std::vector<PendingCall> cancel(WorkerState& state)
    {
        std::vector<PendingCall> dropped;
        std::lock_guard guard(m_lock);
        state.m_cancelled = true;
        for (auto it = m_pending.begin(); it != m_pending.end();) {
            if (it->state == &state) {
                dropped.push_back(*it);
                it = m_pending.erase(it);
            } else {
                ++it;
            }
        }
        return dropped;
    }

    bool onGuiThread() const
    {
        std::lock_guard guard(m_lock);
        return m_window && std::this_thread::get_id() == m_guiThread;
    }

    void adoptThread(std::shared_ptr<WorkerState> state, std::thread thread)
    {
        std::lock_guard guard(m_lock);
        joinFinishedLocked();
        m_threads.push_back({std::move(state), std::move(thread)});
    }

    int count() const
    {
        std::lock_guard guard(m_lock);
        return m_count;
    }

    bool windowExists() const
    {
        std::lock_guard guard(m_lock);
        return m_window != nullptr;
    }

private:
    struct Running {
        std::shared_ptr<WorkerState> state;
        std::thread thread;
    };

    void joinFinishedLocked()
    {
        for (auto it = m_threads.begin(); it != m_threads.end();) {
            if (it->state->m_finished.load(std::memory_order_acquire)) {
                it->thread.join(); // it has only its last instructions left
                it = m_threads.erase(it);
            } else {
                ++it;
            }
        }
    }

    // At exit: cancel every worker still around and give each a moment to wind down. One that is
    // stuck (its handler never returned) is left to the process's end rather than hanging it.
    void shutDown()
    {
        std::vector<Running> threads;
        {
            std::lock_guard guard(m_lock);
            threads.swap(m_threads);
        }
        for (Running& r : threads) {
            r.state->requestCancel();
            for (const PendingCall& c : cancel(*r.state))
                c.done->set_value();
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        for (Running& r : threads) {
            while (!r.state->m_finished.load() && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            if (r.state->m_finished.load())
                r.thread.join();
            else
                r.thread.detach();
        }
    }

    mutable std::mutex m_lock;
    int m_count = 0;
    TEventThreadWindow* m_window = nullptr;
    std::thread::id m_guiThread;
    std::deque<PendingCall> m_pending;
    std::vector<Running> m_threads;
};

// ---------------------------------------------------------------------------------------------
// WorkerState

bool WorkerState::Synchronize(const std::function<void()>& call)
{
    WorkerRegistry& registry = WorkerRegistry::instance();
    if (Cancelled())
        return false;
    if (registry.onGuiThread()) {
        // Only reachable when a work function is run directly on the GUI thread: nothing to hand
        // over, and waiting for ourselves would never end.
        call();
        return true;
    }
    bool ran = false;
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    if (!registry.enqueue({this, &call, &ran, &done}))
        return false;
    // No spinning before the sleep: on a machine with two cores the spin took the core that the
    // GUI thread (and a local server) needed, and every hand-over got slower.
    finished.wait();
    return ran;
}

bool WorkerState::RunWorkerEvent(const std::function<void()>& handler)
{
    std::lock_guard guard(m_workerEventLock);
    if (Cancelled())
        return false;
    handler();
    return true;
}

void WorkerState::requestCancel()
{
    {
        std::lock_guard guard(m_workerEventLock);
        m_cancelRequested.store(true, std::memory_order_release);
    }
    std::lock_guard guard(m_hookLock);
    if (m_cancelHook)
        m_cancelHook();
}

void WorkerState::SetCancelHook(std::function<void()> hook)
{
    std::lock_guard guard(m_hookLock);
    m_cancelHook = std::move(hook);
}

void WorkerState::run()
{
    m_osThreadId.store(CurrentThreadOsId());
    ApplyThreadPriority(m_osThreadId.load(), TThreadPriority(m_priority.load()));
    if (m_work && !Cancelled()) {
        try {
            m_work(*this);
        } catch (...) {
            if (m_exceptionHandler)
                Synchronize([this] { m_exceptionHandler(); });
        }
    }
    m_executing.store(false, std::memory_order_release);
    // Also without an end handler: the GUI thread learns here that the worker has ended.
    Synchronize([this] {
        try {
            if (m_endHandler)
                m_endHandler(m_holder, *this);
        } catch (...) {
            const std::shared_ptr<bool> holderAlive = m_holderAlive.lock();
            if (m_exceptionHandler && holderAlive && *holderAlive) {
                try {
                    m_exceptionHandler();
                } catch (...) {
                }
            }
        }
        markEnded();
    });
    m_finished.store(true, std::memory_order_release);
}

void WorkerState::cancel()
{
    requestCancel();
    for (const PendingCall& c : WorkerRegistry::instance().cancel(*this))
        c.done->set_value();
    markEnded();
}

void WorkerState::markEnded()
{
    m_ended = true;
    if (m_waitLoop)
        m_waitLoop->quit();
}

// ---------------------------------------------------------------------------------------------
// TEventThread

TEventThread::TEventThread(TWorkerHolder* owner, std::weak_ptr<bool> ownerAlive)
    : m_state(std::make_shared<WorkerState>())
{
    m_state->m_holder = owner;
    m_state->m_holderAlive = std::move(ownerAlive);
    WorkerRegistry::instance().registerWorker();
}

TEventThread::~TEventThread()
{
    // Also when it no longer executes: its end call may still be queued, and must not run once
    // the worker is gone.
    Cancel();
    WorkerRegistry::instance().unregisterWorker();
}

std::unique_ptr<TEventThread> TEventThread::Clone() const
{
    auto clone = std::make_unique<TEventThread>(m_state->m_holder, m_state->m_holderAlive);
    clone->m_state->m_priority.store(m_state->m_priority.load());
    clone->SetWork(m_state->m_work);
    clone->SetExceptionHandler(m_state->m_exceptionHandler);
    clone->SetEndHandler(m_state->m_endHandler);
    return clone;
}

void TEventThread::Resume(std::shared_ptr<void> job)
{
    if (m_started)
        return;
    m_started = true;
    m_state->m_job = std::move(job);
    m_state->m_executing.store(true, std::memory_order_release);
    std::shared_ptr<WorkerState> state = m_state;
    try {
        std::thread thread([state] { state->run(); });
        WorkerRegistry::instance().adoptThread(m_state, std::move(thread));
    } catch (const std::system_error&) {
        // No thread could be made: the request fails at once, reported as a failing work.
        m_state->m_executing.store(false, std::memory_order_release);
        if (m_state->m_exceptionHandler)
            m_state->m_exceptionHandler();
        if (m_state->m_endHandler)
            m_state->m_endHandler(m_state->m_holder, *m_state);
        m_state->markEnded();
    }
}

void TEventThread::Cancel()
{
    if (m_started)
        m_state->cancel();
}

void TEventThread::SetPriority(TThreadPriority level)
{
    m_state->m_priority.store(level);
    const qint64 osId = m_state->m_osThreadId.load();
    if (m_started && osId != 0 && m_state->Executing())
        ApplyThreadPriority(osId, level);
}

// ---------------------------------------------------------------------------------------------
// TWorkerHolder

TWorkerHolder::TWorkerHolder() : m_worker(std::make_unique<TEventThread>(this, m_alive)) {}

TWorkerHolder::~TWorkerHolder()
{
    *m_alive = false;
    m_worker.reset(); // cancels a running worker without waiting for it
}

void TWorkerHolder::ReplaceWorker()
{
    // The clone comes first so that the count never drops to 0 in between.
    std::unique_ptr<TEventThread> clone = m_worker->Clone();
    m_worker->Cancel();
    m_worker = std::move(clone);
}

bool TWorkerHolder::Start(std::shared_ptr<void> job)
{
    ReplaceWorker();
    std::shared_ptr<WorkerState> state = m_worker->State();
    m_worker->Resume(std::move(job));
    if (!m_waitThread)
        return true;
    return waitForEnd(state);
}

namespace {

// Restarts the wait interval whenever the GUI thread handles an event, and notices when the
// interval runs out while the wait itself is the innermost loop.
class WaitInterval : public QObject {
public:
    WaitInterval(QEventLoop& loop, int intervalMs) : m_loop(loop)
    {
        m_timer.setSingleShot(true);
        m_timer.setInterval(intervalMs);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { onTimeout(); });
        QCoreApplication::instance()->installEventFilter(this);
        m_level = QThread::currentThread()->loopLevel() + 1;
        m_timer.start();
    }
    ~WaitInterval() override { QCoreApplication::instance()->removeEventFilter(this); }

    bool expired() const { return m_expired; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != &m_timer && !m_expired && IsWaitActivity(watched, event))
            m_timer.start();
        return false;
    }

private:
    void onTimeout()
    {
        // A handler of the request may run a loop of its own (a modal box): the wait is not
        // waiting then, so the interval does not count.
        if (QThread::currentThread()->loopLevel() > m_level) {
            m_timer.start();
            return;
        }
        m_expired = true;
        m_loop.quit();
    }

    QEventLoop& m_loop;
    QTimer m_timer;
    int m_level = 0;
    bool m_expired = false;
};

} // namespace

bool TWorkerHolder::waitForEnd(const std::shared_ptr<WorkerState>& state)
{
    if (state->m_ended || QCoreApplication::closingDown())
        return true;
    const std::weak_ptr<bool> alive = m_alive;
    QEventLoop loop;
    std::unique_ptr<WaitInterval> interval;
    if (m_waitTimeout > 0)
        interval = std::make_unique<WaitInterval>(loop, m_waitTimeout);
    state->m_waitLoop = &loop;
    loop.exec(); // returns at once when the application is already quitting
    state->m_waitLoop = nullptr;
    const bool expired = interval && interval->expired() && !state->m_ended;
    interval.reset();
    if (alive.expired() || !*alive.lock() || !expired)
        return true;
    if (m_worker->State() == state)
        ReplaceWorker();
    if (m_waitExpiry)
        m_waitExpiry();
    return false;
}

int TWorkerHolder::WorkerCount()
{
    return WorkerRegistry::instance().count();
}

bool TWorkerHolder::WindowExists()
{
    return WorkerRegistry::instance().windowExists();
}

// ---------------------------------------------------------------------------------------------
// TEventThreadWindow

TEventThreadWindow::TEventThreadWindow()
{
    setObjectName(QStringLiteral("TEventThreadWindow"));
}

void TEventThreadWindow::Wake()
{
    QCoreApplication::postEvent(this, new QEvent(kWakeEvent));
}

bool TEventThreadWindow::event(QEvent* e)
{
    if (e->type() == kWakeEvent) {
        runOnePendingCall();
        return true;
    }
    if (e->type() == kReleaseEvent) {
        if (WorkerRegistry::instance().releaseWindow(this))
            deleteLater();
        return true;
    }
    return QObject::event(e);
}

void TEventThreadWindow::runOnePendingCall()
{
    PendingCall c;
    if (!WorkerRegistry::instance().takeNext(c))
        return;
    // Cancellation happens on this thread, so the flag cannot change under our feet here.
    if (!c.state->m_cancelled) {
        try {
            (*c.call)();
        } catch (...) {
            // A handler's exception stays here; the worker goes on.
        }
        *c.ran = true;
    }
    c.done->set_value();
}

} // namespace quillo
