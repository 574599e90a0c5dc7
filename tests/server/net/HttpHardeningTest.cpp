// The service under attack: slow and huge clients, ambiguous framing, half-closed connections,
// and requests that other websites make the user's browser send. Deadlines here are the tests'
// own generous time-outs (a service that is held never answers at all), not measured latencies.

#include "ApiStandIns.h"
#include "ServerFixture.h"

#include "server/fetch/PageFetcher.h"

#include <QFile>
#include <QTemporaryDir>

#include <future>
#include <memory>

#include <arpa/inet.h>

using namespace quillo::server;
using namespace quillo::server::testing;

namespace {

constexpr auto kGenerous = std::chrono::seconds(20);

ServeOptions patientOptions()
{
    ServeOptions options = RunningService::echoOptions();
    options.readTimeoutSeconds = 120; // slow clients outlast the test unless the server ends them
    return options;
}

std::string post(const RunningService& service, const std::string& body, const std::string& extraHeaders = "")
{
    return "POST /translate_txt HTTP/1.1\r\nHost: " + service.hostPort() + "\r\nContent-Type: " + kForm
        + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extraHeaders + "\r\n" + body;
}

std::string statusOf(const std::string& reply)
{
    return reply.substr(0, 12);
}

// Connections that send their request a byte at a time: half of them in a header line, half in
// the body after a complete header. They keep at it until destroyed.
class SlowClients {
public:
    SlowClients(const RunningService& service, size_t count)
    {
        const std::string body = "trtext=" + std::string(4000, 'a') + "&lp=en_fr";
        const std::string whole = post(service, body, "X-Padding: " + std::string(4000, 'p') + "\r\n");
        for (size_t i = 0; i < count; ++i) {
            auto connection = std::make_unique<RawConnection>(service.port());
            EXPECT_TRUE(connection->connected());
            const std::string_view stop = i % 2 == 1 ? "\r\n\r\n" : "X-Padding: ";
            connection->send(whole.substr(0, whole.find(stop) + stop.size()));
            clients_.push_back(std::move(connection));
        }
        feeder_ = std::thread([this] {
            for (size_t at = 0; !done_ && at < 4000; ++at) {
                for (const auto& client : clients_)
                    client->send("p");
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(300)); // every one of them under way
    }
    ~SlowClients()
    {
        done_ = true;
        feeder_.join();
    }

private:
    std::vector<std::unique_ptr<RawConnection>> clients_;
    std::atomic<bool> done_{false};
    std::thread feeder_;
};

long residentKib()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toLong();
    }
    return -1;
}

// Sends header lines until the server answers, as a flooding client would.
std::string flood(const RunningService& service, size_t lines)
{
    RawConnection connection(service.port());
    connection.send("GET /S3739.5/object? HTTP/1.1\r\nHost: " + service.hostPort() + "\r\n");
    std::string chunk;
    while (chunk.size() < 64 * 1024)
        chunk += "X-Flood: 1234567\r\n";
    const size_t linesPerChunk = chunk.size() / 18;
    for (size_t sent = 0; sent < lines && connection.available().empty(); sent += linesPerChunk) {
        if (!connection.send(chunk))
            break;
    }
    return connection.reply(kGenerous);
}

} // namespace

TEST(HttpHardeningTest, SlowClientsDoNotKeepOthersWaiting)
{
    for (const size_t count : {16u, 64u}) {
        RunningService service(patientOptions());
        SlowClients slow(service, count);
        httplib::Client client = service.client();
        client.set_read_timeout(kGenerous);
        const auto answer = client.Post("/translate_txt", "trtext=hello&lp=en_fr", kForm);
        ASSERT_TRUE(answer) << count << " slow clients";
        EXPECT_EQ(answer->status, 200);
        EXPECT_NE(answer->body.find("[fr] hello"), std::string::npos);
    }
}

