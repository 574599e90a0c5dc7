#include "server/net/HostGuard.h"

#include "server/net/HttpServer.h"

#include <algorithm>
#include <cctype>

namespace quillo::server {

namespace {

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// "name", "name:port", "[v6]" or "[v6]:port" to the bare lower-case name.
std::string hostName(std::string_view hostAndPort)
{
    if (!hostAndPort.empty() && hostAndPort.front() == '[') {
        const size_t close = hostAndPort.find(']');
        return close == std::string_view::npos ? std::string() : lowerCase(std::string(hostAndPort.substr(1, close - 1)));
    }
    std::string name = lowerCase(std::string(hostAndPort.substr(0, hostAndPort.find(':'))));
    if (!name.empty() && name.back() == '.')
        name.pop_back();
    return name;
}

bool isSafeMethod(const std::string& method)
{
    return method == "GET" || method == "HEAD";
}

} // namespace

HostGuard::HostGuard(bool enforced, const std::string& listenHost, const std::vector<std::string>& publicHosts)
    : enforced_(enforced || !publicHosts.empty())
{
    hosts_.push_back(hostName(listenHost.find(':') != std::string::npos ? "[" + listenHost + "]" : listenHost));
    if (enforced)
        hosts_.insert(hosts_.end(), {"localhost", "127.0.0.1", "::1"});
    for (const std::string& name : publicHosts)
        hosts_.push_back(hostName(name));
}

bool HostGuard::knownHost(const std::string& hostAndPort) const
{
    const std::string name = hostName(hostAndPort);
    return !name.empty() && std::find(hosts_.begin(), hosts_.end(), name) != hosts_.end();
}

HostGuard::Verdict HostGuard::check(const web::Request& request) const
{
    if (!enforced_)
        return Verdict::Allowed;
    // Browsers always send Host; an HTTP/1.0 tool without one is no rebinding.
    if (request.has_header("Host") && !knownHost(request.get_header_value("Host")))
        return Verdict::ForeignHost;
    if (isSafeMethod(request.method) || !fromAnotherSite(request))
        return Verdict::Allowed;
    return Verdict::CrossSite;
}

bool HostGuard::fromAnotherSite(const web::Request& request) const
{
    if (!enforced_)
        return false;
    for (const char* header : {"Origin", "Referer"}) {
        if (!request.has_header(header))
            continue;
        const std::string address = request.get_header_value(header);
        const size_t scheme = address.find("://");
        if (scheme == std::string::npos)
            return true; // "null" included: sandboxed pages and opaque origins
        const std::string rest = address.substr(scheme + 3);
        if (!knownHost(rest.substr(0, rest.find_first_of("/?#"))))
            return true;
    }
    if (request.has_header("Sec-Fetch-Site")) {
        const std::string site = lowerCase(request.get_header_value("Sec-Fetch-Site"));
        if (site != "same-origin" && site != "none")
            return true;
    }
    return false;
}

bool HostGuard::refuse(const web::Request& request, web::Response& response) const
{
    const Verdict verdict = check(request);
    if (verdict == Verdict::Allowed)
        return false;
    response.status = verdict == Verdict::ForeignHost ? 421 : 403;
    const std::string detail = verdict == Verdict::ForeignHost ? "host " + request.get_header_value("Host") + " is not served here"
                                                               : "cross-site request from " + request.get_header_value("Origin");
    response.set_content(web::StatusSentence(response.status) + "\n" + detail.substr(0, 300) + "\n",
                         "text/plain; charset=utf-8");
    response.set_header("Connection", "close");
    return true;
}

} // namespace quillo::server
