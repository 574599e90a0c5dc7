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
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstdio>
#include <memory>

namespace quillo::test {

namespace {

constexpr int kProgramLimitMs = 10000;

} // namespace

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
    ChildProcess process(QStringLiteral("/bin/true"), {});
    process.waitForExit(kProgramLimitMs);
    return process.pid();
}

// ---------------------------------------------------------------------------------------------

QuilloServer::QuilloServer()
    : m_server(QStringLiteral("echo"), {}, ChildOptions{ChildOptions::Channel::Discard, ChildOptions::Channel::Discard})
{
}

QString QuilloServer::versionFile() const
{
    return QDir(dataDir()).filePath(QStringLiteral("release/qoversion.txt"));
}

bool QuilloServer::publish(const QString& program, const QString& version, const QString& signKeyFile)
{
    QStringList arguments{QStringLiteral("publish"), QStringLiteral("--data"), dataDir(), program,
                          QStringLiteral("--version"), version};
    if (!signKeyFile.isEmpty())
        arguments << QStringLiteral("--sign-key") << signKeyFile;
    return RunQuilloServerCommand(arguments).succeeded();
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
