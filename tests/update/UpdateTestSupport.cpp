#include "UpdateTestSupport.h"

#include "ui/TSkinMessage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstdio>
#include <memory>

namespace quillo::test {

bool WaitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return done();
}

QByteArray ReadAll(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& fileName, const QByteArray& content)
{
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

qint64 EndedProcessId()
{
    QProcess process;
    process.start(QStringLiteral("/bin/true"), {});
    process.waitForStarted();
    const qint64 pid = process.processId();
    process.waitForFinished();
    return pid;
}

// ---------------------------------------------------------------------------------------------

QuilloServer::QuilloServer()
{
    m_process.setStandardErrorFile(QProcess::nullDevice());
    m_process.start(QStringLiteral(QUILLO_SERVER_PROGRAM),
                    {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--backend"),
                     QStringLiteral("echo"), QStringLiteral("--quiet"), QStringLiteral("--data"), m_data.path()});
    QByteArray line;
    QDeadlineTimer deadline(15000);
    while (!line.contains('\n') && m_process.waitForReadyRead(int(deadline.remainingTime())))
        line += m_process.readAllStandardOutput();
    static const QRegularExpression listening(QStringLiteral("^quillo-server listening on 127\\.0\\.0\\.1:(\\d+)"));
    const auto match = listening.match(QString::fromUtf8(line));
    if (match.hasMatch())
        m_port = match.captured(1).toInt();
    // Anything it prints later is not read; dropping it keeps the pipe from filling up.
    QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_process,
                     [this] { m_process.readAllStandardOutput(); });
}

QuilloServer::~QuilloServer()
{
    m_process.terminate();
    if (!m_process.waitForFinished(5000))
        m_process.kill();
    m_process.waitForFinished(5000);
}

QString QuilloServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

QString QuilloServer::versionFile() const
{
    return m_data.filePath(QStringLiteral("release/qoversion.txt"));
}

bool QuilloServer::publish(const QString& program, const QString& version, const QString& signKeyFile)
{
    QStringList arguments{QStringLiteral("publish"), QStringLiteral("--data"), m_data.path(), program,
                          QStringLiteral("--version"), version};
    if (!signKeyFile.isEmpty())
        arguments << QStringLiteral("--sign-key") << signKeyFile;
    QProcess publisher;
    publisher.start(QStringLiteral(QUILLO_SERVER_PROGRAM), arguments);
    return publisher.waitForFinished(15000) && publisher.exitStatus() == QProcess::NormalExit
        && publisher.exitCode() == 0;
}

QByteArray QuilloServer::versionText() const
{
    return ReadAll(versionFile());
}

void QuilloServer::setVersionText(const QByteArray& text) const
{
    QDir().mkpath(QFileInfo(versionFile()).path());
    WriteAll(versionFile(), text);
}

void QuilloServer::setVersionValue(const QByteArray& key, const QByteArray& value) const
{
    QList<QByteArray> lines = versionText().split('\n');
    for (QByteArray& line : lines) {
        if (line.startsWith(key + '=')) {
            line = key + '=' + value + '\r';
            break;
        }
    }
    setVersionText(lines.join('\n'));
}

// ---------------------------------------------------------------------------------------------

SigningKey SigningKey::generate(const QString& folder, const QString& name)
{
    SigningKey result;
    std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> ctx(EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr),
                                                                     EVP_PKEY_CTX_free);
    EVP_PKEY* raw = nullptr;
    if (!ctx || EVP_PKEY_keygen_init(ctx.get()) != 1 || EVP_PKEY_keygen(ctx.get(), &raw) != 1)
        return result;
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(raw, EVP_PKEY_free);
    QByteArray publicKey(32, '\0');
    size_t length = size_t(publicKey.size());
    if (EVP_PKEY_get_raw_public_key(key.get(), reinterpret_cast<unsigned char*>(publicKey.data()), &length) != 1)
        return result;
    const QString pem = QDir(folder).filePath(name);
    std::unique_ptr<FILE, decltype(&std::fclose)> out(std::fopen(QFile::encodeName(pem).constData(), "wb"),
                                                      std::fclose);
    if (!out || PEM_write_PrivateKey(out.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1)
        return result;
    result.pemFile = pem;
    result.publicBase64 = publicKey.toBase64();
    return result;
}

// ---------------------------------------------------------------------------------------------

RawHttpServer::RawHttpServer()
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        }
    });
}

QString RawHttpServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
}

QByteArray RawHttpServer::response(const QByteArray& body, bool withLength)
{
    QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n";
    head += withLength ? "Content-Length: " + QByteArray::number(body.size()) + "\r\n" : QByteArray("Connection: close\r\n");
    return head + "\r\n" + body;
}

void RawHttpServer::serve(QTcpSocket* socket)
{
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    const qsizetype end = request.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    socket->setProperty("request", QByteArray());
    const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
    const QString path = words.size() > 1 ? QString::fromLatin1(words[1]) : QString();
    requests << path;
    const auto route = m_routes.constFind(path);
    if (route == m_routes.constEnd()) {
        socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
        return;
    }
    socket->write(route->bytes);
    socket->flush();
    if (!route->stall)
        socket->disconnectFromHost();
}

// ---------------------------------------------------------------------------------------------

BoxCatcher::BoxCatcher()
{
    QCoreApplication::instance()->installEventFilter(this);
}

BoxCatcher::~BoxCatcher()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

bool BoxCatcher::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show) {
        if (auto* box = qobject_cast<SkinMessageDialog*>(watched)) {
            captions << box->windowTitle();
            const auto* text = box->findChild<QLabel*>(QStringLiteral("MessageText"));
            texts << (text ? text->text() : QString());
            QStringList names;
            for (const QAbstractButton* button : box->findChildren<QAbstractButton*>())
                names << button->objectName();
            buttons << names.join(u',');
            if (whileShown)
                whileShown();
            // Queued, so that it runs inside the box's own loop, as a click would.
            QMetaObject::invokeMethod(box->defaultButton(), "click", Qt::QueuedConnection);
        }
    }
    return false;
}

} // namespace quillo::test
