#include "http/CurlApi.h"

#include "core/RuntimeLibrary.h"

#include <QtGlobal>

#ifndef QUILLO_LIBCURL_NAME
#define QUILLO_LIBCURL_NAME "libcurl.so.4"
#endif

namespace quillo {

namespace {

struct LoadedCurl {
    std::optional<CurlApi> api;
    QString reason;
};

LoadedCurl loadAndInitialise()
{
    LoadedCurl loaded;
    loaded.api = LoadCurlApi(QUILLO_LIBCURL_NAME, loaded.reason);
    // Never cleaned up: abandoned workers may still be unwinding their transfers at exit.
    if (loaded.api && loaded.api->global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        loaded.api.reset();
        loaded.reason = QStringLiteral("libcurl could not be initialised");
    }
    if (!loaded.api)
        qWarning("No request can be sent: %s", qUtf8Printable(loaded.reason));
    return loaded;
}

const LoadedCurl& loadedCurl()
{
    static const LoadedCurl loaded = loadAndInitialise();
    return loaded;
}

} // namespace

std::optional<CurlApi> LoadCurlApi(const char* fileName, QString& error)
{
    RuntimeLibrary library(fileName);
    CurlApi api;
    bool complete = library.IsLoaded();
#define QUILLO_CURL_RESOLVE(name) complete = complete && library.Resolve(api.name, "curl_" #name);
    QUILLO_CURL_FUNCTIONS(QUILLO_CURL_RESOLVE)
#undef QUILLO_CURL_RESOLVE
    if (!complete) {
        error = library.ErrorString();
        return std::nullopt;
    }
    const curl_version_info_data* info = api.version_info(CURLVERSION_NOW);
    if (!info || info->version_num < kOldestCurlVersion) {
        error = QStringLiteral("libcurl %1 is older than %2.%3.%4, the oldest this program works with")
                    .arg(QString::fromLatin1(info && info->version ? info->version : "of unknown version"))
                    .arg(kOldestCurlVersion >> 16)
                    .arg((kOldestCurlVersion >> 8) & 0xff)
                    .arg(kOldestCurlVersion & 0xff);
        return std::nullopt;
    }
    error.clear();
    return api;
}

const CurlApi* Curl()
{
    const LoadedCurl& loaded = loadedCurl();
    return loaded.api ? &*loaded.api : nullptr;
}

QString CurlUnavailableReason()
{
    return loadedCurl().reason;
}

QByteArray CurlUrlPart(const CurlApi& curl, CURLU* url, CURLUPart part, unsigned flags)
{
    char* text = nullptr;
    if (curl.url_get(url, part, &text, flags) != CURLUE_OK || !text)
        return {};
    QByteArray result(text);
    curl.free(text);
    return result;
}

} // namespace quillo
