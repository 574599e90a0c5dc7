// Several instances behind a balancer: a private PostgreSQL cluster in a temporary folder, two
// quillo-server processes on it sharing a token key and a release folder, and nginx round-robin
// in front. What the program does must work whichever instance answers each request.

#include "ServerFixture.h"

#include "ChildProcess.h"
#include "QuilloServerProcess.h"
#include "core/CodePage.h"

#include "server/stores/FeedbackStore.h"
#include "translate/ReplyCuts.h"

#include <QDir>
#include <QJsonArray>
#include <QFile>

#include <atomic>
#include <csignal>
#include <fstream>
#include <mutex>
#include <thread>
#include <set>

#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace quillo;
using namespace quillo::server;
using namespace quillo::server::testing;
using quillo::test::RunToEnd;

namespace {

const QString kPostgresBin = QStringLiteral("/usr/lib/postgresql/15/bin/");

// initdb refuses root: the cluster then belongs to nobody.
QStringList asClusterOwner(const QString& program, const QStringList& arguments)
{
    return geteuid() == 0 ? QStringList{QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--"), program} + arguments
                          : QStringList{program} + arguments;
}

QString runAsClusterOwner(const QString& program, const QStringList& arguments)
{
    const QStringList command = asClusterOwner(kPostgresBin + program, arguments);
    const auto result = geteuid() == 0 ? RunToEnd(QStringLiteral("/usr/sbin/runuser"), command, 30000)
                                       : RunToEnd(command.front(), command.mid(1), 30000);
    if (result.succeeded())
        return {};
    return program + QStringLiteral(" failed: ") + result.startError + QString::fromLocal8Bit(result.error + result.output);
}

class PrivatePostgres {
public:
    PrivatePostgres()
    {
        const QString folder = dir_.path();
        const passwd* nobody = getpwnam("nobody");
        if (geteuid() == 0 && (!nobody || ::chown(folder.toLocal8Bit().constData(), nobody->pw_uid, nobody->pw_gid) != 0))
            failure_ = QStringLiteral("cannot give the cluster folder to nobody");
        if (failure_.isEmpty())
            failure_ = runAsClusterOwner(QStringLiteral("initdb"),
                                         {QStringLiteral("-D"), folder + QStringLiteral("/data"), QStringLiteral("-A"), QStringLiteral("trust"),
                                          QStringLiteral("-U"), QStringLiteral("quillo"), QStringLiteral("-E"), QStringLiteral("UTF8"),
                                          QStringLiteral("--no-instructions")});
        if (failure_.isEmpty())
            failure_ = runAsClusterOwner(QStringLiteral("pg_ctl"),
                                         {QStringLiteral("-D"), folder + QStringLiteral("/data"), QStringLiteral("-l"), folder + QStringLiteral("/log"),
                                          QStringLiteral("-w"), QStringLiteral("-o"), QStringLiteral("-c listen_addresses='' -k ") + folder,
                                          QStringLiteral("start")});
        started_ = failure_.isEmpty();
    }
    ~PrivatePostgres()
    {
        if (started_)
            runAsClusterOwner(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), dir_.path() + QStringLiteral("/data"),
                                                         QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("stop")});
    }
    QString failure() const { return failure_; }
    // The postmaster and every process it started.
    std::vector<pid_t> processes() const
    {
        QFile pidFile(dir_.path() + QStringLiteral("/data/postmaster.pid"));
        if (!pidFile.open(QIODevice::ReadOnly))
            return {};
        const pid_t postmaster = pidFile.readLine().trimmed().toInt();
        std::vector<pid_t> all{postmaster};
        for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            QFile stat(QStringLiteral("/proc/") + entry + QStringLiteral("/stat"));
            if (!stat.open(QIODevice::ReadOnly))
                continue;
            const QByteArray line = stat.readAll();
            const QList<QByteArray> afterName = line.mid(line.lastIndexOf(')') + 2).split(' ');
            if (afterName.size() > 1 && afterName.at(1).toInt() == postmaster)
                all.push_back(entry.toInt());
        }
        return all;
    }
    QString url() const { return QStringLiteral("postgresql:///postgres?host=") + dir_.path() + QStringLiteral("&user=quillo"); }

