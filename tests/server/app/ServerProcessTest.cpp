// The real quillo-server process: its first output line, shutdown on SIGTERM with a request
// in flight, feedback that survives a kill right after the answer, the commands, and the
// default engine choice.

#include "ApiStandIns.h"
#include "QuilloServerProcess.h"
#include "ServerFixture.h"
#include "core/CodePage.h"

#include "server/engines/apertium/ApertiumBackend.h"
#include "translate/Encoding.h"
#include "translate/ReplyCuts.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QThread>

#include <csignal>
#include <future>

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/file.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace quillo;
using namespace quillo::server::testing;
using quillo::test::RunQuilloServerCommand;
using quillo::test::RunResult;

namespace {

constexpr int kEndLimitMs = 30000;

// Its log goes to a pipe the test reads.
class ServerProcess : public quillo::test::QuilloServerProcess {
public:
    explicit ServerProcess(const QStringList& arguments)
        : QuilloServerProcess(guarded(arguments), {quillo::test::ChildOptions::Channel::Discard,
                                                   quillo::test::ChildOptions::Channel::Pipe})
    {
    }
    // The arguments as given when the server they start reaches nothing off this machine; else a
    // server that cannot start, and the test has failed.
    static QStringList guarded(const QStringList& arguments)
    {
        std::vector<std::string> line{"quillo-server"};
        for (const QString& argument : arguments)
            line.push_back(argument.toStdString());
        using quillo::server::CommandLine;
        const CommandLine parsed = quillo::server::ParseCommandLine(line);
        if (parsed.command != CommandLine::Command::Serve || OnlyLoopbackEngines(parsed.serve))
            return arguments;
        return {QStringLiteral("--refused-by-the-test-guard")};
    }
    httplib::Client client() const
    {
        httplib::Client c(kLoopback, port());
        c.set_read_timeout(std::chrono::seconds(60));
        return c;
    }
    std::optional<quillo::test::ExitStatus> finishes() { return process().waitForExit(kEndLimitMs); }
};

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
    ASSERT_TRUE(server.listening()) << server.failure().toStdString();
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
    server.process().signal(SIGTERM);
    // Once new connections are turned away the server is shutting down; then let the page come.
    while (server.client().Get("/S3739.5/object?"))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    release = true;
    const auto page = inFlight.get();
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_EQ(page->body, "<p>[FR] late</p>");
    const auto ended = server.finishes();
    ASSERT_TRUE(ended);
    EXPECT_TRUE(ended->exited());
    EXPECT_EQ(ended->code, 0);
    EXPECT_TRUE(server.process().standardError().contains("stopped"));
    EXPECT_FALSE(QFile::exists(journal)); // the database was closed: its journal folded back in
}

TEST(ServerProcessTest, StopCallsOffAHangingEngineAndAnswersItsRequest)
{
    ChatStandIn model;
    model.answer = Answer::Stall; // answers nothing for 20 s, longer than the stop may take
    QTemporaryDir data;
    QFile config(data.filePath(QStringLiteral("engines.ini")));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(("[engines]\norder = llm\n[llm]\nurl = " + model.base() + "\nmodel = m\ntimeout = 600\n").c_str());
    config.close();
    ServerProcess server({QStringLiteral("--config"), config.fileName(), QStringLiteral("--data"), data.path(),
                          QStringLiteral("--stop-time"), QStringLiteral("3")});
    ASSERT_TRUE(server.listening()) << server.failure().toStdString();
    auto inFlight = std::async(std::launch::async, [&] {
        return server.client().Post("/translate_txt", "trtext=hello&lp=en_fr", kForm);
    });
    while (model.requests().empty())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    server.process().signal(SIGTERM);
    const auto answer = inFlight.get();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 503);
    const auto ended = server.finishes();
    ASSERT_TRUE(ended);
    EXPECT_EQ(ended->code, 0);
    model.releaseStalls();
}

TEST(ServerProcessTest, FeedbackSurvivesAKillRightAfterTheAnswer)
{
    QTemporaryDir data;
    const QStringList typed{QStringLiteral("第一条 message"), QStringLiteral("two\r\nlines  here")};
    for (const QString& text : typed) {
        ServerProcess server({QStringLiteral("--backend"), QStringLiteral("echo"), QStringLiteral("--data"), data.path()});
        ASSERT_TRUE(server.listening()) << server.failure().toStdString();
        const auto answer = server.client().Post("/translation/feedback/addinfo.asp", feedbackBody(text), kForm);
        server.process().signal(SIGKILL);
        ASSERT_TRUE(answer);
        ASSERT_TRUE(FromAnsi(bytes(answer->body)).split(QStringLiteral("\r\n")).contains(QStringLiteral("留言成功")));
        server.finishes();
    }
    const RunResult listing = RunQuilloServerCommand({QStringLiteral("feedback"), QStringLiteral("--data"), data.path(),
                                              QStringLiteral("--json")});
    ASSERT_EQ(listing.exitCode(), 0) << listing.error.toStdString();
    const QJsonArray messages = QJsonDocument::fromJson(listing.output).array();
    ASSERT_EQ(messages.size(), typed.size());
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const QJsonObject message = messages.at(i).toObject();
        EXPECT_EQ(message.value(QStringLiteral("text")).toString(), typed.at(i));
        EXPECT_EQ(message.value(QStringLiteral("name")).toString(), QStringLiteral("Quillo_注册用户_16"));
        EXPECT_EQ(message.value(QStringLiteral("email")).toString(), QStringLiteral("a@b"));
        EXPECT_EQ(message.value(QStringLiteral("time")).toString(), QStringLiteral("2006-06-12 10:30"));
    }
    const RunResult readable = RunQuilloServerCommand({QStringLiteral("feedback"), QStringLiteral("--data"), data.path()});
    EXPECT_TRUE(QString::fromUtf8(readable.output).contains(QStringLiteral("text:\n第一条 message\n")));
}

