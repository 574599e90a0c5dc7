#include "QuilloServerProcess.h"

#include <QRegularExpression>

namespace quillo::test {

namespace {

// Generous: under ThreadSanitizer the server takes seconds to come up.
constexpr int kStartLimitMs = 30000;
constexpr int kStopGraceMs = 5000;
constexpr int kCommandLimitMs = 60000;

} // namespace

QString QuilloServerProcess::program()
{
    return QStringLiteral(QUILLO_SERVER_PROGRAM);
}

QuilloServerProcess::QuilloServerProcess(const QStringList& arguments, const ChildOptions& options)
    // No test server forwards feedback anywhere, whatever the build names, unless a test says where.
    : m_process(program(),
                QStringList{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--feedback-upstream"),
                            QString()}
                    + arguments,
                options)
{
    if (!m_process.started()) {
        m_failure = m_process.startError();
        return;
    }
    const std::optional<QByteArray> line = m_process.readLine(kStartLimitMs);
    static const QRegularExpression listening(QStringLiteral("^quillo-server listening on 127\\.0\\.0\\.1:(\\d+)$"));
    const auto match = listening.match(QString::fromUtf8(line.value_or(QByteArray())));
    if (match.hasMatch())
        m_port = match.captured(1).toInt();
    else if (line)
        m_failure = QStringLiteral("unexpected first line: ") + QString::fromUtf8(*line);
    else
        m_failure = QStringLiteral("no first line; output: ") + QString::fromUtf8(m_process.takeOutput());
}

QuilloServerProcess::~QuilloServerProcess()
{
    m_process.stop(kStopGraceMs);
}

QString QuilloServerProcess::base() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

RunResult RunQuilloServerCommand(const QStringList& arguments)
{
    return RunToEnd(QuilloServerProcess::program(), arguments, kCommandLimitMs);
}

FreshQuilloServer::FreshQuilloServer(const QString& backend, const QStringList& extraArguments,
                                     const ChildOptions& options)
    : m_server(QStringList{QStringLiteral("--backend"), backend, QStringLiteral("--data"), m_data.path(),
                           QStringLiteral("--quiet")}
                   + extraArguments,
               options)
{
}

} // namespace quillo::test
