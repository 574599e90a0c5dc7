#include "server/net/Router.h"

namespace quillo::server::web {

void Router::Get(const std::string& pattern, Handler handler, Lane lane)
{
    routes_.push_back({"GET", std::regex(pattern),
                       [handler = std::move(handler)](const Request& request, Response& response,
                                                      const ContentReader&) { handler(request, response); },
                       lane, pattern});
}

void Router::Delete(const std::string& pattern, Handler handler, Lane lane)
{
    routes_.push_back({"DELETE", std::regex(pattern),
                       [handler = std::move(handler)](const Request& request, Response& response,
                                                      const ContentReader&) { handler(request, response); },
                       lane, pattern});
}

void Router::Post(const std::string& pattern, BodyHandler handler, Lane lane)
{
    routes_.push_back({"POST", std::regex(pattern), std::move(handler), lane, pattern});
}

const Router::Route* Router::find(Request& request, int& status) const
{
    const std::string& method = request.method == "HEAD" ? std::string("GET") : request.method;
    status = 404;
    for (const Route& route : routes_) {
        if (!std::regex_match(request.path, request.matches, route.pattern))
            continue;
        if (route.method == method)
            return &route;
        status = 405;
    }
    request.matches = {};
    return nullptr;
}

} // namespace quillo::server::web
