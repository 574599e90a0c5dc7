#pragma once
// libcurl's functions as this program calls them: looked up in the library the first time a
// request or an address split needs one, not linked at start-up. Every call into libcurl goes
// through this table; another platform's loader (LoadLibrary) would fill the same table.
#include <curl/curl.h>

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

namespace quillo {

// X(member): the member `member` points at libcurl's `curl_member`.
#define QUILLO_CURL_FUNCTIONS(X) \
    X(global_init)               \
    X(free)                      \
    X(easy_init)                 \
    X(easy_cleanup)              \
    X(easy_setopt)               \
    X(easy_getinfo)              \
    X(easy_strerror)             \
    X(easy_option_by_id)         \
    X(version_info)              \
    X(multi_init)                \
    X(multi_cleanup)             \
    X(multi_add_handle)          \
    X(multi_remove_handle)       \
    X(multi_perform)             \
    X(multi_info_read)           \
    X(multi_poll)                \
    X(multi_wakeup)              \
    X(slist_append)              \
    X(slist_free_all)            \
    X(url)                       \
    X(url_cleanup)               \
    X(url_set)                   \
    X(url_get)

struct CurlApi {
    // Typed after the headers' declarations, so a signature that does not match fails to build.
#define QUILLO_CURL_MEMBER(name) decltype(&::curl_##name) name = nullptr;
    QUILLO_CURL_FUNCTIONS(QUILLO_CURL_MEMBER)
#undef QUILLO_CURL_MEMBER
};

// The oldest libcurl whose options this program sets (CURLOPT_PROTOCOLS_STR came with 7.85.0,
// CURLOPT_PREREQFUNCTION with 7.80.0). An older one refuses them, and a refused option would leave
// a request without its protocol limits or its stall timer.
constexpr unsigned kOldestCurlVersion = 0x075500;

// Every function of the table looked up in the library `fileName`; nothing, with the reason in
// `error`, when the library or one of them is missing or the library is older than
// kOldestCurlVersion. Does not initialise libcurl.
std::optional<CurlApi> LoadCurlApi(const char* fileName, QString& error);

// The process's libcurl, loaded and globally initialised once, from whichever thread asks first;
// null when it cannot be had (the reason is logged once and kept in CurlUnavailableReason).
const CurlApi* Curl();
QString CurlUnavailableReason();

// Owners of libcurl's handles. A handle exists only when Curl() gave the table that made it.
struct CurlEasyCleanup {
    void operator()(CURL* h) const { Curl()->easy_cleanup(h); }
};
struct CurlMultiCleanup {
    void operator()(CURLM* h) const { Curl()->multi_cleanup(h); }
};
struct CurlSlistFree {
    void operator()(curl_slist* l) const { Curl()->slist_free_all(l); }
};
struct CurlUrlCleanup {
    void operator()(CURLU* h) const { Curl()->url_cleanup(h); }
};
using CurlEasyHandle = std::unique_ptr<CURL, CurlEasyCleanup>;
using CurlMultiHandle = std::unique_ptr<CURLM, CurlMultiCleanup>;
using CurlHeaderList = std::unique_ptr<curl_slist, CurlSlistFree>;
using CurlUrlHandle = std::unique_ptr<CURLU, CurlUrlCleanup>;

// One part of a parsed address as libcurl gives it; empty when absent.
QByteArray CurlUrlPart(const CurlApi& curl, CURLU* url, CURLUPart part, unsigned flags = 0);

} // namespace quillo
