// TWebRequest against real sockets on 127.0.0.1: every outcome the windows rely on, staged by a
// scripted server.
#include "EventRecorder.h"
#include "LoopbackServer.h"

#include "http/TWebRequest.h"
#include "http/WaitActivity.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QTemporaryDir>
#include <QTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace quillo;
using namespace quillo::test;

namespace {

// A component set up as the main window sets its own: Read waits until the request has ended.
std::unique_ptr<TWebRequest> waitingRequest(const QString& url)
{
    auto r = std::make_unique<TWebRequest>();
    r->setURL(url);
    r->setWaitThread(true);
    return r;
}

LoopbackServer::Script answer(int status, const QByteArray& body, const QByteArray& headers = {})
{
    return [=](Connection& c) {
        if (!c.readRequest().isEmpty())
            c.reply(status, body, headers);
    };
}

// Sends `first`, waits until the test opens the gate, then sends `rest`.
LoopbackServer::Script stallBetween(const QByteArray& first, const QByteArray& rest)
{
    return [=](Connection& c) {
        if (c.readRequest().isEmpty())
            return;
        c.send(first);
        c.waitForGate();
        c.send(rest);
    };
}

// Lets a stalled server finish and gives whatever it sent time to arrive.
void releaseAndSettle(LoopbackServer& server)
{
    server.openGate();
    ASSERT_TRUE(pumpUntil([&] { return server.finishedScripts() == 1; }));
    pumpFor(200);
}

QByteArray bigBody(int size)
{
    QByteArray body(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        body[i] = char('a' + i % 26);
    return body;
}

} // namespace

TEST(WebRequest, SuccessfulRepliesWithAndWithoutLength)
{
    LoopbackServer withLength(answer(200, "hello, world", "Content-Type: text/plain\r\n"));
    auto r = waitingRequest(withLength.url(QStringLiteral("/page?x=1")));
    EventRecorder rec(*r);
    EXPECT_TRUE(r->Read());
    EXPECT_EQ(rec.events, QStringList{QStringLiteral("Done")});
    EXPECT_EQ(rec.body, "hello, world");
    EXPECT_EQ(rec.contentType, QStringLiteral("text/plain"));
    EXPECT_EQ(rec.fileSize, 12);
    EXPECT_FALSE(rec.busyDuringCompletion);
    EXPECT_TRUE(rec.onGuiThread);
    EXPECT_EQ(r->LastStatusCode(), 200);
    EXPECT_TRUE(withLength.requests().value(0).startsWith("GET /page?x=1 HTTP/1.1\r\n"));

    // Without a length the reply ends with the connection, and stays in memory even when an
    // output file is named.
    QTemporaryDir dir;
    LoopbackServer closeDelimited([](Connection& c) {
        if (!c.readRequest().isEmpty())
            c.send("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nuntil the end");
    });
    auto s = waitingRequest(closeDelimited.url());
    s->setOutputFileName(dir.filePath(QStringLiteral("out.bin")));
    EventRecorder rec2(*s);
    EXPECT_TRUE(s->Read());
    EXPECT_EQ(rec2.events, QStringList{QStringLiteral("Done")});
    EXPECT_EQ(rec2.body, "until the end");
    EXPECT_FALSE(QFile::exists(s->OutputFileName()));

    // Without a length there is nothing to compare with: a reply cut short is what arrived.
    LoopbackServer cutChunked([](Connection& c) {
        if (!c.readRequest().isEmpty())
            c.send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nfirst\r\n9\r\nsec");
    });
    auto t = waitingRequest(cutChunked.url());
    EventRecorder rec3(*t);
    t->Read();
    EXPECT_EQ(rec3.events, QStringList{QStringLiteral("Done")});
    EXPECT_TRUE(rec3.body.startsWith("first"));
}

TEST(WebRequest, FailuresReachTheirEvents)
{
    // Nothing listens: the request fails before any status.
    auto refused = waitingRequest(QStringLiteral("http://127.0.0.1:%1/").arg(LoopbackServer::refusedPort()));
    EventRecorder rec(*refused);
    EXPECT_TRUE(refused->Read());
    EXPECT_EQ(rec.events, (QStringList{QStringLiteral("AnyError"), QStringLiteral("HostUnreachable")}));
    EXPECT_EQ(refused->LastStatusCode(), -1);
    EXPECT_FALSE(refused->Busy());

    // Offline serves from a cache, and there is none: nothing goes out.
    LoopbackServer unused(answer(200, "never"));
    auto offline = waitingRequest(unused.url());
    offline->setWorkOffline(true);
    EventRecorder recOffline(*offline);
    offline->Read();
    EXPECT_EQ(recOffline.events, (QStringList{QStringLiteral("AnyError"), QStringLiteral("HostUnreachable")}));
    EXPECT_EQ(unused.requestCount(), 0);

    // A 404 page is read completely and handed over.
    LoopbackServer notFound(answer(404, "<h1>missing</h1>"));
    auto r404 = waitingRequest(notFound.url());
    EventRecorder rec404(*r404);
    r404->Read();
    EXPECT_EQ(rec404.events, (QStringList{QStringLiteral("AnyError"), QStringLiteral("HTTPError 404")}));
    EXPECT_EQ(rec404.body, "<h1>missing</h1>");

    // A ranged request answered with 206 is not a success either; the bytes are in the stream.
    LoopbackServer partial(answer(206, "klmnopqrstu", "Content-Range: bytes 10-20/100\r\n"));
    auto r206 = waitingRequest(partial.url());
    r206->Range().setStartRange(10);
    r206->Range().setEndRange(20);
    EventRecorder rec206(*r206);
    r206->Read();
    EXPECT_EQ(rec206.events, (QStringList{QStringLiteral("AnyError"), QStringLiteral("HTTPError 206")}));
    EXPECT_EQ(rec206.body, "klmnopqrstu");
    EXPECT_EQ(headerValue(partial.requests().value(0), "Range"), "bytes=10-20");
}

TEST(WebRequest, ShortReplyIsConnLostAndItsFileGoes)
{
    QTemporaryDir dir;
    LoopbackServer server([](Connection& c) {
        if (!c.readRequest().isEmpty())
            c.send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + QByteArray(300, 'x'));
    });
    auto r = waitingRequest(server.url());
    r->setOutputFileName(dir.filePath(QStringLiteral("short.bin")));
    EventRecorder rec(*r);
    r->Read();
    EXPECT_EQ(rec.events, (QStringList{QStringLiteral("AnyError"), QStringLiteral("ConnLost")}));
    EXPECT_EQ(rec.fileSize, 1000);
    EXPECT_EQ(rec.bytesRead, 300);
    EXPECT_EQ(rec.body, QByteArray(300, 'x'));
    EXPECT_TRUE(rec.fileExistedDuringEvent);
    EXPECT_FALSE(QFile::exists(r->OutputFileName())) << "a short download must not stay behind";

