#include "server/Service.h"

#include "server/ApertiumBackend.h"
#include "server/EchoBackend.h"
#include "server/FeedbackStore.h"
#include "server/LibreTranslateBackend.h"
#include "server/Log.h"
#include "server/PageFetcher.h"
#include "server/Release.h"
#include "server/ServiceContext.h"
#include "server/TokenStore.h"
#include "server/TranslationService.h"

#include <httplib.h>

#include <QDir>
#include <QString>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <thread>

#include <fcntl.h>
#include <pthread.h>
#include <sys/socket.h>

namespace quillo::server {

namespace {

constexpr size_t kSessionTokenLength = 33; // the program expects exactly this segment length
constexpr size_t kPageIdLength = 32;
constexpr size_t kTokenCapacity = 100000;

std::string statusSentence(int status)
{
    switch (status) {
    case 404: return "没有这个地址。";
    case 405: return "不支持这种请求方法。";
    case 413: return "请求内容过长，服务器不予处理。";
    case 414: return "请求地址过长。";
    default: return status >= 500 ? "服务器内部错误。" : "请求有误。";
    }
}

} // namespace

struct ServiceParts {
    ServiceParts(const ServeOptions& options, std::unique_ptr<TranslationService> service,
                 std::unique_ptr<FeedbackStore> store)
        : translator(std::move(service)),
          sessions(kSessionTokenLength, std::chrono::minutes(30), kTokenCapacity),
          pageIds(kPageIdLength, std::chrono::hours(12), kTokenCapacity),
          feedback(std::move(store)),
          fetcher(FetchLimits{options.pageMaxBytes, 5, std::chrono::milliseconds(10000),
                              std::chrono::milliseconds(30000), options.allowPrivateFetch}),
          context{*translator, sessions, pageIds, *feedback, fetcher,
                  ReleaseDirectory(options.dataDirectory), Limits{}}
    {
    }

