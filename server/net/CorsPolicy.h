#pragma once
// Web pages of other origins that the operator lets use the service from a browser. A listed
// origin passes the Host guard's cross-site check, its preflight (OPTIONS with
// Access-Control-Request-Method) is answered with 204, and every reply to it says it may be read.
// Any other origin gets no such header, so a browser keeps its page from reading the reply.

#include "server/net/HttpMessage.h"

#include <string>
#include <vector>

namespace quillo::server {

class CorsPolicy {
public:
    // Origins as a browser sends them ("https://app.example.org", "http://localhost:3000").
    explicit CorsPolicy(const std::vector<std::string>& origins);

    bool listed(const web::Request& request) const;
    // Answers a preflight of a listed origin and returns true; leaves anything else alone.
    bool answerPreflight(const web::Request& request, web::Response& response) const;
    // The headers that let a listed origin's page read the reply.
    void allow(const web::Request& request, web::Response& response) const;

    // "Scheme://host[:port]" in lower case without a trailing slash; "" when it is no origin.
    static std::string normalized(const std::string& origin);

private:
    std::vector<std::string> origins_; // normalized
};

} // namespace quillo::server