    // A 404 written to a file: the page is there during the event, gone afterwards.
    LoopbackServer notFound(answer(404, "error page"));
    auto r404 = waitingRequest(notFound.url());
    r404->setOutputFileName(dir.filePath(QStringLiteral("page.html")));
    EventRecorder rec404(*r404);
    r404->Read();
    EXPECT_EQ(rec404.fileDuringEvent, "error page");
    EXPECT_FALSE(QFile::exists(r404->OutputFileName()));
}

TEST(WebRequest, AnOutputFileThatCannotBeCreated)
{
    LoopbackServer server(answer(200, "payload"));
    auto r = waitingRequest(server.url());
    r->setOutputFileName(QStringLiteral("/nonexistent-folder/quillo/out.bin"));
    EventRecorder rec(*r);
    r->Read();
    EXPECT_EQ(rec.events, QStringList{QStringLiteral("AnyError")});
}

TEST(WebRequest, DownloadToFileIsCompleteAndClosedDuringOnDone)
{
    QTemporaryDir dir;
    const QByteArray body = bigBody(300000);
    LoopbackServer server(answer(200, body));
    auto r = waitingRequest(server.url());
    const QString target = dir.filePath(QStringLiteral("program.exe~"));
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(1000000, 'o')); // an older, longer file is replaced, not overwritten in part
    old.close();
    r->setOutputFileName(target);
    EventRecorder rec(*r, true);
    r->Read();
    EXPECT_EQ(rec.events, (QStringList{QStringLiteral("Progress"), QStringLiteral("Done")}));
    EXPECT_TRUE(rec.streamWasNull);
    EXPECT_EQ(rec.fileSize, body.size());
    EXPECT_EQ(rec.fileDuringEvent, body);
    QFile result(target);
    ASSERT_TRUE(result.open(QIODevice::ReadOnly));
    EXPECT_EQ(result.readAll(), body);
}

TEST(WebRequest, ProgressReportsEveryBlock)
{
    const QByteArray body = bigBody(10000);
    LoopbackServer server(answer(200, body));
    auto r = waitingRequest(server.url());
    r->setTransferBufferSize(100); // below the minimum: 255
    EXPECT_EQ(r->TransferBufferSize(), 255u);
    qint64 last = 0;
    int blocks = 0;
    bool monotonic = true;
    quint8 lastPercent = 0;
    qint64 dataSize = 0;
    QByteArray seen;
    r->OnProgress = [&](QObject* sender, const QString&, qint64 size, qint64 read, qint32, qint32, quint8 percent,
                        float, QIODevice* stream) {
        monotonic = monotonic && sender == r.get() && read > last && read - last <= 255;
        last = read;
        ++blocks;
        lastPercent = percent;
        dataSize = size;
        // The stream stands just after the bytes so far; reading it must not disturb the rest.
        monotonic = monotonic && stream->pos() == read;
        stream->seek(0);
        seen = stream->readAll();
    };
    QByteArray done;
    r->OnDone = [&](QObject*, const QString&, qint64, QIODevice* stream) { done = stream->readAll(); };
    r->Read();
    EXPECT_TRUE(monotonic);
    EXPECT_GE(blocks, 10000 / 255);
    EXPECT_EQ(lastPercent, 100);
    EXPECT_EQ(dataSize, 10000);
    EXPECT_EQ(seen, body);
    EXPECT_EQ(done, body);
}

