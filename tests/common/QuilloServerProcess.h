#pragma once
// quillo-server as its own process on a free loopback port, as a deployer runs it: started with
// "--listen 127.0.0.1:0" ahead of the caller's arguments, its first line ("quillo-server listening
// on 127.0.0.1:PORT") read for the port. Stopped with SIGTERM, then SIGKILL, when destroyed.
#include "ChildProcess.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

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

} // namespace quillo::test
