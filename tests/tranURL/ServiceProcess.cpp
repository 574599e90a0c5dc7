#include "ServiceProcess.h"

#include <QRegularExpression>

namespace quillo::test {

namespace {

constexpr int kStartLimitMs = 20000;
constexpr int kStopLimitMs = 5000;

} // namespace

QString ServiceProcess::executable()
{
    return QStringLiteral(QUILLO_BINARY_DIR "/server/quillo-server");
}

ServiceProcess::ServiceProcess(const QStringList& extraArguments)
    : m_previousService(qgetenv("QUILLO_SERVICE"))
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(executable(), QStringList{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                                              QStringLiteral("--backend"), QStringLiteral("echo"),
                                              QStringLiteral("--data"), m_data.path(), QStringLiteral("--quiet")}
                                      + extraArguments);
    if (!m_process.waitForStarted(kStartLimitMs)) {
        m_failure = m_process.errorString();
        return;
    }
    while (!m_process.canReadLine() && m_process.waitForReadyRead(kStartLimitMs)) {
    }
    const QString line = QString::fromUtf8(m_process.readLine());
    const auto match = QRegularExpression(QStringLiteral("^quillo-server listening on 127\\.0\\.0\\.1:(\\d+)\\n$"))
                           .match(line);
    if (!match.hasMatch()) {
        m_failure = QStringLiteral("unexpected first line: ") + line;
        return;
    }
    m_port = match.captured(1).toInt();
    qputenv("QUILLO_SERVICE", base().toUtf8());
}

ServiceProcess::~ServiceProcess()
{
    if (m_previousService.isEmpty())
        qunsetenv("QUILLO_SERVICE");
    else
        qputenv("QUILLO_SERVICE", m_previousService);
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(kStopLimitMs))
        m_process.kill();
    m_process.waitForFinished(kStopLimitMs);
}

QString ServiceProcess::base() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

} // namespace quillo::test