QJsonArray storedFeedback(const QString& data)
{
    const RunResult listing = RunQuilloServerCommand({QStringLiteral("feedback"), QStringLiteral("--data"), data,
                                                      QStringLiteral("--json")});
    return QJsonDocument::fromJson(listing.output).array();
}

TEST(ServerProcessTest, FeedbackIsForwardedOnceTheUpstreamAnswersEvenAfterARestart)
{
    QTemporaryDir local, upstreamData;
    const int upstreamPort = FreeLoopbackPort();
    const QStringList forwarding{QStringLiteral("--backend"), QStringLiteral("echo"), QStringLiteral("--data"), local.path(),
                                 QStringLiteral("--feedback-upstream"), QStringLiteral("http://127.0.0.1:%1/").arg(upstreamPort)};
    {
        ServerProcess server(forwarding);
        ASSERT_TRUE(server.listening()) << server.failure().toStdString();
        const auto answer = server.client().Post("/translation/feedback/addinfo.asp", feedbackBody(QStringLiteral("while down")), kForm);
        ASSERT_TRUE(answer);
        const QStringList lines = FromAnsi(bytes(answer->body)).split(QStringLiteral("\r\n"));
        EXPECT_TRUE(lines.contains(QStringLiteral("留言成功")));
        EXPECT_TRUE(lines.filter(QStringLiteral("只保存在本机")).isEmpty()) << "it is forwarded: a reply may come";
    }
    ServerProcess upstream({QStringLiteral("--backend"), QStringLiteral("echo"), QStringLiteral("--data"), upstreamData.path(),
                            QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(upstreamPort)});
    ASSERT_TRUE(upstream.listening()) << upstream.failure().toStdString();
    ServerProcess restarted(forwarding);
    ASSERT_TRUE(restarted.listening()) << restarted.failure().toStdString();
    ASSERT_TRUE(restarted.client().Post("/translation/feedback/addinfo.asp", feedbackBody(QStringLiteral("while up")), kForm));

    QStringList forwarded;
    for (int wait = 0; wait < 120 && forwarded.size() < 2; ++wait) {
        QThread::msleep(250);
        forwarded.clear();
        for (const QJsonValue message : storedFeedback(upstreamData.path()))
            forwarded << message.toObject().value(QStringLiteral("text")).toString();
    }
    forwarded.sort();
    EXPECT_EQ(forwarded, (QStringList{QStringLiteral("while down"), QStringLiteral("while up")}));
    EXPECT_EQ(storedFeedback(local.path()).size(), 2) << "the sender keeps its own copy";
}

