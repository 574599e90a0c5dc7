#pragma once
// quillo-server run as its own process on a free loopback port, as a deployer runs it, with a
// fresh data folder. Stopped (SIGTERM, then waited for) when destroyed.
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace quillo::test {

class QuilloServer
{
public:
    explicit QuilloServer(const QString& backend = QStringLiteral("echo"));
    ~QuilloServer();
    QuilloServer(const QuilloServer&) = delete;
    QuilloServer& operator=(const QuilloServer&) = delete;

    // "http://127.0.0.1:PORT", empty when the server did not come up.
    QString base() const { return m_base; }
    // What went wrong when base() is empty.
    QString failure() const { return m_failure; }

private:
    QTemporaryDir m_data;
    QProcess m_process;
    QString m_base;
    QString m_failure;
};

} // namespace quillo::test