TEST(HttpHardeningTest, SlowPagesDoNotHoldTheOtherServices)
{
    LocalSite site;
    std::atomic<int> arrived{0};
    std::atomic<bool> release{false};
    site.server().Get("/slow", [&](const httplib::Request&, httplib::Response& response) {
        ++arrived;
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        response.set_content("<p>late</p>", "text/html");
    });
    site.start();
    RunningService service;
    const auto object = service.client().Get("/S3739.5/object?");
    ASSERT_TRUE(object);
    const std::string id = object->body.substr(object->body.find("wl_id=\\\"") + 8, 32);
    const std::string address = "/" + id + "/translation?wl_url=" + site.url("/slow") + "&wl_srclang=EN&wl_trglang=FR";

    std::vector<std::future<httplib::Result>> pages;
    for (int i = 0; i < 16; ++i)
        pages.push_back(std::async(std::launch::async, [&] { return service.client().Get(address); }));
    while (arrived == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    httplib::Client client = service.client();
    client.set_read_timeout(kGenerous);
    const auto text = client.Post("/translate_txt", "trtext=hello&lp=en_fr", kForm);
    release = true;
    ASSERT_TRUE(text);
    EXPECT_EQ(text->status, 200);
    for (auto& page : pages) {
        const auto result = page.get();
        ASSERT_TRUE(result);
        EXPECT_EQ(result->body, "<p>[FR] late</p>");
    }
}

// A translation engine that takes its time (a remote model, here one that never answers) holds
// a thread of the engines' own, not the event loop the other services need.
TEST(HttpHardeningTest, SlowEnginesDoNotHoldTheOtherServices)
{
    ChatStandIn model;
    model.answer = Answer::Stall;
    QTemporaryDir dir;
    QFile config(dir.filePath(QStringLiteral("engines.ini")));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(("[engines]\norder = llm\n[llm]\nurl = " + model.base() + "\nmodel = m\n").c_str());
    config.close();
    ServeOptions options = RunningService::echoOptions();
    options.backends.clear();
    options.configFile = config.fileName().toStdString();
    options.threads = 1;
    RunningService service(options);

    auto translation = std::async(std::launch::async, [&] {
        return service.client().Post("/translate_txt", "trtext=hello&lp=en_fr", kForm);
    });
    while (model.requests().empty())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    httplib::Client client = service.client();
    client.set_read_timeout(kGenerous);
    const auto loader = client.Get("/S3704.3-zh/loader");
    model.releaseStalls();
    ASSERT_TRUE(loader);
    EXPECT_EQ(loader->status, 200);
    translation.get();
}

TEST(HttpHardeningTest, HugeHeadersAreRefusedAndMemoryStaysBounded)
{
    RunningService service;
    const long before = residentKib();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(statusOf(flood(service, 3000000)), "HTTP/1.1 431"); // 28 MiB offered each time
    std::string manyFields = "GET /S3739.5/object? HTTP/1.1\r\nHost: " + service.hostPort() + "\r\n";
    for (int i = 0; i < 200; ++i)
        manyFields += "a:b\r\n";
    EXPECT_EQ(statusOf(RawExchange(service.port(), manyFields + "\r\n")), "HTTP/1.1 431");
    EXPECT_LT(residentKib() - before, 64 * 1024) << "KiB more than before the floods";
    EXPECT_EQ(service.client().Get("/S3739.5/object?")->status, 200);
}

TEST(HttpHardeningTest, AmbiguousFramingIsRefusedAndAMissingLengthIsAnEmptyBody)
{
    RunningService service(patientOptions());
    const std::string head = "POST /translate_txt HTTP/1.1\r\nHost: " + service.hostPort() + "\r\n";
    const std::string body = "trtext=hello&lp=en_fr";
    const std::string length = "Content-Length: " + std::to_string(body.size()) + "\r\n";
    const struct {
        std::string request;
        std::string status;
    } cases[] = {
        {head + length + "Content-Length: 5\r\n\r\n" + body, "HTTP/1.1 400"},
        {head + length + length + "\r\n" + body, "HTTP/1.1 400"},
        {head + "X-No-Colon\r\n" + length + "\r\n" + body, "HTTP/1.1 400"},
        {head + length + "Transfer-Encoding: chunked\r\n\r\n" + body, "HTTP/1.1 400"},
        // No length: no body, answered at once (long before the two-minute read time-out).
        {head + "\r\n" + body, "HTTP/1.1 400"},
        {head + length + "\r\n" + body, "HTTP/1.1 200"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(statusOf(RawExchange(service.port(), c.request, kGenerous)), c.status) << c.request;
}

TEST(HttpHardeningTest, UnreadableFramingIsRefusedAndTheConnectionClosed)
{
    RunningService service(patientOptions());
    const std::string host = "Host: " + service.hostPort() + "\r\n";
    // What follows the head would be taken for a second request if the connection stayed open.
    const std::string smuggled = "GET /healthz HTTP/1.1\r\n" + host + "\r\n";
    const auto withFields = [&](const std::string& version, const std::string& fields) {
        return "POST /translate_txt " + version + "\r\n" + host + fields + "\r\n" + smuggled;
    };
    const struct {
        std::string request;
        std::string status;
    } cases[] = {
        {withFields("HTTP/1.1", "Transfer-Encoding: gzip\r\n"), "HTTP/1.1 400"},
        {withFields("HTTP/1.1", "Transfer-Encoding: xchunked\r\n"), "HTTP/1.1 400"},
        {withFields("HTTP/1.1", "Transfer-Encoding: identity\r\n"), "HTTP/1.1 400"},
        {withFields("HTTP/1.1", "Transfer-Encoding: chunked, identity\r\n"), "HTTP/1.1 400"},
        {withFields("HTTP/1.1", "Transfer-Encoding: gzip, chunked\r\n"), "HTTP/1.1 400"},
        {withFields("HTTP/1.1", "Transfer-Encoding: gzip\r\nTransfer-Encoding: chunked\r\n"), "HTTP/1.1 400"},
        {withFields("HTTP/1.1", "Transfer-Encoding:\r\n"), "HTTP/1.1 400"},
        {withFields("HTTP/1.0", "Transfer-Encoding: chunked\r\n"), "HTTP/1.1 400"},
        {withFields("HTTP/1.1", host), "HTTP/1.1 400"},
        {withFields("HTTP/1.1", "Origin: http://" + service.hostPort() + "\r\nOrigin: http://attacker.example\r\n"), "HTTP/1.1 400"},
        {withFields("HTTP/1.1", "Sec-Fetch-Site: same-origin\r\nsec-fetch-site: cross-site\r\n"), "HTTP/1.1 400"},
    };
    for (const auto& c : cases) {
        RawConnection connection(service.port());
        ASSERT_TRUE(connection.send(c.request));
        const std::string answer = connection.untilClosed(std::chrono::seconds(5));
        EXPECT_EQ(statusOf(answer), c.status) << c.request;
        EXPECT_TRUE(connection.closedByServer()) << c.request;
        EXPECT_EQ(answer.find("HTTP/1.1", 1), std::string::npos) << "a second answer to\n" << c.request << answer;
    }
    // A chunked body alone is read as before.
    const std::string chunked = "POST /translate_txt HTTP/1.1\r\n" + host + "Content-Type: " + kForm
        + "\r\nTransfer-Encoding: chunked\r\n\r\n15\r\ntrtext=hello&lp=en_fr\r\n0\r\n\r\n";
    const std::string answer = RawExchange(service.port(), chunked, kGenerous);
    EXPECT_EQ(statusOf(answer), "HTTP/1.1 200");
    EXPECT_NE(answer.find("[fr] hello"), std::string::npos) << answer;
}

TEST(HttpHardeningTest, AHalfClosedClientStillGetsItsReply)
{
    RunningService service;
    RawConnection connection(service.port());
    ASSERT_TRUE(connection.send(post(service, "trtext=half&lp=en_fr")));
    connection.finishSending();
    const std::string reply = connection.reply(kGenerous);
    EXPECT_EQ(statusOf(reply), "HTTP/1.1 200");
    EXPECT_NE(reply.find("[fr] half"), std::string::npos);
}

TEST(HttpHardeningTest, StopEndsSlowClientsAtItsDeadline)
{
    auto service = std::make_unique<RunningService>(patientOptions());
    SlowClients slow(*service, 16);
    auto stopped = std::async(std::launch::async, [&] { service.reset(); });
    EXPECT_EQ(stopped.wait_for(std::chrono::seconds(60)), std::future_status::ready);
}

TEST(HttpHardeningTest, OtherWebsitesCannotDriveTheLoopbackService)
{
    ServeOptions options = RunningService::echoOptions();
    options.publicHosts = {"quillo.example"};
    RunningService service(options);
    const std::string port = std::to_string(service.port());
    const std::string body = "trtext=hello&lp=en_fr";
    auto request = [&](const std::string& method, const std::string& host, const std::string& headers) {
        const std::string target = method == "GET" ? "/S3739.5/object?" : "/translate_txt";
        return method + " " + target + " HTTP/1.1\r\nHost: " + host + "\r\n" + headers + "Content-Type: " + kForm
            + "\r\nContent-Length: " + std::to_string(method == "GET" ? 0 : body.size()) + "\r\n\r\n"
            + (method == "GET" ? "" : body);
    };
    const std::string own = "127.0.0.1:" + port;
    const struct {
        std::string method, host, headers, status;
    } cases[] = {
        {"GET", "rebound.attacker.example:" + port, "", "HTTP/1.1 421"},
        {"POST", "rebound.attacker.example:" + port, "", "HTTP/1.1 421"},
        {"POST", own, "Origin: http://attacker.example\r\n", "HTTP/1.1 403"},
        {"POST", own, "Origin: null\r\n", "HTTP/1.1 403"},
        {"POST", own, "Sec-Fetch-Site: cross-site\r\n", "HTTP/1.1 403"},
        {"POST", own, "Origin: http://" + own + "\r\nSec-Fetch-Site: same-site\r\n", "HTTP/1.1 403"},
        // Another port or scheme on this machine is another site.
        {"POST", own, "Origin: http://localhost:3000\r\n", "HTTP/1.1 403"},
        {"POST", own, "Origin: http://127.0.0.1:3000\r\n", "HTTP/1.1 403"},
        {"POST", own, "Origin: https://" + own + "\r\n", "HTTP/1.1 403"},
        {"POST", own, "Origin: http://" + own + "/path\r\n", "HTTP/1.1 403"},
        {"POST", "quillo.example", "Origin: https://quillo.example\r\n", "HTTP/1.1 200"},
        // The service's own pages, the program (neither header), and the names it is known by.
        {"POST", own, "Origin: http://" + own + "\r\nSec-Fetch-Site: same-origin\r\n", "HTTP/1.1 200"},
        {"POST", own, "", "HTTP/1.1 200"},
        {"POST", "localhost:" + port, "", "HTTP/1.1 200"},
        {"POST", "QUILLO.example", "", "HTTP/1.1 200"},
        {"GET", own, "Origin: http://attacker.example\r\n", "HTTP/1.1 403"}, // the object address: below
    };
    for (const auto& c : cases) {
        EXPECT_EQ(statusOf(RawExchange(service.port(), request(c.method, c.host, c.headers))), c.status)
            << c.method << " Host: " << c.host << "\n" << c.headers;
    }
}

// A page identifier lets its holder make the service fetch any page, and a script tag of any site
// can load the object address: identifiers go only to requests no browser marks as sent by
// another site, and the translated-page address refuses such requests too.
TEST(HttpHardeningTest, PageIdentifiersAndPagesAreOnlyForTheProgram)
{
    RunningService service;
    const std::string own = "127.0.0.1:" + std::to_string(service.port());
    const std::string object = "/S3739.5/object?";
    const std::string page = "/" + std::string(32, 'a') + "/translation?wl_url=http%3A%2F%2F127.0.0.1%2F&wl_srclang=EN&wl_trglang=ZH_CN";
    const struct {
        std::string target, headers, status;
    } cases[] = {
        {object, "Referer: http://attacker.example/page.html\r\n", "HTTP/1.1 403"},
        {object, "Sec-Fetch-Site: cross-site\r\nSec-Fetch-Dest: script\r\n", "HTTP/1.1 403"},
        {object, "Sec-Fetch-Site: same-site\r\n", "HTTP/1.1 403"},
        {object, "Referer: http://localhost.attacker.example/\r\n", "HTTP/1.1 403"},
        {page, "Referer: http://attacker.example/\r\n", "HTTP/1.1 403"},
        {page, "Sec-Fetch-Site: cross-site\r\n", "HTTP/1.1 403"},
        {page, "Origin: null\r\n", "HTTP/1.1 403"},
        // The program (no such header), the browser it opens a page in, the service's own pages;
        // an identifier that passes the guard but is unknown gets 404.
        {object, "", "HTTP/1.1 200"},
        {object, "Referer: http://" + own + "/\r\nSec-Fetch-Site: same-origin\r\n", "HTTP/1.1 200"},
        {page, "Sec-Fetch-Site: none\r\n", "HTTP/1.1 404"},
        {page, "", "HTTP/1.1 404"},
    };
    for (const auto& c : cases) {
        const std::string reply = RawExchange(service.port(), "GET " + c.target + " HTTP/1.1\r\nHost: " + own
                                                                  + "\r\n" + c.headers + "\r\n");
        EXPECT_EQ(statusOf(reply), c.status) << c.target << "\n" << c.headers;
        if (c.target == object && c.status == "HTTP/1.1 200") { // not a script any page can run
            EXPECT_NE(reply.find("X-Content-Type-Options: nosniff"), std::string::npos) << reply;
        }
    }
}

TEST(HttpHardeningTest, PageFetchesRefuseEveryInternalAddress)
{
    const struct {
        const char* address;
        bool internal;
    } cases[] = {
        {"::", true}, {"::1", true}, {"::7f00:1", true}, {"::a00:1", true}, {"::808:808", true},
        {"fec0::1", true}, {"feff::1", true}, {"fe80::1", true}, {"fc00::1", true}, {"ff02::1", true},
        {"::ffff:10.0.0.1", true}, {"64:ff9b::7f00:1", true}, {"2001:db8::1", true},
        {"2001:4860:4860::8888", false}, {"::1:0:0:1", false}, {"fe00::1", false},
        {"10.1.2.3", true}, {"8.8.8.8", false},
    };
    for (const auto& c : cases) {
        sockaddr_storage storage{};
        if (inet_pton(AF_INET6, c.address, &reinterpret_cast<sockaddr_in6*>(&storage)->sin6_addr) == 1) {
            storage.ss_family = AF_INET6;
        } else {
            ASSERT_EQ(inet_pton(AF_INET, c.address, &reinterpret_cast<sockaddr_in*>(&storage)->sin_addr), 1) << c.address;
            storage.ss_family = AF_INET;
        }
        EXPECT_EQ(PageFetcher::isInternalAddress(reinterpret_cast<const sockaddr*>(&storage)), c.internal) << c.address;
    }
}
