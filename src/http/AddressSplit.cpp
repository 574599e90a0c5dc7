#include "http/AddressSplit.h"

#include "http/CurlGlobal.h"

#include <curl/curl.h>

#include <memory>

namespace quillo {

namespace {

struct UrlHandleDeleter {
    void operator()(CURLU* h) const { curl_url_cleanup(h); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlHandleDeleter>;

// One raw part of the parsed address; absent parts are empty.
QByteArray rawPart(CURLU* url, CURLUPart which, unsigned flags = 0)
{
    char* text = nullptr;
    if (curl_url_get(url, which, &text, flags) != CURLUE_OK || !text)
        return {};
    QByteArray result(text);
    curl_free(text);
    return result;
}

// Decoded here rather than by curl: curl would also turn "+" into a blank in the query, and
// refuse control characters instead of decoding them.
QByteArray decodedPart(CURLU* url, CURLUPart which)
{
    return QByteArray::fromPercentEncoding(rawPart(url, which));
}

} // namespace

QByteArray WithDefaultScheme(const QByteArray& address)
{
    if (address.contains("://"))
        return address;
    return "http://" + address;
}

bool SplitAddress(const QByteArray& address, AddressParts& parts)
{
    EnsureCurlGlobalInit();
    UrlHandle url(curl_url());
    if (!url)
        return false;
    const QByteArray full = WithDefaultScheme(address);
    // curl needs a terminated string without embedded zero bytes: one inside cannot be a URL.
    if (full.contains('\0'))
        return false;
    const unsigned setFlags = CURLU_NON_SUPPORT_SCHEME | CURLU_ALLOW_SPACE | CURLU_PATH_AS_IS;
    if (curl_url_set(url.get(), CURLUPART_URL, full.constData(), setFlags) != CURLUE_OK)
        return false;

    AddressParts split;
    split.scheme = rawPart(url.get(), CURLUPART_SCHEME);
    split.host = decodedPart(url.get(), CURLUPART_HOST);
    split.user = decodedPart(url.get(), CURLUPART_USER);
    split.password = decodedPart(url.get(), CURLUPART_PASSWORD);
    split.path = decodedPart(url.get(), CURLUPART_PATH);
    const QByteArray query = decodedPart(url.get(), CURLUPART_QUERY);
    const QByteArray fragment = decodedPart(url.get(), CURLUPART_FRAGMENT);
    if (!query.isEmpty())
        split.extra = '?' + query;
    if (!fragment.isEmpty())
        split.extra += '#' + fragment;
    bool portOk = false;
    const uint port = rawPart(url.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT).toUInt(&portOk);
    split.port = portOk && port <= 65535 ? quint16(port) : 0;

    if (split.scheme.size() > AddressLimits::scheme || split.host.size() > AddressLimits::host
        || split.user.size() > AddressLimits::user || split.password.size() > AddressLimits::password
        || split.path.size() > AddressLimits::path || split.extra.size() > AddressLimits::extra)
        return false;
    parts = split;
    return true;
}

} // namespace quillo
