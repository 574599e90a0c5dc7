#include "ServerFixture.h"

#include "server/app/BackendChain.h"
#include "server/engines/AllEngines.h"
#include "server/engines/EngineChain.h"
#include "translate/Encoding.h"
#include "translate/ReplyCuts.h"

#include <QString>
#include <QUrl>

#include <future>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quillo::server::testing {

namespace {

// Head and as many body bytes as its Content-Length says: clients stop reading there, whether
// or not the server closes the connection.
bool responseComplete(const std::string& answer)
{
    const size_t headEnd = answer.find("\r\n\r\n");
    if (headEnd == std::string::npos)
        return false;
    const size_t field = answer.find("Content-Length: ");
    if (field == std::string::npos || field > headEnd)
        return true;
    return answer.size() >= headEnd + 4 + std::stoul(answer.substr(field + 16));
}

} // namespace

RawConnection::RawConnection(int port)
{
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

RawConnection::~RawConnection()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool RawConnection::send(std::string_view bytes)
{
    return fd_ >= 0 && ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

void RawConnection::finishSending()
{
    ::shutdown(fd_, SHUT_WR);
}

std::string RawConnection::available()
{
    char buffer[4096];
    ssize_t n = 0;
    while (fd_ >= 0 && (n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT)) > 0)
        received_.append(buffer, static_cast<size_t>(n));
    return received_;
}

std::string RawConnection::reply(std::chrono::seconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    char buffer[4096];
    while (fd_ >= 0 && !responseComplete(received_)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd ready{fd_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0)
            break;
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        received_.append(buffer, static_cast<size_t>(n));
    }
    return received_;
}

std::string RawConnection::untilClosed(std::chrono::seconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    char buffer[4096];
    while (fd_ >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd ready{fd_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0)
            break;
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0) {
            closedByServer_ = n == 0;
            break;
        }
        received_.append(buffer, static_cast<size_t>(n));
    }
    return received_;
}

StalledStoreOutcome WhileTheStoreStalls(const RunningService& service, int posts)
{
    std::atomic<int> answeredPosts{0};
    std::vector<std::future<int>> pending;
    for (int i = 0; i < posts; ++i) {
        pending.push_back(std::async(std::launch::async, [&service, &answeredPosts, i] {
            const auto answer = service.client().Post("/translation/feedback/addinfo.asp",
                                                      "user=u&name=n&email=e&title=t&text=stalled" + std::to_string(i), kForm);
            ++answeredPosts;
            return answer ? answer->status : 0;
        }));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // not a measure: lets the posts reach the store
    StalledStoreOutcome outcome;
    httplib::Client client = service.client();
    const auto health = client.Get("/healthz");
    const auto translation = client.Post("/translate_txt", "trtext=hello&lp=en_fr", kForm);
    outcome.othersAnsweredFirst = health && health->status == 200 && translation && translation->status == 200
        && answeredPosts == 0;
    if (const auto ready = client.Get("/readyz")) {
        outcome.readyStatus = ready->status;
        outcome.readyBody = ready->body;
    }
    for (auto& post : pending)
        outcome.postStatuses.push_back(post.get());
    return outcome;
}

int FreeLoopbackPort()
{
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(probe);
    return ntohs(address.sin_port);
}

std::string RawExchange(int port, const std::string& request, std::chrono::seconds timeout)
{
    RawConnection connection(port);
    return connection.send(request) ? connection.reply(timeout) : std::string();
}

std::string PageAddress(httplib::Client& client, const std::string& pageUrl,
                        const std::string& languages, bool browserSlash)
{
    const auto object = client.Get("/S3739.5/object?");
    std::string id = object ? str(ExtractPageId(ReplyText(bytes(object->body)))) : std::string();
    if (browserSlash && !id.empty())
        id.back() = '/';
    return "/" + id + "translation?wl_url=" + str(EncodeUrlParam(QString::fromStdString(pageUrl)))
        + languages;
}

std::vector<std::string> OutsideEngineAddresses(const ServeOptions& options)
{
    EngineSettings settings;
    std::string error;
    if (!LoadEngineSettings(options, settings, error))
        return {};
    std::vector<std::string> outside;
    for (const std::string& id : ChainIds(AllEngines(), settings)) {
        const EngineDescriptor* engine = AllEngines().find(id);
        if (!engine || !engine->online)
            continue;
        const std::string url = settings.value(SectionOf(*engine, id), "url");
        const QString host = QUrl(QString::fromStdString(url)).host();
        if (host != u"127.0.0.1" && host != u"localhost" && host != u"::1")
            outside.push_back(id + ": " + (url.empty() ? std::string("its default address") : url));
    }
    return outside;
}

bool OnlyLoopbackEngines(const ServeOptions& options)
{
    const std::vector<std::string> outside = OutsideEngineAddresses(options);
    for (const std::string& address : outside)
        ADD_FAILURE() << "the test's server would send text off this machine, to " << address;
    return outside.empty();
}

} // namespace quillo::server::testing