private:
    QTemporaryDir dir_;
    QString failure_;
    bool started_ = false;
};

// nginx round-robin over the instances, its answers naming the instance that served them.
class Balancer {
public:
    explicit Balancer(const std::vector<int>& ports) : port_(FreeLoopbackPort())
    {
        const QString folder = dir_.path();
        std::string upstream;
        for (int port : ports)
            upstream += "    server 127.0.0.1:" + std::to_string(port) + ";\n";
        std::ofstream(folder.toStdString() + "/nginx.conf")
            << "pid " << folder.toStdString() << "/nginx.pid;\nworker_processes 1;\n"
            << "events { worker_connections 256; }\nhttp {\n  access_log off;\n"
            << "  client_body_temp_path " << folder.toStdString() << "/body;\n"
            << "  proxy_temp_path " << folder.toStdString() << "/proxy;\n"
            // Every temporary path in the folder: the defaults are writable by root only.
            << "  fastcgi_temp_path " << folder.toStdString() << "/fastcgi;\n"
            << "  uwsgi_temp_path " << folder.toStdString() << "/uwsgi;\n"
            << "  scgi_temp_path " << folder.toStdString() << "/scgi;\n"
            << "  upstream quillo {\n" << upstream << "    keepalive 8;\n  }\n"
            << "  server {\n    listen 127.0.0.1:" << port_ << ";\n"
            << "    proxy_http_version 1.1;\n    proxy_set_header Connection \"\";\n"
            << "    proxy_set_header Host $http_host;\n    add_header X-Instance $upstream_addr always;\n"
            // As the sample deployment: translations may be retried, feedback only when unsent.
            << "    location / {\n      proxy_pass http://quillo;\n"
            << "      proxy_next_upstream error timeout http_502 non_idempotent;\n    }\n"
            << "    location = /translation/feedback/addinfo.asp {\n      proxy_pass http://quillo;\n"
            << "      proxy_next_upstream error timeout http_502;\n    }\n  }\n}\n";
        process_ = std::make_unique<quillo::test::ChildProcess>(
            QStringLiteral("/usr/sbin/nginx"),
            QStringList{QStringLiteral("-e"), folder + QStringLiteral("/error.log"), QStringLiteral("-p"), folder,
                        QStringLiteral("-c"), folder + QStringLiteral("/nginx.conf"), QStringLiteral("-g"), QStringLiteral("daemon off;")},
            quillo::test::ChildOptions{quillo::test::ChildOptions::Channel::Discard, quillo::test::ChildOptions::Channel::Pipe});
        for (int i = 0; i < 200 && !client().Get("/healthz"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ~Balancer() { process_->stop(5000); }
    httplib::Client client() const
    {
        httplib::Client c(kLoopback, port_);
        c.set_read_timeout(std::chrono::seconds(30));
        return c;
    }
    std::string host() const { return kLoopback + ":" + std::to_string(port_); }
    QString failure() { return process_->started() ? QString::fromLocal8Bit(process_->standardError()) : process_->startError(); }

private:
    QTemporaryDir dir_;
    int port_;
    std::unique_ptr<quillo::test::ChildProcess> process_;
};

std::string feedbackBody(const std::string& text)
{
    return "user=u&name=n&email=a%40b&title=t&text=" + text + "&image=on&home=H1&time=t";
}

bool acknowledged(const httplib::Result& answer)
{
    return answer && answer->status == 200
        && FromAnsi(bytes(answer->body)).split(QStringLiteral("\r\n")).contains(QStringLiteral("留言成功"));
}

std::multiset<std::string> storedTexts(const std::string& url)
{
    std::string error;
    std::vector<FeedbackMessage> messages;
    const auto store = FeedbackStore::open(url, FeedbackStore::Mode::ReadOnly, error);
    EXPECT_TRUE(store && store->all(messages, error)) << error;
    std::multiset<std::string> texts;
    for (const FeedbackMessage& message : messages)
        texts.insert(message.text);
    return texts;
}

// Processes stopped (SIGSTOP) for a while, as a hung database server or host would be.
class Stopped {
public:
    explicit Stopped(std::vector<pid_t> processes) : processes_(std::move(processes))
    {
        for (pid_t process : processes_)
            ::kill(process, SIGSTOP);
    }
    ~Stopped()
    {
        for (pid_t process : processes_)
            ::kill(process, SIGCONT);
    }
    Stopped(const Stopped&) = delete;
    Stopped& operator=(const Stopped&) = delete;

private:
    std::vector<pid_t> processes_;
};

class ClusterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(postgres.failure().isEmpty()) << "PostgreSQL did not start: " << postgres.failure().toStdString();
        QFile key(shared.filePath(QStringLiteral("token.key")));
        ASSERT_TRUE(key.open(QIODevice::WriteOnly) && key.write("one key for every instance") > 0);
        key.close();
        site.server().Get("/p.html", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("<html><body><p>Hello</p></body></html>", "text/html; charset=utf-8");
        });
        site.start();
        const QStringList arguments{QStringLiteral("--backend"), QStringLiteral("echo"), QStringLiteral("--quiet"),
                                    QStringLiteral("--allow-private-fetch"), QStringLiteral("--data"), shared.path(),
                                    QStringLiteral("--database"), postgres.url(),
                                    QStringLiteral("--token-key-file"), key.fileName()};
        for (auto& instance : instances) {
            instance = std::make_unique<quillo::test::QuilloServerProcess>(arguments);
            ASSERT_TRUE(instance->listening()) << instance->failure().toStdString();
        }
        balancer = std::make_unique<Balancer>(std::vector<int>{instances[0]->port(), instances[1]->port()});
        ASSERT_TRUE(balancer->client().Get("/healthz")) << "nginx did not start: " << balancer->failure().toStdString();
    }

