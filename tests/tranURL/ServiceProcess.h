#pragma once
// quillo-server as the program meets it: the real process on a free loopback port, with the echo
// backend and a data folder of its own, and QUILLO_SERVICE pointing at it while it runs.
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace quillo::test {

class ServiceProcess
{
public:
    // Starts the server with `extraArguments` after the usual ones; started() tells whether it
    // came up and printed its address.
    explicit ServiceProcess(const QStringList& extraArguments = {});
    ~ServiceProcess();
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    bool started() const { return m_port > 0; }
    // Why it did not start, for the test's failure message.
    QString failure() const { return m_failure; }
    int port() const { return m_port; }
    // "http://127.0.0.1:PORT"
    QString base() const;

    static QString executable();

private:
    QTemporaryDir m_data;
    QProcess m_process;
    QByteArray m_previousService;
    int m_port = 0;
    QString m_failure;
};

} // namespace quillo::test
