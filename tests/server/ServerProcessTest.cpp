// The real quillo-server process: its first output line, shutdown on SIGTERM with a request
// in flight, feedback that survives a kill right after the answer, the commands, and the
// default engine choice.

#include "ServerFixture.h"

#include "server/ApertiumBackend.h"
#include "translate/Encoding.h"
#include "translate/ReplyCuts.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include <csignal>
#include <future>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace quillo;
using namespace quillo::server::testing;

namespace {

const QString kServer = QStringLiteral(QUILLO_BINARY_DIR "/server/quillo-server");

class ServerProcess {
public:
    explicit ServerProcess(QStringList arguments)
    {
        process.start(kServer, QStringList{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")} + arguments);
        if (!process.waitForStarted(10000))
            return;
        while (!process.canReadLine() && process.waitForReadyRead(30000)) {
        }
        firstLine = QString::fromUtf8(process.readLine());
        const auto match = QRegularExpression(QStringLiteral("^quillo-server listening on 127\\.0\\.0\\.1:(\\d+)\\n$"))
                               .match(firstLine);
        if (match.hasMatch())
            port = match.captured(1).toInt();
    }
    ~ServerProcess()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(10000);
        }
    }
    httplib::Client client() const
    {
        httplib::Client c(kLoopback, port);
        c.set_read_timeout(std::chrono::seconds(60));
        return c;
    }
    bool finishes() { return process.waitForFinished(30000); }

