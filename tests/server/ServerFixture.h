#pragma once
// Test helpers: a quillo-server running in this process on a free loopback port, a small web
// site for page translation to fetch from, and the client calls the tests make.

#include "server/app/Service.h"

#include <httplib.h>

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quillo::server::testing {

inline const std::string kLoopback = "127.0.0.1";

// The engines a server started with these options would send text to at an address off this
// machine ("mymemory: https://..."), as it would resolve its settings. A test's server must have
// none: every online engine is pointed at a loopback stand-in.
std::vector<std::string> OutsideEngineAddresses(const ServeOptions& options);
// Fails the test for each of them; true when there is none.
bool OnlyLoopbackEngines(const ServeOptions& options);

// Runs a Service until destroyed. Options default to the echo backend and a fresh data folder.
class RunningService {
public:
    explicit RunningService(ServeOptions options = echoOptions())
    {
        options.host = kLoopback;
        options.port = 0;
        options.quiet = true;
        // Requests cut short end quickly, unless the test keeps slow clients on purpose.
        if (options.readTimeoutSeconds == ServeOptions{}.readTimeoutSeconds)
            options.readTimeoutSeconds = 1;
        if (options.dataDirectory.empty())
            options.dataDirectory = dataDir_.path().toStdString();
        options_ = options;
        if (!OnlyLoopbackEngines(options))
            return;
        service_ = std::make_unique<Service>(options);
        std::string error;
        started_ = service_->start(error);
        EXPECT_TRUE(started_) << error;
        if (!started_)
            return;
        thread_ = std::thread([this] { service_->run(); });
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!service_->running() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ~RunningService()
    {
        if (started_) {
            service_->stop();
            thread_.join();
        }
    }
    RunningService(const RunningService&) = delete;
    RunningService& operator=(const RunningService&) = delete;

    static ServeOptions echoOptions()
    {
        ServeOptions options;
        options.backends = {"echo"};
        options.allowPrivateFetch = true;
        options.feedbackUpstream.clear();
        return options;
    }

    int port() const { return service_ ? service_->port() : -1; }
    std::string hostPort() const { return kLoopback + ":" + std::to_string(port()); }
    std::string root() const { return "http://" + hostPort() + "/"; }
    const std::string& dataDirectory() const { return options_.dataDirectory; }
    httplib::Client client() const
    {
        httplib::Client c(kLoopback, port());
        c.set_read_timeout(std::chrono::seconds(60));
        return c;
    }

private:
    QTemporaryDir dataDir_;
    ServeOptions options_;
    std::unique_ptr<Service> service_;
    std::thread thread_;
    bool started_ = false;
};

inline std::string str(const QByteArray& bytes)
{
    return bytes.toStdString();
}

inline QByteArray bytes(const std::string& text)
{
    return QByteArray::fromStdString(text);
}

// A loopback web server the tests fill with routes (pages to translate, a fake LibreTranslate).
class LocalSite {
public:
    LocalSite() = default;
    ~LocalSite() { stop(); }
    LocalSite(const LocalSite&) = delete;
    LocalSite& operator=(const LocalSite&) = delete;

    httplib::Server& server() { return server_; }
    void start()
    {
        port_ = server_.bind_to_any_port(kLoopback);
        ASSERT_GT(port_, 0);
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    void stop()
    {
        if (thread_.joinable()) {
            server_.stop();
            thread_.join();
        }
    }
    std::string url(const std::string& path) const
    {
        return "http://" + kLoopback + ":" + std::to_string(port_) + path;
    }
    int port() const { return port_; }

private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = -1;
};

// Offers English, Simplified Chinese (as zh-Hans), Traditional (as zt) and Japanese, but
// Japanese only from English. Translates to "<target>:<q>", fails on the text "boom".
class FakeLibreTranslate {
public:
    explicit FakeLibreTranslate(const std::string& prefix = "")
    {
        httplib::Server& server = site.server();
        server.Get(prefix + "/languages", [this](const httplib::Request&, httplib::Response& response) {
            ++languageRequests;
            response.set_content(
                R"([{"code":"en","targets":["en","zh-Hans","zt","ja"]},
                    {"code":"zh-Hans","targets":["en","zh-Hans","zt"]},
                    {"code":"zt","targets":["en","zh-Hans","zt"]},
                    {"code":"ja","targets":["ja"]}])",
                "application/json");
        });
        server.Post(prefix + "/translate", [this](const httplib::Request& request, httplib::Response& response) {
            const QJsonObject body = QJsonDocument::fromJson(bytes(request.body)).object();
            {
                std::lock_guard lock(mutex);
                lastBody = body;
            }
            const QString q = body.value(QStringLiteral("q")).toString();
            if (q == QStringLiteral("boom")) {
                response.status = 500;
                response.set_content(R"({"error":"model exploded"})", "application/json");
                return;
            }
            const QString text = body.value(QStringLiteral("target")).toString() + u':' + q;
            response.set_content(
                QJsonDocument(QJsonObject{{QStringLiteral("translatedText"), text}}).toJson().toStdString(),
                "application/json");
        });
        site.start();
    }

    LocalSite site;
    std::atomic<int> languageRequests{0};
    std::mutex mutex;
    QJsonObject lastBody;
};

// A plain TCP connection to the service, for requests no well-behaved client sends.
class RawConnection {
public:
    explicit RawConnection(int port);
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool connected() const { return fd_ >= 0; }
    bool send(std::string_view bytes);
    void finishSending(); // half-close: the server sees the end of the request stream
    // What has arrived so far, without waiting.
    std::string available();
    // Reads until the reply is complete (head and Content-Length bytes), the server closes, or
    // `timeout` passes.
    std::string reply(std::chrono::seconds timeout = std::chrono::seconds(30));
    // Reads until the server closes (or `timeout` passes): everything it sent on the connection.
    std::string untilClosed(std::chrono::seconds timeout);
    bool closedByServer() const { return closedByServer_; }

private:
    int fd_ = -1;
    std::string received_;
    bool closedByServer_ = false;
};

// A loopback port nothing listens on now, for a server a test starts later.
int FreeLoopbackPort();

// Sends raw bytes on a fresh connection and returns the server's answer.
std::string RawExchange(int port, const std::string& request,
                        std::chrono::seconds timeout = std::chrono::seconds(30));

inline const char* kForm = "application/x-www-form-urlencoded";

// What the service did while its feedback store could not answer: `posts` messages sent at once,
// and meanwhile the other services and readiness asked.
struct StalledStoreOutcome {
    bool othersAnsweredFirst = false; // health and a translation, before any message was answered
    int readyStatus = 0;
    std::string readyBody;
    std::vector<int> postStatuses;
};
StalledStoreOutcome WhileTheStoreStalls(const RunningService& service, int posts);

// The translated-page address the program builds: root, a fresh identifier (with its
// backslash, or the slash a browser makes of it), "translation?", the page address through
// EncodeUrlParam, and the language codes.
std::string PageAddress(httplib::Client& client, const std::string& pageUrl,
                        const std::string& languages = "&wl_srclang=ZH_CN&wl_trglang=EN",
                        bool browserSlash = false);

} // namespace quillo::server::testing