// Many blocks of one read are reported in one go; a handler that aborts stops the rest of them
// from being stored or reported.
TEST(WebRequest, AbortFromAProgressEventStopsTheBlocksAfterIt)
{
    LoopbackServer server(answer(200, bigBody(10000)));
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("out.bin"));
    auto r = waitingRequest(server.url());
    r->setTransferBufferSize(255);
    r->setOutputFileName(target);
    QList<qint64> reads;
    r->OnProgress = [&](QObject*, const QString&, qint64, qint64 read, qint32, qint32, quint8, float, QIODevice*) {
        reads << read;
        if (reads.size() == 3)
            r->Abort();
    };
    r->Read();
    pumpFor(100);
    EXPECT_EQ(reads, (QList<qint64>{255, 510, 765}));
    EXPECT_EQ(QFile(target + QStringLiteral(".part")).size(), 765);
}

TEST(WebRequest, HeaderInfoAndOversizedHeaders)
{
    LoopbackServer server(answer(200, "body",
                                 "Content-Type: text/html; charset=utf-8\r\nContent-Language: zh-CN\r\n"
                                 "Content-Encoding: identity\r\nDate: Sun, 06 Nov 1994 08:49:37 GMT\r\n"
                                 "Location: /elsewhere\r\n"));
    auto r = waitingRequest(server.url());
    EventRecorder rec(*r);
    QString raw, type, language, encoding, location;
    qint64 length = -1;
    TDateTime date = 0, modified = -1;
    r->OnHeaderInfo = [&](QObject*, const QString& rawHeaders, const QString& t, const QString& l,
                          const QString& e, const QString& loc, qint64 len, TDateTime d, TDateTime m,
                          TDateTime, bool& continueDownload) {
        raw = rawHeaders;
        type = t;
        language = l;
        encoding = e;
        location = loc;
        length = len;
        date = d;
        modified = m;
        continueDownload = false;
    };
    r->Read();
    EXPECT_EQ(rec.events, QStringList{QStringLiteral("DoneInterrupted")});
    EXPECT_TRUE(raw.startsWith(QStringLiteral("HTTP/1.1 200 Reason\r\n")));
    EXPECT_TRUE(raw.endsWith(QStringLiteral("\r\n\r\n")));
    EXPECT_EQ(type, QStringLiteral("text/html; charset=utf-8"));
    EXPECT_EQ(language, QStringLiteral("zh-CN"));
    EXPECT_EQ(encoding, QStringLiteral("identity"));
    EXPECT_EQ(location, QStringLiteral("/elsewhere"));
    EXPECT_EQ(length, 4);
    EXPECT_GT(date, 34644);
    EXPECT_EQ(modified, 0);

    // A header value of 4096 bytes does not fit and counts as absent.
    LoopbackServer huge(answer(200, "x", "Content-Type: " + QByteArray(4096, 't') + "\r\n"));
    auto h = waitingRequest(huge.url());
    EventRecorder recHuge(*h);
    h->Read();
    EXPECT_EQ(recHuge.events, QStringList{QStringLiteral("Done")});
    EXPECT_TRUE(recHuge.contentType.isEmpty());
}

TEST(WebRequest, PasswordRequestRetriesWithNewCredentials)
{
    auto challengeOnce = [](Connection& c) {
        for (;;) {
            const QByteArray request = c.readRequest();
            if (request.isEmpty())
                return;
            if (headerValue(request, "Authorization").isEmpty())
                c.reply(401, "who are you", "WWW-Authenticate: Basic realm=\"Quillo Area\"\r\n");
            else
                c.reply(200, "welcome");
        }
    };
    // No handler: the 401 is the answer.
    LoopbackServer plain(challengeOnce);
    auto unhandled = waitingRequest(plain.url());
    EventRecorder recPlain(*unhandled);
    unhandled->Read();
    EXPECT_EQ(recPlain.events, (QStringList{QStringLiteral("AnyError"), QStringLiteral("HTTPError 401")}));
    EXPECT_EQ(recPlain.body, "who are you");

    // A handler that declines: the same.
    LoopbackServer declined(challengeOnce);
    auto no = waitingRequest(declined.url());
    EventRecorder recNo(*no);
    no->OnPasswordRequest = [](QObject*, const QString&, bool&) {};
    no->Read();
    EXPECT_EQ(recNo.events, (QStringList{QStringLiteral("AnyError"), QStringLiteral("HTTPError 401")}));

    LoopbackServer server(challengeOnce);
    auto r = waitingRequest(server.url());
    EventRecorder rec(*r);
    QString realm;
    r->OnPasswordRequest = [&](QObject*, const QString& realmText, bool& tryAgain) {
        realm = realmText;
        r->setUsername(QStringLiteral("alice"));
        r->setPassword(QStringLiteral("wonder"));
        tryAgain = true;
    };
    r->Read();
    EXPECT_EQ(realm, QStringLiteral("Quillo Area"));
    EXPECT_EQ(rec.events, QStringList{QStringLiteral("Done")});
    EXPECT_EQ(rec.body, "welcome");
    ASSERT_EQ(server.requestCount(), 2);
    EXPECT_EQ(headerValue(server.requests()[1], "Authorization"), "Basic " + QByteArray("alice:wonder").toBase64());
}

