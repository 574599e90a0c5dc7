#pragma once
// quillo-server as its own process on a free loopback port, as a deployer runs it: started with
// "--listen 127.0.0.1:0" ahead of the caller's arguments, its first line ("quillo-server listening
// on 127.0.0.1:PORT") read for the port. Stopped with SIGTERM, then SIGKILL, when destroyed.
#include "ChildProcess.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace quillo::test {

class QuilloServerProcess
{
public:
    explicit QuilloServerProcess(const QStringList& arguments, const ChildOptions& options = {});
    ~QuilloServerProcess();
    QuilloServerProcess(const QuilloServerProcess&) = delete;
    QuilloServerProcess& operator=(const QuilloServerProcess&) = delete;

    bool listening() const { return m_port > 0; }
    int port() const { return m_port; }
    // "http://127.0.0.1:PORT"
    QString base() const;
    // Why it is not listening, for the test's failure message.
    QString failure() const { return m_failure; }
    ChildProcess& process() { return m_process; }

    static QString program();

private:
    ChildProcess m_process;
    int m_port = 0;
    QString m_failure;
};

// One of quillo-server's commands ("publish", "feedback", ...) run to its end.
RunResult RunQuilloServerCommand(const QStringList& arguments);

// The usual end-to-end server: quillo-server with `backend` ("echo" answers "[<target>] <text>"),
// a fresh data folder of its own, and no log of each request.
class FreshQuilloServer
{
public:
    explicit FreshQuilloServer(const QString& backend = QStringLiteral("echo"), const QStringList& extraArguments = {},
                               const ChildOptions& options = {});

    bool listening() const { return m_server.listening(); }
    int port() const { return m_server.port(); }
    QString base() const { return m_server.base(); }
    QString failure() const { return m_server.failure(); }
    QString dataDir() const { return m_data.path(); }

private:
    // Declared first: the folder goes only after the server has stopped.
    QTemporaryDir m_data;
    QuilloServerProcess m_server;
};

} // namespace quillo::test
