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

HostGuard::HostGuard(bool enforced, const std::string& listenHost, const std::vector<std::string>& publicHosts,
                     CorsPolicy cors)
    : enforced_(enforced || !publicHosts.empty()), cors_(std::move(cors))
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
    if (isSafeMethod(request.method) || cors_.listed(request))
        return Verdict::Allowed;
    if (request.has_header("Origin")) {
        const std::string origin = request.get_header_value("Origin");
        const size_t scheme = origin.find("://");
        if (scheme == std::string::npos || !knownHost(origin.substr(scheme + 3)))
            return Verdict::CrossSite; // "null" included: sandboxed pages and opaque origins
    }
    if (request.has_header("Sec-Fetch-Site")) {
        const std::string site = lowerCase(request.get_header_value("Sec-Fetch-Site"));
        if (site != "same-origin" && site != "none")
            return Verdict::CrossSite;
    }
    return Verdict::Allowed;
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

bool HostGuard::screen(const web::Request& request, web::Response& response) const
{
    if (refuse(request, response) || cors_.answerPreflight(request, response))
        return true;
    cors_.allow(request, response);
    return false;
}

} // namespace quillo::server