    QProcess process;
    QString firstLine;
    int port = 0;
};

struct CommandResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

CommandResult runCommand(const QStringList& arguments)
{
    QProcess process;
    process.start(kServer, arguments);
    process.waitForFinished(60000);
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

std::string feedbackBody(const QString& text)
{
    QString message = text;
    message.replace(u' ', QStringLiteral("&nbsp;")).replace(u'\r', QStringLiteral("<br>"));
    return str("user=m4rvo&name=" + ToAnsi(QStringLiteral("Quillo_注册用户_16")) + "&email=a%40b&title=t&text="
               + FormEncode(ToAnsi(message)) + "&image=on&home=H1&time=2006%2D06%2D12%26nbsp%3B10%3A30");
}

} // namespace

TEST(ServerProcessTest, FirstLineNamesThePortAndSigtermLetsTheRequestInFlightFinish)
{
    // A page that answers only when the test lets it, so a request is in flight at SIGTERM.
    // (Plain flags polled: ThreadSanitizer here does not see the lock a condition variable
    // takes back, and would report the hand-over as a race.)
    LocalSite site;
    std::atomic<bool> arrived{false};
    std::atomic<bool> release{false};
    site.server().Get("/slow", [&](const httplib::Request&, httplib::Response& response) {
        arrived = true;
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        response.set_content("<p>late</p>", "text/html");
    });
    // The process first: a fork after this test has started threads is one ThreadSanitizer
    // refuses.
    QTemporaryDir data;
    ServerProcess server({QStringLiteral("--backend"), QStringLiteral("echo"), QStringLiteral("--data"),
                          data.path(), QStringLiteral("--allow-private-fetch")});
    ASSERT_GT(server.port, 0) << server.firstLine.toStdString();
    site.start();

    httplib::Client client = server.client();
    const auto stored = client.Post("/translation/feedback/addinfo.asp", feedbackBody(QStringLiteral("x")), kForm);
    ASSERT_TRUE(stored && stored->status == 200);
    const QString journal = data.filePath(QStringLiteral("feedback.sqlite3-wal"));
    EXPECT_TRUE(QFile::exists(journal));
    const auto object = client.Get("/S3739.5/object?");
    ASSERT_TRUE(object);
    const std::string address = "/" + str(ExtractPageId(ReplyText(bytes(object->body)))) + "translation?wl_url="
        + str(EncodeUrlParam(QString::fromStdString(site.url("/slow")))) + "&wl_srclang=EN&wl_trglang=FR";
    auto inFlight = std::async(std::launch::async, [&] { return server.client().Get(address); });
    while (!arrived)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ::kill(static_cast<pid_t>(server.process.processId()), SIGTERM);
    // Once new connections are turned away the server is shutting down; then let the page come.
    while (server.client().Get("/S3739.5/object?"))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    release = true;
    const auto page = inFlight.get();
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_EQ(page->body, "<p>[FR] late</p>");
    ASSERT_TRUE(server.finishes());
    EXPECT_EQ(server.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(server.process.exitCode(), 0);
    EXPECT_TRUE(server.process.readAllStandardError().contains("stopped"));
    EXPECT_FALSE(QFile::exists(journal)); // the database was closed: its journal folded back in
}

TEST(ServerProcessTest, FeedbackSurvivesAKillRightAfterTheAnswer)
{
    QTemporaryDir data;
    const QStringList typed{QStringLiteral("第一条 message"), QStringLiteral("two\r\nlines  here")};
    for (const QString& text : typed) {
        ServerProcess server({QStringLiteral("--backend"), QStringLiteral("echo"), QStringLiteral("--data"), data.path()});
        ASSERT_GT(server.port, 0) << server.firstLine.toStdString();
        const auto answer = server.client().Post("/translation/feedback/addinfo.asp", feedbackBody(text), kForm);
        ::kill(static_cast<pid_t>(server.process.processId()), SIGKILL);
        ASSERT_TRUE(answer);
        ASSERT_TRUE(FromAnsi(bytes(answer->body)).split(QStringLiteral("\r\n")).contains(QStringLiteral("留言成功")));
        server.finishes();
    }
    const CommandResult listing = runCommand({QStringLiteral("feedback"), QStringLiteral("--data"), data.path(),
                                              QStringLiteral("--json")});
    ASSERT_EQ(listing.exitCode, 0) << listing.err.toStdString();
    const QJsonArray messages = QJsonDocument::fromJson(listing.out).array();
    ASSERT_EQ(messages.size(), typed.size());
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const QJsonObject message = messages.at(i).toObject();
        EXPECT_EQ(message.value(QStringLiteral("text")).toString(), typed.at(i));
        EXPECT_EQ(message.value(QStringLiteral("name")).toString(), QStringLiteral("Quillo_注册用户_16"));
        EXPECT_EQ(message.value(QStringLiteral("email")).toString(), QStringLiteral("a@b"));
        EXPECT_EQ(message.value(QStringLiteral("time")).toString(), QStringLiteral("2006-06-12 10:30"));
    }
    const CommandResult readable = runCommand({QStringLiteral("feedback"), QStringLiteral("--data"), data.path()});
    EXPECT_TRUE(QString::fromUtf8(readable.out).contains(QStringLiteral("text:\n第一条 message\n")));
}

TEST(ServerProcessTest, CommandsAndTheirRefusals)
{
    QTemporaryDir data;
    QFile program(data.filePath(QStringLiteral("quillo.bin")));
    ASSERT_TRUE(program.open(QIODevice::WriteOnly) && program.write("binary") == 6);
    program.close();
    const CommandResult published = runCommand({QStringLiteral("publish"), QStringLiteral("--data"), data.path(),
                                                program.fileName(), QStringLiteral("--version"), QStringLiteral("17")});
    EXPECT_EQ(published.exitCode, 0) << published.err.toStdString();
    EXPECT_TRUE(published.out.contains("SHA256: " + QCryptographicHash::hash("binary", QCryptographicHash::Sha256).toHex()));

    EXPECT_EQ(runCommand({QStringLiteral("publish"), program.fileName()}).exitCode, 2);
    EXPECT_EQ(runCommand({QStringLiteral("publish"), QStringLiteral("--data"), data.path(), QStringLiteral("/nonexistent"),
                          QStringLiteral("--version"), QStringLiteral("1")}).exitCode, 1);
    const CommandResult badBackend = runCommand({QStringLiteral("--backend"), QStringLiteral("babelfish")});
    EXPECT_EQ(badBackend.exitCode, 2);
    EXPECT_TRUE(badBackend.err.contains("Usage"));

    // A port in use (a plain listening socket: no thread may run while the test forks).
    const int taken = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(taken, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(taken, 1), 0);
    ::getsockname(taken, reinterpret_cast<sockaddr*>(&address), &length);
    const CommandResult busy = runCommand({QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(ntohs(address.sin_port)),
                                           QStringLiteral("--backend"), QStringLiteral("echo"), QStringLiteral("--data"), data.path()});
    ::close(taken);
    EXPECT_EQ(busy.exitCode, 1);
    EXPECT_TRUE(busy.err.contains("cannot listen"));
}

TEST(ServerProcessTest, ApertiumIsTheDefaultAndEchoNever)
{
    QTemporaryDir data;
    const std::string body = "ei=UTF-8&trtext=The+weather+is+nice+today&lp=en_es&btnTrTxt=Translate";
    auto translate = [&](const ServerProcess& server) {
        const auto result = server.client().Post("/translate_txt", body, kForm);
        const auto cut = result ? ExtractBabelFishResult(ReplyText(bytes(result->body))) : std::nullopt;
        return cut ? Utf8Decode(*cut) : QString();
    };
    {
        ServerProcess bare({QStringLiteral("--data"), data.path(), QStringLiteral("--apertium-modes"),
                            data.filePath(QStringLiteral("none"))});
        ASSERT_GT(bare.port, 0) << bare.firstLine.toStdString();
        EXPECT_EQ(translate(bare), QStringLiteral("本服务器没有从英语翻译到西班牙语的翻译引擎。"));
    }
    if (!quillo::server::ApertiumBackend::installed("/usr/share/apertium/modes"))
        GTEST_SKIP() << "Apertium is not installed (scripts/setup.sh installs apertium and its pairs)";
    ServerProcess server({QStringLiteral("--data"), data.path()});
    ASSERT_GT(server.port, 0) << server.firstLine.toStdString();
    EXPECT_EQ(translate(server), QStringLiteral("El tiempo es bueno hoy"));
}