// How often the process's threads have been switched out so far: each wake-up counts.
long long contextSwitches(pid_t pid)
{
    long long switches = 0;
    for (const QString& task : QDir(QStringLiteral("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(QStringLiteral("/proc/%1/task/%2/status").arg(pid).arg(task));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.contains("ctxt_switches:"))
                switches += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
        }
    }
    return switches;
}

TEST(ServerProcessTest, AnIdleServerSleepsUntilSomethingHappens)
{
    // As the program runs it: a copy holds the clients lock, the server watches for it.
    QTemporaryDir data, runtime;
    const int clientLock = ::open(QFile::encodeName(runtime.filePath(QStringLiteral("clients.lock"))).constData(),
                                  O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_EQ(::flock(clientLock, LOCK_SH), 0);
    ServerProcess server({QStringLiteral("--backend"), QStringLiteral("echo"), QStringLiteral("--data"), data.path(),
                          QStringLiteral("--clients-folder"), runtime.path()});
    ASSERT_TRUE(server.listening()) << server.failure().toStdString();
    ASSERT_TRUE(server.client().Get("/healthz")); // a connection came and went
    QThread::sleep(2);
    const long long before = contextSwitches(server.process().pid());
    QThread::sleep(3);
    // A periodic timer of a second or less would wake it a dozen times or more meanwhile.
    EXPECT_LE(contextSwitches(server.process().pid()) - before, 4);

    ::close(clientLock); // the last copy is gone: the server sees it and ends by itself
    const auto ended = server.finishes();
    ASSERT_TRUE(ended);
    EXPECT_TRUE(server.process().standardError().contains("no program uses this server any more"));
}

TEST(ServerProcessTest, CommandsAndTheirRefusals)
{
    QTemporaryDir data;
    QFile program(data.filePath(QStringLiteral("quillo.bin")));
    ASSERT_TRUE(program.open(QIODevice::WriteOnly) && program.write("binary") == 6);
    program.close();
    const RunResult published = RunQuilloServerCommand({QStringLiteral("publish"), QStringLiteral("--data"), data.path(),
                                                program.fileName(), QStringLiteral("--version"), QStringLiteral("17")});
    EXPECT_EQ(published.exitCode(), 0) << published.error.toStdString();
    EXPECT_TRUE(published.output.contains("SHA256: " + QCryptographicHash::hash("binary", QCryptographicHash::Sha256).toHex()));

    EXPECT_EQ(RunQuilloServerCommand({QStringLiteral("publish"), program.fileName()}).exitCode(), 2);
    EXPECT_EQ(RunQuilloServerCommand({QStringLiteral("publish"), QStringLiteral("--data"), data.path(), QStringLiteral("/nonexistent"),
                          QStringLiteral("--version"), QStringLiteral("1")}).exitCode(), 1);
    const RunResult badBackend = RunQuilloServerCommand({QStringLiteral("--backend"), QStringLiteral("babelfish")});
    EXPECT_EQ(badBackend.exitCode(), 2);
    EXPECT_TRUE(badBackend.error.contains("Usage"));

    // A port in use (a plain listening socket: no thread may run while the test forks).
    const int taken = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(taken, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(taken, 1), 0);
    ::getsockname(taken, reinterpret_cast<sockaddr*>(&address), &length);
    const RunResult busy = RunQuilloServerCommand({QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(ntohs(address.sin_port)),
                                           QStringLiteral("--backend"), QStringLiteral("echo"), QStringLiteral("--data"), data.path()});
    ::close(taken);
    EXPECT_EQ(busy.exitCode(), 1);
    EXPECT_TRUE(busy.error.contains("cannot listen"));
}

TEST(ServerProcessTest, EnginesCommandShowsEveryPairServedByAConfiguredChatModel)
{
    QTemporaryDir data;
    QFile config(data.filePath(QStringLiteral("engines.ini")));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    // Nothing needs to listen there: the table is what the settings say, not a translation.
    config.write("[engines]\norder = llm\n[llm]\nurl = http://127.0.0.1:9/v1\nmodel = any\n");
    config.close();
    const RunResult table = RunQuilloServerCommand({QStringLiteral("engines"), QStringLiteral("--config"),
                                                    config.fileName(), QStringLiteral("--data"), data.path()});
    EXPECT_EQ(table.exitCode(), 0) << table.error.toStdString();
    EXPECT_TRUE(table.output.contains("\nzh        =         llm       llm")) << table.output.toStdString();
    EXPECT_TRUE(table.output.contains("156 of 156 pairs translated.")) << table.output.toStdString();

    const RunResult missing = RunQuilloServerCommand({QStringLiteral("engines"), QStringLiteral("--config"),
                                                      data.filePath(QStringLiteral("none.ini"))});
    EXPECT_EQ(missing.exitCode(), 1);
    EXPECT_TRUE(missing.error.contains("cannot read the configuration file")) << missing.error.toStdString();
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
        // Offline: the keyless online engine would otherwise take the pair.
        ServerProcess bare({QStringLiteral("--data"), data.path(), QStringLiteral("--apertium-modes"),
                            data.filePath(QStringLiteral("none")), QStringLiteral("--offline")});
        ASSERT_TRUE(bare.listening()) << bare.failure().toStdString();
        EXPECT_TRUE(translate(bare).startsWith(QStringLiteral("本服务器没有从英语翻译到西班牙语的翻译引擎。")));
    }
    if (!quillo::server::ApertiumBackend::installed("/usr/share/apertium/modes"))
        GTEST_SKIP() << "Apertium is not installed (scripts/setup.sh installs apertium and its pairs)";
    ServerProcess server({QStringLiteral("--data"), data.path()});
    ASSERT_TRUE(server.listening()) << server.failure().toStdString();
    EXPECT_EQ(translate(server), QStringLiteral("El tiempo es bueno hoy"));
}

// SIGHUP reads the engines' settings again; the server goes on serving.
TEST(ServerProcessTest, HangUpReadsTheEnginesAgain)
{
    QTemporaryDir data;
    const QString config = data.filePath(QStringLiteral("engines.ini"));
    const auto write = [&config](const char* text) {
        QFile file(config);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    };
    write("[engines]\norder = echo\n");
    ServerProcess server({QStringLiteral("--data"), data.path(), QStringLiteral("--config"), config});
    ASSERT_TRUE(server.listening()) << server.failure().toStdString();
    const auto engineCount = [&server] {
        const auto listed = server.client().Get("/api/v1/engines");
        return listed ? QJsonDocument::fromJson(bytes(listed->body)).array().size() : -1;
    };
    EXPECT_EQ(engineCount(), 1);

    write("[engines]\norder = echo, mymemory\n");
    ASSERT_EQ(::kill(server.process().pid(), SIGHUP), 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (engineCount() != 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(engineCount(), 2);
    EXPECT_FALSE(server.process().waitForExit(0)); // still serving
}
