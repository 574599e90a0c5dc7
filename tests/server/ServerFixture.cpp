#include "ServerFixture.h"

#include "translate/Encoding.h"
#include "translate/ReplyCuts.h"

#include <QString>

#include <arpa/inet.h>
#include <netinet/in.h>
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

std::string RawExchange(int port, const std::string& request)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return {};
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval timeout{30, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    std::string answer;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
        && ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
        char buffer[4096];
        ssize_t n = 0;
        while (!responseComplete(answer) && (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
            answer.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return answer;
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

} // namespace quillo::server::testing
