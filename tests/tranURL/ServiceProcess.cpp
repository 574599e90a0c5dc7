#include "ServiceProcess.h"

namespace quillo::test {

ServiceProcess::ServiceProcess(const QStringList& extraArguments)
    : FreshQuilloServer(QStringLiteral("echo"), extraArguments)
    , m_previousService(qgetenv("QUILLO_SERVICE"))
{
    if (listening())
        qputenv("QUILLO_SERVICE", base().toUtf8());
}

ServiceProcess::~ServiceProcess()
{
    if (m_previousService.isEmpty())
        qunsetenv("QUILLO_SERVICE");
    else
        qputenv("QUILLO_SERVICE", m_previousService);
}

} // namespace quillo::test