    std::unique_ptr<TranslationService> translator;
    TokenStore sessions;
    TokenStore pageIds;
    std::unique_ptr<FeedbackStore> feedback;
    PageFetcher fetcher;
    ServiceContext context;
    httplib::Server http; // last: destroyed first, while what its routes use still exists
};

Service::Service(ServeOptions options) : options_(std::move(options)) {}

Service::~Service() = default;

std::vector<std::unique_ptr<TranslationBackend>> Service::makeBackends(const ServeOptions& options,
                                                                       std::string& error)
{
    std::vector<std::string> names = options.backends;
    if (names.empty()) {
        if (ApertiumBackend::installed(options.apertiumModes))
            names.push_back("apertium");
        if (!options.libreTranslateUrl.empty())
            names.push_back("libretranslate");
    }
    std::vector<std::unique_ptr<TranslationBackend>> backends;
    for (const std::string& name : names) {
        if (name == "echo") {
            backends.push_back(std::make_unique<EchoBackend>());
        } else if (name == "apertium") {
            if (!ApertiumBackend::installed(options.apertiumModes)) {
                error = "apertium is not installed (no apertium-wblank-mode, lt-proc or modes in "
                    + options.apertiumModes + ")";
                return {};
            }
            ApertiumOptions apertium{options.apertiumModes};
            apertium.limits = {std::chrono::seconds(options.pipelineIdleSeconds), options.pipelinesWarm};
            backends.push_back(std::make_unique<ApertiumBackend>(std::move(apertium)));
        } else if (name == "libretranslate") {
            backends.push_back(std::make_unique<LibreTranslateBackend>(
                LibreTranslateOptions{options.libreTranslateUrl, options.libreTranslateKey}));
        }
    }
    return backends;
}

bool Service::start(std::string& error)
{
    SetQuiet(options_.quiet);
    auto backends = makeBackends(options_, error);
    if (!error.empty())
        return false;
    if (!QDir().mkpath(QString::fromStdString(ReleaseDirectory(options_.dataDirectory)))) {
        error = "cannot create the data directory " + options_.dataDirectory;
        return false;
    }
    auto store = FeedbackStore::open(FeedbackStore::defaultPath(options_.dataDirectory),
                                     FeedbackStore::Mode::ReadWrite, error);
    if (!store) {
        error = "feedback database: " + error;
        return false;
    }
    parts_ = std::make_unique<ServiceParts>(
        options_, std::make_unique<TranslationService>(std::move(backends)), std::move(store));
    if (parts_->translator->backendNames() == "none")
        LogWarning("no translation engine configured: every pair is answered with the no-engine sentence");

    httplib::Server& http = parts_->http;
    const size_t threads = options_.threads;
    http.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    http.set_tcp_nodelay(true); // without it every small reply waits for the peer's delayed ACK
    // The library's default adds SO_REUSEPORT, which would let a second server bind a port
    // already in use and silently share its connections.
    http.set_socket_options([](int socket) {
        int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        fcntl(socket, F_SETFD, FD_CLOEXEC);
    });
    http.set_payload_max_length(std::max(parts_->context.limits.translationBody,
                                         parts_->context.limits.feedbackBody));
    http.set_read_timeout(std::chrono::seconds(options_.readTimeoutSeconds));
    http.set_write_timeout(std::chrono::seconds(30));
    http.set_keep_alive_timeout(5);
    http.set_keep_alive_max_count(1000);
    http.set_logger([](const httplib::Request& request, const httplib::Response& response) {
        LogInfo(request.remote_addr + " " + request.method + " " + request.path + " "
                + std::to_string(response.status) + " " + std::to_string(response.body.size()));
    });
    http.set_exception_handler([](const httplib::Request& request, httplib::Response& response,
                                  std::exception_ptr exception) {
        std::string what = "unknown exception";
        try {
            std::rethrow_exception(exception);
        } catch (const std::exception& e) {
            what = e.what();
        } catch (...) {
        }
        LogError(request.method + " " + request.path + ": " + what);
        response.status = 500;
        response.set_content(statusSentence(500) + "\n", "text/plain; charset=utf-8");
    });
    http.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (response.body.empty())
            response.set_content(statusSentence(response.status) + "\n", "text/plain; charset=utf-8");
    });

    ServiceContext& context = parts_->context;
    AddBabelFishRoutes(http, context);
    AddWorldLingoRoutes(http, context);
    AddPageRoutes(http, context);
    AddUpdateRoutes(http, context);
    AddFeedbackRoutes(http, context);
    AddHomePageRoutes(http, context);

    port_ = options_.port == 0 ? http.bind_to_any_port(options_.host)
                               : (http.bind_to_port(options_.host, options_.port) ? options_.port : -1);
    if (port_ < 0) {
        error = "cannot listen on " + options_.host + ":" + std::to_string(options_.port);
        return false;
    }
    return true;
}

std::string Service::backendNames() const
{
    return parts_ ? parts_->translator->backendNames() : "none";
}

void Service::run()
{
    if (parts_)
        parts_->http.listen_after_bind();
}

void Service::stop()
{
    if (parts_)
        parts_->http.stop();
}

bool Service::running() const
{
    return parts_ && parts_->http.is_running();
}

int RunServe(const ServeOptions& options)
{
    // Termination signals are taken by one thread with sigtimedwait; every other thread,
    // the pool included, inherits the blocked mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&stopSignals, signal);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    Service service(options);
    std::string error;
    if (!service.start(error)) {
        LogError(error);
        return 1;
    }
    std::printf("quillo-server listening on %s:%d\n", options.host.c_str(), service.port());
    std::fflush(stdout);
    LogInfo("serving with engines " + service.backendNames() + ", data in " + options.dataDirectory);

    std::atomic<bool> finished{false};
    std::thread signalWatcher([&] {
        const timespec tick{0, 200 * 1000 * 1000};
        while (!finished.load()) {
            const int signal = sigtimedwait(&stopSignals, nullptr, &tick);
            if (signal <= 0)
                continue;
            LogInfo(std::string("signal ") + strsignal(signal) + ": finishing requests in flight");
            // stop() does nothing until the accept loop runs, so repeat it until run() returns.
            while (!finished.load()) {
                service.stop();
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
    });
    service.run();
    finished.store(true);
    signalWatcher.join();
    LogInfo("stopped");
    return 0;
}

} // namespace quillo::server
