#pragma once
// Several HTTP requests at once on one libcurl multi handle, driven by a thread of its own so that
// the GUI thread never waits and no event loop is nested.
//
// The thread hands what it receives to the owner through a queue guarded by a mutex; `wake` is
// called (from the transfer thread) when the queue turns non-empty, and the owner then takes()
// the events on its own thread. A cancelled request is removed before the thread touches it
// again; events it queued before that may still be taken, so the owner drops events of
// requests it no longer waits for.
#include <QByteArray>
#include <QList>
#include <QString>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace quillo {

struct TransferRequest
{
    QByteArray url;
    QByteArray body;   // sent as POST when not null
    QByteArray method; // another verb ("DELETE"); empty: GET, or POST with a body
    QList<QByteArray> headers;
    int timeoutMs = 120000;
};

struct TransferEvent
{
    enum Kind { Data, Finished };
    int id = 0;
    Kind kind = Data;
    long status = 0;  // the HTTP status once known
    QByteArray bytes; // Data: the piece received
    QString error;    // Finished: why no reply came, empty when one did
};

class CurlTransfers
{
public:
    explicit CurlTransfers(std::function<void()> wake);
    ~CurlTransfers();
    CurlTransfers(const CurlTransfers&) = delete;
    CurlTransfers& operator=(const CurlTransfers&) = delete;

    // The request's id; its events follow.
    int start(TransferRequest request);
    void cancel(int id);
    std::vector<TransferEvent> take();

    struct Transfer;
    // For the transfer callbacks.
    void pushEvent(TransferEvent event);

private:
    void run();
    bool adoptStartsAndCancels();
    void collectFinished();

    std::function<void()> m_wake;
    std::mutex m_lock;
    std::vector<TransferEvent> m_events;
    std::vector<std::unique_ptr<Transfer>> m_starting;
    std::vector<int> m_cancelling;
    bool m_stopping = false;
    int m_nextId = 1;
    // Only the transfer thread touches these.
    void* m_multi = nullptr;
    std::vector<std::unique_ptr<Transfer>> m_running;
    std::condition_variable m_ready;
    std::thread m_thread;
};

} // namespace quillo