    // The program's WorldLingo text flow: the loader, then texttranslate on the prefix it gave.
    // Returns the instances that answered the two requests.
    std::pair<std::string, std::string> worldLingoRound(const std::string& text)
    {
        httplib::Client client = balancer->client();
        const std::string root = "http://" + balancer->host() + "/";
        const auto loader = client.Get("/S3704.3-zh/loader");
        EXPECT_TRUE(loader && loader->status == 200);
        if (!loader)
            return {};
        const QByteArray prefix = ExtractSessionPrefix(ReplyText(bytes(loader->body)), bytes(root));
        EXPECT_FALSE(prefix.isEmpty()) << loader->body;
        const auto answer = client.Post(str(prefix.mid(static_cast<qsizetype>(root.size()) - 1)) + "texttranslate",
                                        "wl_text=" + text + "&wl_srclang=ZH_CN&wl_trglang=EN&l_glossary=gl6", kForm);
        EXPECT_TRUE(answer && answer->status == 200);
        if (!answer)
            return {};
        EXPECT_EQ(answer->body, "[EN] " + text);
        return {loader->get_header_value("X-Instance"), answer->get_header_value("X-Instance")};
    }

    PrivatePostgres postgres;
    QTemporaryDir shared;
    LocalSite site;
    std::unique_ptr<quillo::test::QuilloServerProcess> instances[2];
    std::unique_ptr<Balancer> balancer;
};

} // namespace