TEST(WebRequest, ProxyAuthenticationRetriesThroughTheProxy)
{
    LoopbackServer proxy([](Connection& c) {
        for (;;) {
            const QByteArray request = c.readRequest();
            if (request.isEmpty())
                return;
            if (headerValue(request, "Proxy-Authorization").isEmpty())
                c.reply(407, "", "Proxy-Authenticate: Basic realm=\"proxy\"\r\n");
            else
                c.reply(200, "via proxy");
        }
    });
    const quint16 target = LoopbackServer::refusedPort();
    auto r = waitingRequest(QStringLiteral("http://127.0.0.1:%1/through").arg(target));
    r->Proxy().setAccessType(atUseProxy);
    r->Proxy().setProxyServer(QStringLiteral("127.0.0.1"));
    r->Proxy().setProxyPort(proxy.port());
    r->Proxy().setProxyBypass(QString());
    EventRecorder rec(*r);
    int asked = 0;
    r->OnProxyAuthenticationRequest = [&](QObject*, QString& user, QString& password, bool& tryAgain) {
        ++asked;
        user = QStringLiteral("proxyuser");
        password = QStringLiteral("proxypass");
        tryAgain = true;
    };
    r->Read();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(rec.events, QStringList{QStringLiteral("Done")});
    ASSERT_EQ(proxy.requestCount(), 2);
    EXPECT_TRUE(proxy.requests()[1].startsWith("GET http://127.0.0.1:" + QByteArray::number(target) + "/through"));
    EXPECT_EQ(headerValue(proxy.requests()[1], "Proxy-Authorization"),
              "Basic " + QByteArray("proxyuser:proxypass").toBase64());
}

