#pragma once
// The service's address table: method, path pattern (a regular expression over the whole decoded
// path; its groups land in Request::matches) and handler, tried in the order they were added.
// A route that waits on other servers (page fetches) says so, and the network layer runs it on
// its own small, bounded set of threads, so slow outside pages cannot take the threads every
// other request needs.

#include "server/net/HttpMessage.h"

#include <functional>
#include <regex>
#include <string>
#include <vector>

namespace quillo::server::web {

// Local routes run on the connection's event loop; Outside routes (other web sites), Engine
// routes (translation engines, which may be remote and take seconds), Store routes (the
// database, which may stall) and Probe routes (readiness, which asks the database) each get a
// bounded pool of their own, so none can hold the loops nor starve another.
enum class Lane { Local, Outside, Engine, Store, Probe };

class Router {
public:
    using Handler = std::function<void(const Request&, Response&)>;
    using BodyHandler = std::function<void(const Request&, Response&, const ContentReader&)>;

    void Get(const std::string& pattern, Handler handler, Lane lane = Lane::Local);
    void Post(const std::string& pattern, BodyHandler handler, Lane lane = Lane::Local);
    void Delete(const std::string& pattern, Handler handler, Lane lane = Lane::Local);

    struct Route {
        std::string method;
        std::regex pattern;
        BodyHandler handler;
        Lane lane;
        std::string source; // the pattern as written
    };
    // Every route, in the order added: what a document of the routes is checked against.
    const std::vector<Route>& routes() const { return routes_; }
    // The route for the request, with request.matches filled in; nullptr with `status` set to
    // 404 (no such path) or 405 (the path exists for another method). HEAD finds GET routes.
    const Route* find(Request& request, int& status) const;

private:
    std::vector<Route> routes_;
};

} // namespace quillo::server::web