TEST_F(ClusterTest, TheProgramsFlowsWorkWhicheverInstanceAnswers)
{
    std::set<std::string> served;
    int crossings = 0; // a token issued by one instance and taken by the other
    for (int round = 0; round < 40; ++round) {
        const auto [loader, translation] = worldLingoRound("t" + std::to_string(round));
        served.insert(loader);
        served.insert(translation);
        crossings += loader != translation;
    }
    EXPECT_EQ(served.size(), 2u);
    EXPECT_GT(crossings, 0);

    httplib::Client client = balancer->client();
    const std::string page = QUrl::toPercentEncoding(QString::fromStdString(site.url("/p.html"))).toStdString();
    for (int round = 0; round < 20; ++round) {
        const auto object = client.Get("/S3739.5/object?");
        ASSERT_TRUE(object && object->status == 200);
        const QByteArray id = ExtractPageId(ReplyText(bytes(object->body))).chopped(1);
        ASSERT_EQ(id.size(), 32) << object->body;
        const auto translated = client.Get("/" + str(id) + "/translation?wl_url=" + page + "&wl_srclang=EN&wl_trglang=ZH_CN");
        ASSERT_TRUE(translated);
        EXPECT_EQ(translated->status, 200) << translated->body;
        EXPECT_NE(translated->body.find("[ZH_CN] Hello"), std::string::npos) << translated->body;
    }
}

TEST_F(ClusterTest, FeedbackLandsOnceAndNoAcknowledgedMessageIsLostWhenAnInstanceDies)
{
    // Four writers post while one instance is killed among their requests.
    constexpr int kWriters = 4, kEach = 40;
    std::mutex mutex;
    std::vector<std::string> acknowledgedTexts;
    std::atomic<int> answered{0};
    std::vector<std::thread> writers;
    for (int writer = 0; writer < kWriters; ++writer) {
        writers.emplace_back([&, writer] {
            httplib::Client client = balancer->client();
            for (int i = 0; i < kEach; ++i) {
                const std::string text = "message" + std::to_string(writer) + "x" + std::to_string(i);
                const auto answer = client.Post("/translation/feedback/addinfo.asp", feedbackBody(text), kForm);
                ++answered;
                if (acknowledged(answer)) {
                    std::lock_guard lock(mutex);
                    acknowledgedTexts.push_back(text);
                }
            }
        });
    }
    while (answered < kWriters * kEach / 2)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    instances[1]->process().signal(SIGKILL);
    for (int round = 0; round < 10; ++round) // the balancer takes the program on to the living instance
        worldLingoRound("after" + std::to_string(round));
    for (std::thread& writer : writers)
        writer.join();

    // Only the requests in flight at the kill may go unacknowledged.
    EXPECT_GE(acknowledgedTexts.size(), static_cast<size_t>(kWriters * kEach - kWriters));
    const std::multiset<std::string> stored = storedTexts(str(bytes(postgres.url().toStdString())));
    for (const std::string& text : acknowledgedTexts)
        EXPECT_EQ(stored.count(text), 1u) << text;
    for (const std::string& text : stored) // a message cut off after its commit is there once too
        EXPECT_EQ(stored.count(text), 1u) << text;
    EXPECT_LE(stored.size(), static_cast<size_t>(kWriters * kEach));
}

TEST_F(ClusterTest, DailyCapsCountEveryInstancesRowsAndTheFeedbackCommandReadsThem)
{
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(acknowledged(balancer->client().Post("/translation/feedback/addinfo.asp",
                                                         feedbackBody("m" + std::to_string(i)), kForm)));
    quillo::test::QuilloServerProcess capped({QStringLiteral("--backend"), QStringLiteral("echo"), QStringLiteral("--quiet"),
                                              QStringLiteral("--data"), shared.path(), QStringLiteral("--database"), postgres.url(),
                                              QStringLiteral("--feedback-per-day"), QStringLiteral("3")});
    ASSERT_TRUE(capped.listening()) << capped.failure().toStdString();
    httplib::Client client(kLoopback, capped.port());
    const auto refused = client.Post("/translation/feedback/addinfo.asp", feedbackBody("over"), kForm);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 503);
    EXPECT_FALSE(acknowledged(refused));

    const auto listing = quillo::test::RunQuilloServerCommand(
        {QStringLiteral("feedback"), QStringLiteral("--database"), postgres.url(), QStringLiteral("--json")});
    ASSERT_EQ(listing.exitCode(), 0) << listing.error.toStdString();
    const QJsonArray messages = QJsonDocument::fromJson(listing.output).array();
    ASSERT_EQ(messages.size(), 3);
    EXPECT_EQ(messages.at(0).toObject().value(QStringLiteral("text")).toString(), QStringLiteral("m0"));
}

