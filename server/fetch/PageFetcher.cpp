#include "server/fetch/PageFetcher.h"

#include "server/base/WorkCancel.h"

#include <curl/curl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <array>
#include <cstring>
#include <memory>
#include <mutex>

namespace quillo::server {

namespace {

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlHandle = std::unique_ptr<CURL, CurlDeleter>;

struct Transfer {
    const FetchLimits* limits = nullptr;
    std::string body;
    bool tooLarge = false;
    bool refused = false;
};

size_t collect(char* data, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const size_t length = size * count;
    if (transfer->body.size() + length > transfer->limits->maxBytes) {
        transfer->tooLarge = true;
        return 0;
    }
    transfer->body.append(data, length);
    return length;
}

curl_socket_t openGuarded(void* user, curlsocktype, struct curl_sockaddr* address)
{
    auto* transfer = static_cast<Transfer*>(user);
    if (!transfer->limits->allowPrivateAddresses
        && PageFetcher::isInternalAddress(&address->addr)) {
        transfer->refused = true;
        return CURL_SOCKET_BAD;
    }
    return socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

bool internalV4(uint32_t host)
{
    struct Range {
        uint32_t network;
        int bits;
    };
    static constexpr std::array<Range, 13> ranges{{
        {0x00000000, 8},  // "this" network
        {0x0A000000, 8},  // private
        {0x64400000, 10}, // carrier-grade NAT
        {0x7F000000, 8},  // loopback
        {0xA9FE0000, 16}, // link-local
        {0xAC100000, 12}, // private
        {0xC0000000, 24}, // protocol assignments
        {0xC0000200, 24}, // documentation
        {0xC0A80000, 16}, // private
        {0xC6120000, 15}, // benchmarking
        {0xC6336400, 24}, // documentation
        {0xCB007100, 24}, // documentation
        {0xE0000000, 3},  // multicast and reserved, broadcast included
    }};
    for (const Range& range : ranges) {
        const uint32_t mask = range.bits == 0 ? 0 : ~uint32_t(0) << (32 - range.bits);
        if ((host & mask) == range.network)
            return true;
    }
    return false;
}

bool internalV6(const in6_addr& address)
{
    const uint8_t* b = address.s6_addr;
    static constexpr std::array<uint8_t, 16> zero{};
    const bool v4Mapped = std::memcmp(b, zero.data(), 10) == 0 && b[10] == 0xFF && b[11] == 0xFF;
    const bool nat64 = b[0] == 0x00 && b[1] == 0x64 && b[2] == 0xFF && b[3] == 0x9B;
    if (v4Mapped || nat64) {
        const uint32_t v4 = (uint32_t(b[12]) << 24) | (uint32_t(b[13]) << 16)
            | (uint32_t(b[14]) << 8) | b[15];
        return internalV4(v4);
    }
    if (std::memcmp(b, zero.data(), 12) == 0)
        return true; // ::/96: unspecified, loopback, IPv4-compatible (deprecated, still routed to IPv4)
    return (b[0] & 0xFE) == 0xFC                  // unique local
        || (b[0] == 0xFE && (b[1] & 0xC0) == 0x80) // link-local
        || (b[0] == 0xFE && (b[1] & 0xC0) == 0xC0) // site-local (deprecated, still routed inside sites)
        || b[0] == 0xFF                            // multicast
        || (b[0] == 0x20 && b[1] == 0x01 && b[2] == 0x0D && b[3] == 0xB8); // documentation
}

void initialiseCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace

PageFetcher::PageFetcher(FetchLimits limits) : limits_(limits)
{
    initialiseCurlOnce();
}

bool PageFetcher::isInternalAddress(const ::sockaddr* address)
{
    if (address->sa_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(address);
        return internalV4(ntohl(v4->sin_addr.s_addr));
    }
    if (address->sa_family == AF_INET6)
        return internalV6(reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr);
    return true; // anything else is not a web server we should talk to
}

FetchedPage PageFetcher::fetch(const std::string& url) const
{
    FetchedPage page;
    CurlHandle curl(curl_easy_init());
    if (!curl) {
        page.error = "curl_easy_init failed";
        return page;
    }
    Transfer transfer;
    transfer.limits = &limits_;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    CURL* h = curl.get();

    // Network
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_PROXY, ""); // the address check must see the real peer
    curl_easy_setopt(h, CURLOPT_OPENSOCKETFUNCTION, &openGuarded);
    curl_easy_setopt(h, CURLOPT_OPENSOCKETDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits_.connectTimeout.count()));
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(limits_.totalTimeout.count()));
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    // HTTP
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, limits_.maxRedirects);
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits_.maxBytes));
    curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(h, CURLOPT_USERAGENT, "quillo-server page translation");
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &collect);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
    AbortTransferWhenCancelled(h);

    const CURLcode code = curl_easy_perform(h);
    if (transfer.refused) {
        page.status = FetchedPage::Status::Refused;
        page.error = "address refused: internal network";
        return page;
    }
    if (transfer.tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
        page.status = FetchedPage::Status::TooLarge;
        page.error = "page larger than " + std::to_string(limits_.maxBytes) + " bytes";
        return page;
    }
    if (code != CURLE_OK) {
        page.error = errorBuffer[0] ? errorBuffer : curl_easy_strerror(code);
        return page;
    }
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &page.httpStatus);
    const char* type = nullptr;
    if (curl_easy_getinfo(h, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type)
        page.contentType = type;
    const char* effective = nullptr;
    if (curl_easy_getinfo(h, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective)
        page.effectiveUrl = effective;
    page.body = std::move(transfer.body);
    page.status = FetchedPage::Status::Ok;
    return page;
}

} // namespace quillo::server
