#pragma once
// Which requests a loopback service answers. Any web page the user opens can make the browser
// send requests to 127.0.0.1: a page of another site posting there carries its own Origin (or a
// Sec-Fetch-Site other than same-origin), and a DNS-rebinding name that resolves to loopback
// carries its own name in Host. The program sends neither header and addresses the service by
// the address it listens on. A deployment behind a balancer listens on loopback too and names
// the public host names its users reach it by.

#include "server/net/CorsPolicy.h"
#include "server/net/HttpMessage.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillo::server {

class HostGuard {
public:
    enum class Verdict { Allowed, ForeignHost, CrossSite };

    // `enforced`: the service listens on a loopback address (or public names are given). Pages of
    // the origins `cors` lists are no cross-site requests.
    HostGuard(bool enforced, const std::string& listenHost, int port, const std::vector<std::string>& publicHosts,
              CorsPolicy cors = CorsPolicy({}));

    Verdict check(const web::Request& request) const;
    // A browser marks the request as coming from a page of another site: an Origin or Referer
    // naming another host, or a Sec-Fetch-Site other than same-origin or none. GETs that act for
    // the user (hand out a page identifier, fetch a page) ask this themselves: a script or image
    // tag of any site may send them. False where the guard is not enforced.
    bool fromAnotherSite(const web::Request& request) const;
    // Answers refused requests (421 for a foreign Host, 403 for a cross-site request).
    bool refuse(const web::Request& request, web::Response& response) const;
    // What runs before every route: refuses as refuse() does, answers a listed origin's
    // preflight, and lets a listed origin read the reply.
    bool screen(const web::Request& request, web::Response& response) const;

private:
    bool knownHost(const std::string& hostAndPort) const;
    bool ownOrigin(std::string_view origin, const web::Request& request) const;

    bool enforced_;
    int port_; // the listening port
    CorsPolicy cors_;
    std::vector<std::string> hosts_; // lower case, without port or brackets
    std::vector<std::string> publicHosts_;
};

} // namespace quillo::server
