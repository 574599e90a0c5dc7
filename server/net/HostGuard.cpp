#include "server/net/HostGuard.h"

#include "server/base/TextTools.h"
#include "server/net/HttpServer.h"

#include <algorithm>
#include <cctype>

namespace quillo::server {

namespace {

// "name", "name:port", "[v6]" or "[v6]:port" to the bare lower-case name.
std::string hostName(std::string_view hostAndPort)
{
    if (!hostAndPort.empty() && hostAndPort.front() == '[') {
        const size_t close = hostAndPort.find(']');
        return close == std::string_view::npos ? std::string() : AsciiLowerCase(std::string(hostAndPort.substr(1, close - 1)));
    }
    std::string name = AsciiLowerCase(std::string(hostAndPort.substr(0, hostAndPort.find(':'))));
    if (!name.empty() && name.back() == '.')
        name.pop_back();
    return name;
}

// The port of "name:port" or "[v6]:port"; empty when none is written.
std::string portOf(std::string_view hostAndPort)
{
    if (hostAndPort.empty())
        return {};
    const size_t close = hostAndPort.front() == '[' ? hostAndPort.find(']') : 0;
    const size_t colon = close == std::string_view::npos ? close : hostAndPort.find(':', close);
    return colon == std::string_view::npos ? std::string() : std::string(hostAndPort.substr(colon + 1));
}

bool isSafeMethod(const std::string& method)
{
    return method == "GET" || method == "HEAD";
}

} // namespace

HostGuard::HostGuard(bool enforced, const std::string& listenHost, int port, const std::vector<std::string>& publicHosts,
                     CorsPolicy cors)
    : enforced_(enforced || !publicHosts.empty()), port_(port), cors_(std::move(cors))
{
    hosts_.push_back(hostName(listenHost.find(':') != std::string::npos ? "[" + listenHost + "]" : listenHost));
    if (enforced)
        hosts_.insert(hosts_.end(), {"localhost", "127.0.0.1", "::1"});
    for (const std::string& name : publicHosts)
        publicHosts_.push_back(hostName(name));
    hosts_.insert(hosts_.end(), publicHosts_.begin(), publicHosts_.end());
}

bool HostGuard::knownHost(const std::string& hostAndPort) const
{
    const std::string name = hostName(hostAndPort);
    return !name.empty() && std::find(hosts_.begin(), hosts_.end(), name) != hosts_.end();
}

// A page's origin is scheme, host and port: another port on this machine is another site (a
// development server on localhost:3000 must not post here). The service's own pages were
// loaded from the Host the request names; https only through the proxy of a public name.
bool HostGuard::ownOrigin(std::string_view origin, const web::Request& request) const
{
    const size_t schemeEnd = origin.find("://");
    if (schemeEnd == std::string_view::npos)
        return false; // "null" included: sandboxed pages and opaque origins
    const std::string scheme = AsciiLowerCase(std::string(origin.substr(0, schemeEnd)));
    const std::string_view authority = origin.substr(schemeEnd + 3);
    if (authority.empty() || authority.find('/') != std::string_view::npos || !knownHost(std::string(authority)))
        return false;
    const std::string name = hostName(authority);
    const bool publicName = std::find(publicHosts_.begin(), publicHosts_.end(), name) != publicHosts_.end();
    if (scheme != "http" && !(scheme == "https" && publicName))
        return false;
    if (!request.has_header("Host"))
        return portOf(authority) == std::to_string(port_);
    const std::string host = request.get_header_value("Host");
    return name == hostName(host) && portOf(authority) == portOf(host);
}

HostGuard::Verdict HostGuard::check(const web::Request& request) const
{
    if (!enforced_)
        return Verdict::Allowed;
    // Browsers always send Host; an HTTP/1.0 tool without one is no rebinding.
    if (request.has_header("Host") && !knownHost(request.get_header_value("Host")))
        return Verdict::ForeignHost;
    if (isSafeMethod(request.method) || cors_.listed(request) || !fromAnotherSite(request))
        return Verdict::Allowed;
    return Verdict::CrossSite;
}

bool HostGuard::fromAnotherSite(const web::Request& request) const
{
    if (!enforced_)
        return false;
    if (request.has_header("Origin") && !ownOrigin(request.get_header_value("Origin"), request))
        return true;
    // A Referer is a whole address; its origin is what stands before the path.
    if (request.has_header("Referer")) {
        const std::string referer = request.get_header_value("Referer");
        const size_t scheme = referer.find("://");
        const size_t pathStart = scheme == std::string::npos ? scheme : referer.find_first_of("/?#", scheme + 3);
        if (!ownOrigin(std::string_view(referer).substr(0, pathStart), request))
            return true;
    }
    if (request.has_header("Sec-Fetch-Site")) {
        const std::string site = AsciiLowerCase(request.get_header_value("Sec-Fetch-Site"));
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

bool HostGuard::screen(const web::Request& request, web::Response& response) const
{
    if (refuse(request, response) || cors_.answerPreflight(request, response))
        return true;
    cors_.allow(request, response);
    return false;
}

} // namespace quillo::server
