#pragma once
// What the update tests run against: quillo-server as a separate process on a free loopback port
// (its release folder filled by its own publish command or by hand), a raw loopback server for
// replies quillo-server never gives, a signing key, and a catcher for the message boxes.
#include "QuilloServerProcess.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QStringList>
#include <QTcpServer>

#include <functional>

class QTcpSocket;

namespace quillo::test {

// Handles events until `done` holds or `timeoutMs` has passed; returns `done()`.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 10000);

QByteArray ReadAll(const QString& fileName);
bool WriteAll(const QString& fileName, const QByteArray& content);

// The id of a process that has ended and been reaped: a swap told to wait for it goes ahead.
qint64 EndedProcessId();

class QuilloServer
{
public:
    QuilloServer();

    bool running() const { return m_server.listening(); }
    QString baseUrl() const { return m_server.base(); }
    QString dataDir() const { return m_server.dataDir(); }
    QString versionFile() const;

    // `quillo-server publish`; the release of `version` serves `program` under its file name.
    bool publish(const QString& program, const QString& version, const QString& signKeyFile = {});
    // The version file on the server's disk, "{BASE}" placeholders and all.
    QByteArray versionText() const;
    void setVersionText(const QByteArray& text) const;
    // Replaces the first line starting with `key=` in the version file.
    void setVersionValue(const QByteArray& key, const QByteArray& value) const;

private:
    FreshQuilloServer m_server;
};

// An Ed25519 key pair: the private key as a PEM file for `publish --sign-key`, the public key as
// the program is built with it.
struct SigningKey
{
    QString pemFile;
    QByteArray publicBase64;
    static SigningKey generate(const QString& folder, const QString& name);
};

// Answers each request by its path with raw bytes; a reply may stop part-way and hold the
// connection open (`stall`) until the server goes away.
class RawHttpServer : public QObject
{
    Q_OBJECT
public:
    struct Reply
    {
        QByteArray bytes;
        bool stall = false;
    };
    RawHttpServer();

    QString url(const QString& path) const;
    void route(const QString& path, Reply reply) { m_routes.insert(path, reply); }
    QStringList requests;

    static QByteArray response(const QByteArray& body, bool withLength = true);

private:
    void serve(QTcpSocket* socket);

    QTcpServer m_server;
    QMap<QString, Reply> m_routes;
};

// Notes every message box shown (caption, text and buttons) and closes it as a user's OK would.
class BoxCatcher : public QObject
{
public:
    BoxCatcher();
    ~BoxCatcher() override;

    QStringList captions;
    QStringList texts;
    // Per box, the object names of its buttons joined by commas ("mbOK").
    QStringList buttons;
    // Runs while each box is up, before it is answered.
    std::function<void()> whileShown;
    void clear()
    {
        captions.clear();
        texts.clear();
        buttons.clear();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace quillo::test
