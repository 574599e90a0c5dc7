#include "server/app/Service.h"

#include "server/app/BackendChain.h"
#include "server/app/ClientWatch.h"
#include "server/app/EngineReload.h"
#include "server/app/FeedbackForwarder.h"
#include "server/engines/AllEngines.h"
#include "server/stores/FeedbackStore.h"
#include "server/stores/GlossaryStore.h"
#include "server/api/GlossaryRoutes.h"
#include "server/api/GlossaryTermSource.h"
#include "server/base/Log.h"
#include "server/fetch/PageFetcher.h"
#include "server/stores/Release.h"
#include "server/api/ApiContext.h"
#include "server/api/ProgramRoutes.h"
#include "server/api/ServiceEngines.h"
#include "server/base/TokenStore.h"
#include "server/engines/TranslationService.h"
#include "server/engines/dictionary/ShelfEngines.h"
#include "translate/OpenCC.h"

#include "server/net/HostGuard.h"
#include "server/net/HttpServer.h"

#include <QDir>
#include <QString>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <thread>

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace quillo::server {

namespace {

constexpr size_t kSessionTokenLength = 33; // the program expects exactly this segment length
constexpr size_t kPageIdLength = 32;
constexpr size_t kMinimumKeyBytes = 16;
constexpr size_t kApiCharacters = 20000; // of text in one API request, all its texts together
constexpr size_t kTranslationBody = 64 * 1024;
constexpr size_t kFeedbackBody = 16 * 1024;

// Instances behind one balancer must share the key; a lone instance may make its own.
bool tokenKey(const ServeOptions& options, std::string& key, std::string& error)
{
    if (!options.tokenKeyFile.empty()) {
        std::ifstream file(options.tokenKeyFile, std::ios::binary);
        key.assign(std::istreambuf_iterator<char>(file), {});
        while (!key.empty() && (key.back() == '\n' || key.back() == '\r'))
            key.pop_back();
        if (!file.good() && !file.eof()) {
            error = "cannot read the token key file " + options.tokenKeyFile;
            return false;
        }
    } else if (const char* fromEnvironment = std::getenv("QUILLO_TOKEN_KEY")) {
        key = fromEnvironment;
    } else {
        key = TokenStore::randomKey();
        return true;
    }
    if (key.size() < kMinimumKeyBytes) {
        error = "the token key must be at least " + std::to_string(kMinimumKeyBytes) + " bytes";
        return false;
    }
    return true;
}

// Only the program's own server keeps messages where nobody reads them; a deployment's operator does.
std::string keptLocally(const ServeOptions& options)
{
    if (!options.feedbackUpstream.empty() || options.clientsFolder.empty())
        return {};
    const std::string where = options.database.empty() ? FeedbackStore::defaultPath(options.dataDirectory)
                                                       : std::string("PostgreSQL 数据库");
    return "留言只保存在本机的 " + where + " 中，没有发给任何人，不会有回复。";
}

web::ServerLimits serverLimits(const ServeOptions& options)
{
    web::ServerLimits limits;
    limits.bodyBytes = std::max(kTranslationBody, kFeedbackBody);
    limits.header = limits.body = std::chrono::seconds(options.readTimeoutSeconds);
    limits.threads = options.threads;
    limits.outsideThreads = options.pageWorkers;
    // Of the time a stop may take, the last thirtieth is the process's own (RunServe), and the
    // two before it are for calling off what still runs and sending its 503.
    const std::chrono::milliseconds stop = std::chrono::seconds(options.stopSeconds);
    limits.stopGrace = stop * 29 / 30;
    limits.stopAnswer = stop * 2 / 30;
    return limits;
}

// A dictionary in one Chinese script is asked in the other as well, through OpenCC's phrase tables.
QStringList otherChineseScripts(const QString& text)
{
    QStringList variants;
    const QByteArray utf8 = text.toUtf8();
    for (ScriptDirection direction : {ScriptDirection::SimplifiedToTraditional, ScriptDirection::TraditionalToSimplified}) {
        const auto converted = OpenCCConvert(direction, utf8);
        const QString variant = converted ? QString::fromUtf8(*converted) : QString();
        if (!variant.isEmpty() && variant != text && !variants.contains(variant))
            variants.push_back(variant);
    }
    return variants;
}

} // namespace

struct ServiceParts {
    ServiceParts(const ServeOptions& options, std::unique_ptr<TranslationService> service,
                 std::unique_ptr<FeedbackStore> store, const std::string& key)
        : translator(std::move(service)),
          sessions(kSessionTokenLength, std::chrono::minutes(30), key),
          pageIds(kPageIdLength, std::chrono::hours(12), key),
          feedback(std::move(store)),
          fetcher(FetchLimits{options.pageMaxBytes, 5, std::chrono::milliseconds(10000),
                              std::chrono::milliseconds(30000), options.allowPrivateFetch}),
          http(router, serverLimits(options),
               [this](const web::Request& request, web::Response& response) {
                   return guard && guard->screen(request, response);
               })
    {
    }

    std::unique_ptr<TranslationService> translator;
    TokenStore sessions;
    TokenStore pageIds;
    std::unique_ptr<FeedbackStore> feedback;
    std::unique_ptr<GlossaryStore> glossary; // set before serving
    std::optional<GlossaryTermSource> terms; // over `glossary`
    std::unique_ptr<FeedbackForwarder> forwarder; // after the store, which it uses
    PageFetcher fetcher;
    std::optional<ServiceEngines> apiEngines;
    std::optional<EngineReload> engineReload;
    ApiKeys apiKeys;
    std::optional<ApiContext> api;
    std::optional<HostGuard> guard; // once the address is bound
    web::Router router;
    web::HttpServer http; // last: destroyed first, while what its routes use still exists
};

Service::Service(ServeOptions options) : options_(std::move(options)) {}

Service::~Service() = default;

std::vector<std::unique_ptr<TranslationBackend>> Service::makeBackends(const ServeOptions& options,
                                                                       std::string& error)
{
    return MakeBackends(options, error);
}

bool Service::start(std::string& error)
{
    SetQuiet(options_.quiet);
    if (!options_.logFile.empty() && !SetLogFile(options_.logFile, options_.logMaxBytes, error))
        return false;
    auto backends = makeBackends(options_, error);
    if (!error.empty())
        return false;
    if (!QDir().mkpath(QString::fromStdString(ReleaseDirectory(options_.dataDirectory)))) {
        error = "cannot create the data directory " + options_.dataDirectory;
        return false;
    }
    const std::string database = options_.database.empty()
        ? FeedbackStore::defaultPath(options_.dataDirectory) : options_.database;
    auto store = FeedbackStore::open(database, FeedbackStore::Mode::ReadWrite, error);
    if (!store) {
        error = "feedback database: " + error;
        return false;
    }
    store->setLimits(options_.feedbackLimits);
    store->keepOutbox(!options_.feedbackUpstream.empty());
    std::string key;
    if (!tokenKey(options_, key, error))
        return false;
    parts_ = std::make_unique<ServiceParts>(
        options_, std::make_unique<TranslationService>(std::move(backends), &AllEngines()), std::move(store), key);
    auto glossary = GlossaryStore::open(FeedbackStore::isPostgresAddress(database)
                                            ? database : GlossaryStore::defaultPath(options_.dataDirectory), error);
    if (!glossary) {
        error = "glossary database: " + error;
        return false;
    }
    parts_->glossary = std::move(glossary);
    parts_->translator->setGlossary(parts_->terms.emplace(*parts_->glossary).lookup());
    // The dictionaries load on their own thread: start-up does not wait for their indices.
    parts_->translator->setFoundEngines(StartDictionaryEngines(options_.dataDirectory, otherChineseScripts));
    if (parts_->translator->backendNames() == "none")
        LogWarning("no translation engine configured: every pair is answered with the no-engine sentence");
    if (!options_.feedbackUpstream.empty())
        parts_->forwarder = std::make_unique<FeedbackForwarder>(*parts_->feedback, options_.feedbackUpstream);

    addProgramRoutes();
    web::Router& router = parts_->router;
    if (!options_.apiKeysFile.empty()) {
        auto keys = ApiKeys::load(options_.apiKeysFile, error);
        if (!keys)
            return false;
        parts_->apiKeys = std::move(*keys);
    }
    parts_->apiEngines.emplace(*parts_->translator);
    parts_->engineReload.emplace(options_, *parts_->translator);
    parts_->api.emplace(ApiContext{*parts_->apiEngines, parts_->apiKeys, kTranslationBody, kApiCharacters,
                                   &*parts_->engineReload});
    AddOpenApiRoutes(router, *parts_->api);
    AddLibreTranslateRoutes(router, *parts_->api);
    AddGlossaryRoutes(router, *parts_->api, *parts_->terms);

    if (!parts_->http.listen(options_.host, options_.port, error))
        return false;
    port_ = parts_->http.port();
    parts_->guard.emplace(parts_->http.listensOnLoopback(), options_.host, port_, options_.publicHosts,
                          CorsPolicy(options_.corsOrigins));
    if (!parts_->http.listensOnLoopback() && options_.publicHosts.empty())
        LogWarning("listening on " + options_.host + ": requests are taken whatever their Host and Origin");
    return true;
}

void Service::addProgramRoutes()
{
    ServiceParts& parts = *parts_;
    const TranslationService& translator = *parts.translator;
    // The guard exists only once the address is bound, after the routes are in place.
    FromAnotherSite fromAnotherSite = [&parts](const web::Request& request) {
        return parts.guard && parts.guard->fromAnotherSite(request);
    };
    const std::string releaseDir = ReleaseDirectory(options_.dataDirectory);
    AddBabelFishRoutes(parts.router, translator, kTranslationBody);
    AddWorldLingoRoutes(parts.router, {translator, parts.sessions, parts.pageIds, kTranslationBody, fromAnotherSite});
    AddPageRoutes(parts.router, {translator, parts.pageIds, parts.fetcher, fromAnotherSite});
    AddUpdateRoutes(parts.router, releaseDir);
    AddFeedbackRoutes(parts.router, {*parts.feedback, kFeedbackBody,
                                     [&parts] {
                                         if (parts.forwarder)
                                             parts.forwarder->messageStored();
                                     },
                                     keptLocally(options_)});
    AddHomePageRoutes(parts.router, releaseDir);
    AddHealthRoutes(parts.router, *parts.feedback, translator);
}

std::string Service::backendNames() const
{
    return parts_ ? parts_->translator->backendNames() : "none";
}

void Service::run()
{
    if (parts_)
        parts_->http.run();
}

void Service::stop()
{
    if (parts_)
        parts_->http.stop();
}

bool Service::reloadEngines(std::string& error)
{
    if (!parts_) {
        error = "not started";
        return false;
    }
    const EngineControl::Reload reloaded = parts_->engineReload->reload();
    error = reloaded.error;
    return reloaded.ok;
}

bool Service::running() const
{
    return parts_ && parts_->http.running();
}

namespace {

// A descriptor the stop watcher sleeps on.
class WakeDescriptor {
public:
    explicit WakeDescriptor(int fd) : fd_(fd) {}
    ~WakeDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    WakeDescriptor(const WakeDescriptor&) = delete;
    WakeDescriptor& operator=(const WakeDescriptor&) = delete;

    int fd() const { return fd_; }
    void wake() const
    {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(fd_, &one, sizeof one);
    }

private:
    int fd_;
};

// The signal taken from the descriptor, 0 for none.
int takeSignal(int signalFd)
{
    signalfd_siginfo info{};
    return ::read(signalFd, &info, sizeof info) == ssize_t(sizeof info) ? int(info.ssi_signo) : 0;
}

int millisecondsUntil(std::optional<std::chrono::steady_clock::time_point> moment)
{
    if (!moment)
        return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*moment - std::chrono::steady_clock::now());
    return int(std::max<int64_t>(left.count(), 0));
}

} // namespace