TEST(StalledPostgresTest, AStoppedDatabaseHoldsOnlyTheMessages)
{
    PrivatePostgres postgres;
    ASSERT_TRUE(postgres.failure().isEmpty()) << "PostgreSQL did not start: " << postgres.failure().toStdString();
    ServeOptions options = RunningService::echoOptions();
    options.database = postgres.url().toStdString();
    options.feedbackLimits.statementTime = options.feedbackLimits.connectionWait = std::chrono::seconds(3);
    RunningService service(options);
    httplib::Client client = service.client();
    ASSERT_TRUE(acknowledged(client.Post("/translation/feedback/addinfo.asp", feedbackBody("before"), kForm)));
    {
        const std::vector<pid_t> processes = postgres.processes();
        ASSERT_GT(processes.size(), 1u);
        const Stopped stopped(processes);
        const StalledStoreOutcome outcome = WhileTheStoreStalls(service, 12);
        EXPECT_TRUE(outcome.othersAnsweredFirst);
        EXPECT_EQ(outcome.readyStatus, 503);
        EXPECT_NE(outcome.readyBody.find("database"), std::string::npos) << outcome.readyBody;
        EXPECT_EQ(outcome.postStatuses, std::vector<int>(12, 503));
    }
    // Connections left mid-statement were closed; new ones serve again.
    EXPECT_TRUE(acknowledged(client.Post("/translation/feedback/addinfo.asp", feedbackBody("after"), kForm)));
    EXPECT_EQ(client.Get("/readyz")->status, 200);
    EXPECT_EQ(storedTexts(postgres.url().toStdString()), (std::multiset<std::string>{"before", "after"}));
}

// Two instances share one outbox in the database: what either stored while the upstream was down
// reaches it once, whichever instance sends it.
TEST(PostgresOutboxTest, TwoInstancesForwardEachMessageOnceWhenTheUpstreamAnswers)
{
    PrivatePostgres postgres;
    ASSERT_TRUE(postgres.failure().isEmpty()) << "PostgreSQL did not start: " << postgres.failure().toStdString();
    QTemporaryDir shared, upstreamData;
    const int upstreamPort = FreeLoopbackPort();
    const QStringList forwarding{QStringLiteral("--backend"), QStringLiteral("echo"), QStringLiteral("--quiet"),
                                 QStringLiteral("--data"), shared.path(), QStringLiteral("--database"), postgres.url(),
                                 QStringLiteral("--feedback-upstream"), QStringLiteral("http://127.0.0.1:%1/").arg(upstreamPort)};
    quillo::test::QuilloServerProcess first(forwarding), second(forwarding);
    ASSERT_TRUE(first.listening()) << first.failure().toStdString();
    ASSERT_TRUE(second.listening()) << second.failure().toStdString();
    std::multiset<std::string> sent;
    for (int i = 0; i < 6; ++i) {
        const std::string text = "while down " + std::to_string(i);
        httplib::Client client(kLoopback, (i % 2 ? first : second).port());
        ASSERT_TRUE(acknowledged(client.Post("/translation/feedback/addinfo.asp", feedbackBody(text), kForm))) << text;
        sent.insert(text);
    }

    quillo::test::QuilloServerProcess upstream({QStringLiteral("--backend"), QStringLiteral("echo"), QStringLiteral("--quiet"),
                                                QStringLiteral("--data"), upstreamData.path(),
                                                QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(upstreamPort)});
    ASSERT_TRUE(upstream.listening()) << upstream.failure().toStdString();
    const std::string received = upstreamData.filePath(QStringLiteral("feedback.sqlite3")).toStdString();
    for (int wait = 0; wait < 240 && storedTexts(received).size() < sent.size(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    // Both instances retry on their own clocks; a message claimed twice would arrive after the rest.
    std::this_thread::sleep_for(std::chrono::seconds(6));
    EXPECT_EQ(storedTexts(received), sent);
    EXPECT_EQ(storedTexts(postgres.url().toStdString()), sent) << "the senders keep their own copy";
}
