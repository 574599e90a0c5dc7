#pragma once
// A scriptable HTTP server on 127.0.0.1 for the component's tests: every connection runs the
// test's script on a thread of its own, so a test can stall, cut a reply short or answer late
// while its own thread is blocked in Read.
#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace quillo::test {

class LoopbackServer;

class Connection {
public:
    Connection(int socket, LoopbackServer& server) : m_socket(socket), m_server(server) {}
    // The next request (head and body); empty when the client went away.
    QByteArray readRequest();
    void send(const QByteArray& data);
    // A complete reply with Content-Length.
    void reply(int status, const QByteArray& body, const QByteArray& extraHeaders = {});
    // Blocks until the test opens the gate (or the server stops).
    void waitForGate();
    void close();

private:
    int m_socket;
    LoopbackServer& m_server;
    QByteArray m_pending;
};

class LoopbackServer {
public:
    using Script = std::function<void(Connection&)>;
    explicit LoopbackServer(Script script);
    ~LoopbackServer();

    quint16 port() const { return m_port; }
    QString url(const QString& path = QStringLiteral("/")) const;
    QList<QByteArray> requests() const;
    int requestCount() const;
    void openGate();
    // Number of scripts that have returned.
    int finishedScripts() const { return m_finished.load(); }

    // A port on 127.0.0.1 that nothing listens on.
    static quint16 refusedPort();

private:
    friend class Connection;
    void acceptLoop();
    void record(const QByteArray& request);
    bool gateOpen() const;

    Script m_script;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_finished{0};
    std::thread m_acceptor;
    std::vector<std::thread> m_handlers;
    std::vector<int> m_sockets;
    mutable std::mutex m_lock;
    std::condition_variable m_gateChanged;
    bool m_gate = false;
    QList<QByteArray> m_requests;
};

// A header's value in a raw request, empty when absent.
QByteArray headerValue(const QByteArray& request, const QByteArray& name);
QByteArray bodyOf(const QByteArray& request);

} // namespace quillo::test