int RunServe(const ServeOptions& options)
{
    // Termination signals, and SIGHUP that asks for the engines' settings to be read again, arrive
    // through a descriptor that one thread sleeps on; every other thread, the pool included,
    // inherits the blocked mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&stopSignals, signal);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    // A thousand connections need more descriptors than the usual soft limit of 1024.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }
    const WakeDescriptor arrivedSignals(::signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK));
    const WakeDescriptor wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (arrivedSignals.fd() < 0 || wake.fd() < 0) {
        LogError(std::string("cannot watch for signals: ") + std::strerror(errno));
        return 1;
    }

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
    std::optional<ClientWatch> clients;
    if (!options.clientsFolder.empty())
        clients.emplace(options.clientsFolder);
    std::thread signalWatcher([&] {
        std::optional<std::chrono::steady_clock::time_point> mustEnd;
        while (!finished.load()) {
            std::optional<std::chrono::steady_clock::time_point> wakeAt = mustEnd;
            if (clients && (!wakeAt || clients->nextLook() < *wakeAt))
                wakeAt = clients->nextLook();
            pollfd watched[] = {{arrivedSignals.fd(), POLLIN, 0}, {wake.fd(), POLLIN, 0}};
            ::poll(watched, 2, millisecondsUntil(wakeAt));
            if (finished.load())
                break;
            // Work that cannot be called off (a parse inside the HTML library) must not keep
            // the process past its stop time: the answers are out, the database has committed.
            if (mustEnd && std::chrono::steady_clock::now() >= *mustEnd) {
                LogWarning("still busy at the stop time: ending without waiting for it");
                std::fflush(nullptr);
                std::_Exit(0);
            }
            const int signal = takeSignal(arrivedSignals.fd());
            if (signal == SIGHUP && !mustEnd) {
                std::string ignored; // logged where it is understood
                service.reloadEngines(ignored);
                continue;
            }
            const bool abandoned = signal == 0 && clients && clients->nobodyLeft();
            if (signal == 0 && !abandoned)
                continue;
            LogInfo(signal != 0 ? std::string("signal ") + strsignal(signal) + ": finishing requests in flight"
                                : std::string("no program uses this server any more: finishing requests in flight"));
            clients.reset();
            if (!mustEnd)
                mustEnd = std::chrono::steady_clock::now() + std::chrono::seconds(options.stopSeconds);
            service.stop();
        }
    });
    service.run();
    finished.store(true);
    wake.wake();
    signalWatcher.join();
    LogInfo("stopped");
    return 0;
}

} // namespace quillo::server