TEST(WebRequest, MethodsHeadersAndAddresses)
{
    LoopbackServer server([](Connection& c) {
        for (QByteArray request = c.readRequest(); !request.isEmpty(); request = c.readRequest())
            c.reply(200, "ok");
    });
    // No "://": requested as http.
    auto r = waitingRequest(QStringLiteral("127.0.0.1:%1/plain").arg(server.port()));
    r->setAddHeaders({QStringLiteral("Connection: Keep-Alive"), QStringLiteral("X-Quillo: 1")});
    r->setAgent(QStringLiteral("Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)"));
    r->setReferer(QStringLiteral("http://127.0.0.1/ref"));
    r->setUseCache(false);
    EventRecorder rec(*r);
    r->Read();
    r->setPOSTData("a=1&b=%E4%B8%AD");
    r->Read();
    r->setRequestMethod(rmGET);
    r->Read();
    r->setRequestMethod(rmPOST);
    r->setPOSTData({});
    r->Read();
    EXPECT_EQ(rec.events.count(QStringLiteral("Done")), 4);

    const QList<QByteArray> requests = server.requests();
    ASSERT_EQ(requests.size(), 4);
    const QByteArray& first = requests[0];
    EXPECT_TRUE(first.startsWith("GET /plain HTTP/1.1\r\n"));
    EXPECT_EQ(headerValue(first, "User-Agent"), "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)");
    EXPECT_EQ(headerValue(first, "Accept"), "text/html, */*");
    EXPECT_EQ(headerValue(first, "Referer"), "http://127.0.0.1/ref");
    EXPECT_EQ(headerValue(first, "X-Quillo"), "1");
    EXPECT_EQ(headerValue(first, "Pragma"), "no-cache");
    // rmAutoDetect posts exactly when there is data.
    EXPECT_TRUE(requests[1].startsWith("POST /plain"));
    EXPECT_EQ(headerValue(requests[1], "Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(bodyOf(requests[1]), "a=1&b=%E4%B8%AD");
    EXPECT_TRUE(requests[2].startsWith("GET /plain"));
    EXPECT_TRUE(bodyOf(requests[2]).isEmpty());
    EXPECT_TRUE(requests[3].startsWith("POST /plain"));
    EXPECT_EQ(headerValue(requests[3], "Content-Length"), "0");
    EXPECT_EQ(headerValue(requests[3], "Content-Type"), "application/x-www-form-urlencoded");

    // A header line that is not a header makes the request fail before anything is sent.
    auto bad = waitingRequest(server.url());
    bad->setAddHeaders({QStringLiteral("not a header")});
    EventRecorder recBad(*bad);
    bad->Read();
    EXPECT_EQ(recBad.events, (QStringList{QStringLiteral("AnyError"), QStringLiteral("HostUnreachable")}));
    EXPECT_EQ(server.requestCount(), 4);
}

TEST(WebRequest, RedirectsAreFollowedWithinLimits)
{
    LoopbackServer target([](Connection& c) {
        for (QByteArray request = c.readRequest(); !request.isEmpty(); request = c.readRequest())
            c.reply(200, "arrived");
    });
    LoopbackServer server([&target](Connection& c) {
        for (QByteArray request = c.readRequest(); !request.isEmpty(); request = c.readRequest()) {
            if (request.startsWith("POST /see-other"))
                c.reply(302, "", "Location: /landing\r\n");
            else if (request.startsWith("POST /keep"))
                c.reply(307, "", "Location: /landing\r\n");
            else if (request.contains(" /away "))
                c.reply(302, "", "Location: " + target.url(QStringLiteral("/there")).toUtf8() + "\r\n");
            else if (request.contains(" /ftp "))
                c.reply(302, "moved", "Location: ftp://127.0.0.1/file\r\n");
            else if (request.contains(" /login "))
                c.reply(302, "", "Set-Cookie: session=42; Path=/\r\nLocation: /landing\r\n");
            else if (request.contains(" /loop"))
                c.reply(302, "", "Location: /loop\r\n");
            else
                c.reply(200, "landed");
        }
    });
    auto r = waitingRequest(server.url(QStringLiteral("/see-other")));
    r->setPOSTData("x=1");
    EventRecorder rec(*r);
    QStringList redirected;
    std::atomic<bool> onWorker{true};
    QThread* gui = QThread::currentThread();
    r->OnRedirected = [&](QObject*, const QString& url) {
        redirected << url;
        onWorker = onWorker && QThread::currentThread() != gui;
    };
    r->Read();
    EXPECT_EQ(rec.events, QStringList{QStringLiteral("Done")});
    EXPECT_EQ(rec.body, "landed");
    EXPECT_EQ(redirected, QStringList{server.url(QStringLiteral("/landing"))});
    EXPECT_TRUE(onWorker);
    EXPECT_TRUE(server.requests().value(1).startsWith("GET /landing"));

    r->setURL(server.url(QStringLiteral("/keep")));
    r->Read();
    EXPECT_TRUE(server.requests().value(3).startsWith("POST /landing"));
    EXPECT_EQ(bodyOf(server.requests().value(3)), "x=1");

    // Credentials stay with the server they were given for.
    r->setPOSTData({});
    r->setUsername(QStringLiteral("alice"));
    r->setPassword(QStringLiteral("pw"));
    r->setURL(server.url(QStringLiteral("/away")));
    r->Read();
    EXPECT_FALSE(headerValue(server.requests().last(), "Authorization").isEmpty());
    EXPECT_TRUE(headerValue(target.requests().value(0), "Authorization").isEmpty());
    EXPECT_EQ(rec.body, "arrived");

    // Cookies live for the one request, across its redirections, unless switched off.
    r->setUsername({});
    r->setURL(server.url(QStringLiteral("/login")));
    r->Read();
    EXPECT_EQ(headerValue(server.requests().last(), "Cookie"), "session=42");
    r->setUseCookies(false);
    r->Read();
    EXPECT_TRUE(headerValue(server.requests().last(), "Cookie").isEmpty());
    r->setUseCookies(true);
    r->setURL(server.url(QStringLiteral("/landing")));
    r->Read();
    EXPECT_TRUE(headerValue(server.requests().last(), "Cookie").isEmpty()) << "nothing kept between requests";

    // Only http and https, and only so many hops.
    rec.events.clear();
    r->setURL(server.url(QStringLiteral("/ftp")));
    r->Read();
    EXPECT_EQ(rec.events, (QStringList{QStringLiteral("AnyError"), QStringLiteral("HTTPError 302")}));
    EXPECT_EQ(rec.body, "moved");
    rec.events.clear();
    const int before = server.requestCount();
    r->setURL(server.url(QStringLiteral("/loop")));
    r->Read();
    EXPECT_EQ(rec.events, (QStringList{QStringLiteral("AnyError"), QStringLiteral("HTTPError 302")}));
    EXPECT_EQ(server.requestCount() - before, 21);
}

TEST(WebRequest, FileAddresses)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("local file.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("local content");
    file.close();

    auto r = waitingRequest(QStringLiteral("file://") + path);
    EventRecorder rec(*r);
    r->Read();
    EXPECT_EQ(rec.events, QStringList{QStringLiteral("Done")});
    EXPECT_EQ(rec.body, "local content");

    rec.events.clear();
    r->setURL(QStringLiteral("file://") + dir.filePath(QStringLiteral("missing.txt")));
    r->Read();
    EXPECT_EQ(rec.events, (QStringList{QStringLiteral("AnyError"), QStringLiteral("HTTPError 404")}));
    rec.events.clear();
    r->setURL(QStringLiteral("file://") + dir.path());
    r->Read();
    EXPECT_EQ(rec.events, (QStringList{QStringLiteral("AnyError"), QStringLiteral("HTTPError 404")}));
}

TEST(WebRequest, HugeAnnouncedLengthIsNotAllocatedUpFront)
{
    LoopbackServer server([](Connection& c) {
        if (!c.readRequest().isEmpty())
            c.send("HTTP/1.1 200 OK\r\nContent-Length: 4000000000000\r\n\r\nonly this");
    });
    auto r = waitingRequest(server.url());
    EventRecorder rec(*r);
    r->Read();
    EXPECT_EQ(rec.events, (QStringList{QStringLiteral("AnyError"), QStringLiteral("ConnLost")}));
    EXPECT_EQ(rec.fileSize, 4000000000000);
    EXPECT_EQ(rec.bytesRead, 9);
    EXPECT_EQ(rec.body, "only this");
}

TEST(WebRequest, SilenceOnTheLineEndsTheRequest)
{
    // Silent before the status: nothing was received.
    LoopbackServer mute([](Connection& c) {
        if (!c.readRequest().isEmpty())
            c.waitForGate();
    });
    auto r = waitingRequest(mute.url());
    r->Timeouts().setReceiveTimeout(300);
    EventRecorder rec(*r);
    EXPECT_TRUE(r->Read());
    EXPECT_EQ(rec.events, (QStringList{QStringLiteral("AnyError"), QStringLiteral("HostUnreachable")}));

    // Silent in the middle of the body: the body ends there.
    LoopbackServer stalls(stallBetween("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n" + QByteArray(40, 'y'), {}));
    auto s = waitingRequest(stalls.url());
    s->Timeouts().setReceiveTimeout(300);
    EventRecorder rec2(*s);
    s->Read();
    EXPECT_EQ(rec2.events, (QStringList{QStringLiteral("AnyError"), QStringLiteral("ConnLost")}));
    EXPECT_EQ(rec2.bytesRead, 40);
    mute.openGate();
    stalls.openGate();
}

TEST(WebRequest, WaitIntervalRunsOutAndNothingArrivesLater)
{
    QTemporaryDir dir;
    LoopbackServer server(stallBetween("HTTP/1.1 200 OK\r\nContent-Length: 20\r\n\r\n0123456789", "0123456789"));
    auto r = waitingRequest(server.url());
    r->setWaitTimeout(800);
    r->setOutputFileName(dir.filePath(QStringLiteral("update.exe~")));
    EventRecorder rec(*r, true);
    bool expiredInsideRead = false;
    bool reading = false;
    r->OnWaitTimeoutExpired = [&](QObject*) {
        rec.events << QStringLiteral("WaitTimeoutExpired");
        expiredInsideRead = reading;
    };
    reading = true;
    const bool result = r->Read();
    reading = false;
    EXPECT_FALSE(result);
    EXPECT_TRUE(expiredInsideRead);
    EXPECT_FALSE(r->Busy());
    EXPECT_EQ(rec.events, (QStringList{QStringLiteral("Progress"), QStringLiteral("WaitTimeoutExpired")}));

    releaseAndSettle(server);
    EXPECT_EQ(rec.events, (QStringList{QStringLiteral("Progress"), QStringLiteral("WaitTimeoutExpired")}));
    // The partial download stays on disk, but not under the name the caller trusts.
    EXPECT_FALSE(QFile::exists(r->OutputFileName()));
    QFile partial(r->OutputFileName() + QStringLiteral(".part"));
    ASSERT_TRUE(partial.open(QIODevice::ReadOnly));
    EXPECT_EQ(partial.readAll(), "0123456789");
}

TEST(WebRequest, WaitIntervalRestartsWithEveryEvent)
{
    // Ten slow pieces take longer than one interval, but every piece brings an event.
    LoopbackServer server([](Connection& c) {
        if (c.readRequest().isEmpty())
            return;
        c.send("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n");
        for (int i = 0; i < 10; ++i) {
            QThread::msleep(150);
            c.send("z");
        }
    });
    auto r = waitingRequest(server.url());
    r->setWaitTimeout(1000);
    EventRecorder rec(*r, true);
    EXPECT_TRUE(r->Read());
    EXPECT_EQ(rec.events, (QStringList{QStringLiteral("Progress"), QStringLiteral("Done")}));
    EXPECT_EQ(rec.body, "zzzzzzzzzz");
}

TEST(WebRequest, AnimationTimersDoNotKeepAStalledWaitAlive)
{
    // A busy-cursor animation ticks far more often than the interval; the stall must still end.
    LoopbackServer server(stallBetween("HTTP/1.1 200 OK\r\nContent-Length: 20\r\n\r\n0123456789", "0123456789"));
    QTimer animation;
    MarkAmbient(&animation);
    animation.start(10);
    auto r = waitingRequest(server.url());
    r->setWaitTimeout(300);
    EventRecorder rec(*r, true);
    r->OnWaitTimeoutExpired = [&](QObject*) { rec.events << QStringLiteral("WaitTimeoutExpired"); };
    EXPECT_FALSE(r->Read());
    EXPECT_EQ(rec.events, (QStringList{QStringLiteral("Progress"), QStringLiteral("WaitTimeoutExpired")}));
    releaseAndSettle(server);

    QObject plain;
    QTimerEvent tick(1);
    QEvent repaint(QEvent::UpdateRequest);
    QEvent posted(QEvent::User);
    EXPECT_TRUE(IsWaitActivity(&plain, &tick)) << "an ordinary timer is activity";
    EXPECT_FALSE(IsWaitActivity(&animation, &tick));
    EXPECT_FALSE(IsWaitActivity(&plain, &repaint));
    EXPECT_TRUE(IsWaitActivity(&plain, &posted));
}

TEST(WebRequest, AbortStopsEverythingOfThatRequest)
{
    QTemporaryDir dir;
    LoopbackServer server(stallBetween("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n" + QByteArray(10, 'a'),
                                       QByteArray(90, 'b')));
    auto r = std::make_unique<TWebRequest>();
    r->setURL(server.url());
    r->setOutputFileName(dir.filePath(QStringLiteral("aborted.bin")));
    EventRecorder rec(*r, true);
    EXPECT_TRUE(r->Read());
    EXPECT_TRUE(r->Busy());
    EXPECT_FALSE(r->Read()) << "one request at a time";
    ASSERT_TRUE(pumpUntil([&] { return !rec.events.isEmpty(); }));
    r->Abort();
    EXPECT_FALSE(r->Busy());
    EXPECT_EQ(rec.events, (QStringList{QStringLiteral("Progress"), QStringLiteral("Aborted")}));
    releaseAndSettle(server);
    EXPECT_EQ(rec.events, (QStringList{QStringLiteral("Progress"), QStringLiteral("Aborted")}));
    EXPECT_FALSE(QFile::exists(r->OutputFileName()));
    EXPECT_TRUE(QFile::exists(r->OutputFileName() + QStringLiteral(".part")));

    // On an idle component Abort raises nothing.
    r->Abort();
    EXPECT_EQ(rec.events.size(), 2);

    // Aborted from a handler while Read waits: the wait ends with the request.
    LoopbackServer again(stallBetween("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n" + QByteArray(10, 'a'),
                                      QByteArray(90, 'b')));
    auto w = waitingRequest(again.url());
    EventRecorder recWait(*w);
    w->OnProgress = [&](QObject*, const QString&, qint64, qint64, qint32, qint32, quint8, float, QIODevice*) {
        w->Abort();
    };
    EXPECT_TRUE(w->Read());
    EXPECT_FALSE(w->Busy());
    releaseAndSettle(again);
    EXPECT_EQ(recWait.events, QStringList{QStringLiteral("Aborted")});
}

TEST(WebRequest, AnAbandonedRequestRunsNoWorkerHandlers)
{
    LoopbackServer server(stallBetween({}, "HTTP/1.1 302 Found\r\nLocation: /next\r\nContent-Length: 0\r\n\r\n"));
    auto r = std::make_unique<TWebRequest>();
    r->setURL(server.url());
    std::atomic<int> calls{0};
    std::atomic<bool> inHandler{false};
    std::atomic<bool> handlerFinished{false};
    r->OnStatus = [&](QObject*, qint32, const QString&) {
        if (++calls == 1) {
            inHandler = true;
            QThread::msleep(200); // still running when Abort comes
            handlerFinished = true;
        }
    };
    r->OnRedirected = [&](QObject*, const QString&) { ++calls; };
    r->Read();
    ASSERT_TRUE(pumpUntil([&] { return inHandler.load(); }));
    r->Abort();
    EXPECT_TRUE(handlerFinished) << "Abort returns only once no handler of the request runs";
    const int atAbort = calls;
    // The request may not even have gone out: the handler ran before the transfer began.
    server.openGate();
    pumpFor(300);
    EXPECT_EQ(calls.load(), atAbort);
}

TEST(WebRequest, CompletionHandlersMayStartTheNextRequest)
{
    LoopbackServer server([](Connection& c) {
        const QByteArray request = c.readRequest();
        if (!request.isEmpty())
            c.reply(200, request.contains(" /first ") ? "one" : "two");
    });
    auto r = waitingRequest(server.url(QStringLiteral("/first")));
    QStringList bodies;
    bool nestedResult = false;
    r->OnDone = [&](QObject*, const QString&, qint64, QIODevice* stream) {
        const QByteArray body = stream->readAll();
        bodies << QString::fromLatin1(body);
        if (body == "one") {
            EXPECT_FALSE(r->Busy());
            r->setURL(server.url(QStringLiteral("/second")));
            nestedResult = r->Read();
            // The stream of the first request is still ours until this handler returns.
            stream->seek(0);
            bodies << QString::fromLatin1(stream->readAll());
        }
    };
    EXPECT_TRUE(r->Read());
    EXPECT_TRUE(nestedResult);
    EXPECT_EQ(bodies, (QStringList{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("one")}));
}

TEST(WebRequest, HandlerExceptionsAndDestructionFromAHandler)
{
    const QByteArray body = bigBody(50000);
    LoopbackServer server([&body](Connection& c) {
        for (QByteArray request = c.readRequest(); !request.isEmpty(); request = c.readRequest())
            c.reply(200, body);
    });
    auto r = waitingRequest(server.url());
    int thrown = 0;
    r->OnProgress = [&](QObject*, const QString&, qint64, qint64, qint32, qint32, quint8, float, QIODevice*) {
        ++thrown;
        throw std::runtime_error("handler failure");
    };
    QByteArray done;
    r->OnDone = [&](QObject*, const QString&, qint64, QIODevice* stream) { done = stream->readAll(); };
    r->Read();
    EXPECT_GT(thrown, 1);
    EXPECT_EQ(done, body);

    // An exception in a completion handler is reported through OnAnyError.
    int anyErrors = 0;
    r->OnProgress = nullptr;
    r->OnAnyError = [&](QObject*) { ++anyErrors; };
    r->OnDone = [](QObject*, const QString&, qint64, QIODevice*) { throw std::runtime_error("done failed"); };
    r->Read();
    EXPECT_EQ(anyErrors, 1);

    // A handler may destroy the component (as a closing window does), also while Read waits;
    // nothing touches it after.
    for (const bool wait : {false, true}) {
        auto* owned = new TWebRequest;
        owned->setURL(server.url());
        owned->setWaitThread(wait);
        bool destroyed = false;
        QObject::connect(owned, &QObject::destroyed, [&] { destroyed = true; });
        owned->OnDone = [owned](QObject*, const QString&, qint64, QIODevice*) { delete owned; };
        owned->OnAnyError = [](QObject*) { ADD_FAILURE() << "no event after destruction"; };
        EXPECT_TRUE(owned->Read());
        ASSERT_TRUE(pumpUntil([&] { return destroyed; }));
        pumpFor(100);
    }
}

TEST(WebRequest, DestroyingABusyComponentDeliversNothing)
{
    LoopbackServer server(stallBetween("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nab", "cde"));
    bool anyEvent = false;
    {
        TWebRequest r;
        r.setURL(server.url());
        r.OnProgress = [&](QObject*, const QString&, qint64, qint64, qint32, qint32, quint8, float, QIODevice*) {
            anyEvent = true;
        };
        r.OnDone = [&](QObject*, const QString&, qint64, QIODevice*) { anyEvent = true; };
        r.OnAborted = [&](QObject*) { anyEvent = true; };
        r.Read();
        ASSERT_TRUE(pumpUntil([&] { return server.requestCount() == 1; }));
        anyEvent = false;
    }
    releaseAndSettle(server);
    EXPECT_FALSE(anyEvent);
}

TEST(WebRequest, StatusReportsAndPriorityOnTheWorker)
{
    LoopbackServer server(answer(200, "s"));
    auto r = waitingRequest(server.url());
    const int guiNice = getpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)));
    r->setThreadPriority(tpLower);
    EXPECT_EQ(r->ThreadPriority(), tpLower);
    QStringList texts;
    int niceOnWorker = -100;
    r->OnStatus = [&](QObject*, qint32 code, const QString& text) {
        texts << QStringLiteral("%1 %2").arg(code).arg(text);
        niceOnWorker = getpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)));
    };
    r->Read();
    EXPECT_TRUE(texts.contains(QStringLiteral("21 Connected")));
    EXPECT_TRUE(texts.contains(QStringLiteral("30 Sending Request")));
    EXPECT_TRUE(texts.contains(QStringLiteral("41 Response received")));
    EXPECT_EQ(texts.last(), QStringLiteral("100 Request complete"));
    EXPECT_LT(texts.indexOf(QStringLiteral("21 Connected")), texts.indexOf(QStringLiteral("41 Response received")));
    EXPECT_EQ(niceOnWorker, qMax(guiNice, 5)) << "a lower level is always granted";

    // A raise may be refused by the system; the setting is kept all the same.
    r->setThreadPriority(tpHigher);
    EXPECT_EQ(r->ThreadPriority(), tpHigher);
    EXPECT_EQ(getpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid))), guiNice) << "the GUI thread is left alone";
}
