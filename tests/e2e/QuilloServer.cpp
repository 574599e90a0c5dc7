#include "QuilloServer.h"

#include <QDeadlineTimer>

namespace quillo::test {

namespace {

constexpr int kStartMs = 20000;
const QByteArray kListening = "quillo-server listening on ";

} // namespace

QuilloServer::QuilloServer(const QString& backend)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(QUILLO_BINARY_DIR "/server/quillo-server"),
                    {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--backend"), backend,
                     QStringLiteral("--data"), m_data.path(), QStringLiteral("--quiet")});
    if (!m_process.waitForStarted(kStartMs)) {
        m_failure = m_process.errorString();
        return;
    }
    const QDeadlineTimer deadline(kStartMs);
    while (!m_process.canReadLine() && !deadline.hasExpired() && m_process.state() == QProcess::Running)
        m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    const QByteArray line = m_process.readLine().trimmed();
    if (!line.startsWith(kListening)) {
        m_failure = QStringLiteral("unexpected first line: ") + QString::fromUtf8(line);
        return;
    }
    m_base = QStringLiteral("http://") + QString::fromUtf8(line.mid(kListening.size()));
}

QuilloServer::~QuilloServer()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(kStartMs))
        m_process.kill();
    m_process.waitForFinished();
}

} // namespace quillo::test
