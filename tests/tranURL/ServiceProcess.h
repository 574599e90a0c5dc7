#pragma once
// quillo-server as the program meets it: the real process on a free loopback port, with the echo
// backend and a data folder of its own, and QUILLO_SERVICE pointing at it while it runs.
#include "QuilloServerProcess.h"

#include <QByteArray>
#include <QStringList>

namespace quillo::test {

class ServiceProcess : public FreshQuilloServer
{
public:
    // Starts the server with `extraArguments` after the usual ones.
    explicit ServiceProcess(const QStringList& extraArguments = {});
    ~ServiceProcess();
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

private:
    QByteArray m_previousService;
};

} // namespace quillo::test
