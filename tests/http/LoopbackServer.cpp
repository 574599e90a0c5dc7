#include "LoopbackServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace quillo::test {

namespace {

constexpr int kPollMs = 20;
constexpr int kReadGiveUpMs = 10000;

int listenOnLoopback(quint16& port)
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    const int yes = 1;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(s, 64);
    socklen_t len = sizeof addr;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
    port = ntohs(addr.sin_port);
    return s;
}

qsizetype announcedLength(const QByteArray& head)
{
    const QByteArray value = headerValue(head, "Content-Length");
    return value.isEmpty() ? 0 : value.toLongLong();
}

} // namespace

QByteArray headerValue(const QByteArray& request, const QByteArray& name)
{
    const qsizetype end = request.indexOf("\r\n\r\n");
    const QList<QByteArray> lines = request.left(end < 0 ? request.size() : end).split('\n');
    const QByteArray wanted = name.toLower() + ':';
    for (const QByteArray& raw : lines) {
        const QByteArray line = raw.trimmed();
        if (line.toLower().startsWith(wanted))
            return line.mid(wanted.size()).trimmed();
    }
    return {};
}

QByteArray bodyOf(const QByteArray& request)
{
    const qsizetype end = request.indexOf("\r\n\r\n");
    return end < 0 ? QByteArray() : request.mid(end + 4);
}

QByteArray Connection::readRequest()
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadGiveUpMs);
    char buffer[65536];
    for (;;) {
        const qsizetype headEnd = m_pending.indexOf("\r\n\r\n");
        if (headEnd >= 0) {
            const qsizetype total = headEnd + 4 + announcedLength(m_pending.left(headEnd + 4));
            if (m_pending.size() >= total) {
                const QByteArray request = m_pending.left(total);
                m_pending.remove(0, total);
                m_server.record(request);
                return request;
            }
        }
        if (m_server.m_stop || std::chrono::steady_clock::now() > deadline)
            return {};
        pollfd p{m_socket, POLLIN, 0};
        if (::poll(&p, 1, kPollMs) <= 0)
            continue;
        const ssize_t n = ::recv(m_socket, buffer, sizeof buffer, 0);
        if (n <= 0)
            return {};
        m_pending.append(buffer, n);
    }
}

void Connection::send(const QByteArray& data)
{
    qsizetype sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(m_socket, data.constData() + sent, size_t(data.size() - sent), MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += n;
    }
}

void Connection::reply(int status, const QByteArray& body, const QByteArray& extraHeaders)
{
    send("HTTP/1.1 " + QByteArray::number(status) + " Reason\r\nContent-Length: "
         + QByteArray::number(body.size()) + "\r\n" + extraHeaders + "\r\n" + body);
}

void Connection::waitForGate()
{
    std::unique_lock lock(m_server.m_lock);
    m_server.m_gateChanged.wait(lock, [&] { return m_server.m_gate || m_server.m_stop; });
}

void Connection::close()
{
    ::shutdown(m_socket, SHUT_RDWR);
}

LoopbackServer::LoopbackServer(Script script) : m_script(std::move(script))
{
    m_listener = listenOnLoopback(m_port);
    m_acceptor = std::thread([this] { acceptLoop(); });
}

LoopbackServer::~LoopbackServer()
{
    {
        std::lock_guard guard(m_lock);
        m_stop = true;
    }
    m_gateChanged.notify_all();
    m_acceptor.join();
    for (std::thread& t : m_handlers)
        t.join();
    for (int s : m_sockets)
        ::close(s);
    ::close(m_listener);
}

QString LoopbackServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
}

QList<QByteArray> LoopbackServer::requests() const
{
    std::lock_guard guard(m_lock);
    return m_requests;
}

int LoopbackServer::requestCount() const
{
    std::lock_guard guard(m_lock);
    return int(m_requests.size());
}

void LoopbackServer::openGate()
{
    {
        std::lock_guard guard(m_lock);
        m_gate = true;
    }
    m_gateChanged.notify_all();
}

quint16 LoopbackServer::refusedPort()
{
    quint16 port = 0;
    const int s = listenOnLoopback(port);
    ::close(s);
    return port;
}

void LoopbackServer::acceptLoop()
{
    while (!m_stop) {
        pollfd p{m_listener, POLLIN, 0};
        if (::poll(&p, 1, kPollMs) <= 0)
            continue;
        const int s = ::accept(m_listener, nullptr, nullptr);
        if (s < 0)
            continue;
        m_sockets.push_back(s);
        m_handlers.emplace_back([this, s] {
            Connection connection(s, *this);
            m_script(connection);
            connection.close();
            ++m_finished;
        });
    }
}

void LoopbackServer::record(const QByteArray& request)
{
    std::lock_guard guard(m_lock);
    m_requests.append(request);
}

} // namespace quillo::test
