#pragma once
// Fetches the web page a translated-page address names, as a careful client: http and https
// only, a size cap, time-outs, a redirect limit, and no connection to loopback, private,
// link-local or other internal addresses unless the deployer allows them. The address check
// runs on every connection curl opens, redirects included, after name resolution, so a name
// that resolves to an internal address is refused as well.

#include <chrono>
#include <string>

struct sockaddr;

namespace quillo::server {

struct FetchLimits {
    size_t maxBytes = 4 * 1024 * 1024;
    long maxRedirects = 5;
    std::chrono::milliseconds connectTimeout{10000};
    std::chrono::milliseconds totalTimeout{30000};
    bool allowPrivateAddresses = false;
};

struct FetchedPage {
    enum class Status { Ok, Refused, TooLarge, Failed };
    Status status = Status::Failed;
    long httpStatus = 0;
    std::string body;
    std::string contentType;  // as the server sent it
    std::string effectiveUrl; // after redirects: the base for relative links
    std::string error;        // for the log and the error page
};

class PageFetcher {
public:
    explicit PageFetcher(FetchLimits limits);
    FetchedPage fetch(const std::string& url) const;

    // Whether an address is one that pages may not be fetched from without permission.
    static bool isInternalAddress(const ::sockaddr* address);

private:
    FetchLimits limits_;
};

} // namespace quillo::server
