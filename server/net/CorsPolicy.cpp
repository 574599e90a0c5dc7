#include "server/net/CorsPolicy.h"

#include <algorithm>
#include <cctype>

namespace quillo::server {

namespace {

constexpr std::string_view kAllowedHeaders = "Content-Type, Authorization, X-API-Key";
constexpr std::string_view kPreflightCache = "600"; // seconds a browser may keep the answer

} // namespace

CorsPolicy::CorsPolicy(const std::vector<std::string>& origins)
{
    for (const std::string& origin : origins) {
        if (std::string name = normalized(origin); !name.empty())
            origins_.push_back(std::move(name));
    }
}

std::string CorsPolicy::normalized(const std::string& origin)
{
    std::string name = origin;
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    while (!name.empty() && name.back() == '/')
        name.pop_back();
    const size_t scheme = name.find("://");
    if (scheme == std::string::npos || scheme == 0 || scheme + 3 >= name.size())
        return {};
    if (name.find('/', scheme + 3) != std::string::npos)
        return {}; // an origin has no path
    return name;
}

bool CorsPolicy::listed(const web::Request& request) const
{
    if (origins_.empty() || !request.has_header("Origin"))
        return false;
    const std::string origin = normalized(request.get_header_value("Origin"));
    return !origin.empty() && std::find(origins_.begin(), origins_.end(), origin) != origins_.end();
}

bool CorsPolicy::answerPreflight(const web::Request& request, web::Response& response) const
{
    if (request.method != "OPTIONS" || !request.has_header("Access-Control-Request-Method") || !listed(request))
        return false;
    response.status = 204;
    allow(request, response);
    response.set_header("Access-Control-Allow-Methods", "GET, POST, DELETE, OPTIONS");
    response.set_header("Access-Control-Allow-Headers", kAllowedHeaders);
    response.set_header("Access-Control-Max-Age", kPreflightCache);
    return true;
}

void CorsPolicy::allow(const web::Request& request, web::Response& response) const
{
    if (!listed(request))
        return;
    response.set_header("Access-Control-Allow-Origin", request.get_header_value("Origin"));
    response.set_header("Vary", "Origin");
}

} // namespace quillo::server
