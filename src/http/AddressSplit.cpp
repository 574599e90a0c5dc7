#include "http/AddressSplit.h"

#include "http/CurlApi.h"

namespace quillo {

namespace {

// Decoded here rather than by curl: curl would also turn "+" into a blank in the query, and
// refuse control characters instead of decoding them.
QByteArray decodedPart(const CurlApi& curl, CURLU* url, CURLUPart which)
{
    return QByteArray::fromPercentEncoding(CurlUrlPart(curl, url, which));
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
    const CurlApi* curl = Curl();
    if (!curl)
        return false;
    const CurlUrlHandle url(curl->url());
    if (!url)
        return false;
    const QByteArray full = WithDefaultScheme(address);
    // curl needs a terminated string without embedded zero bytes: one inside cannot be a URL.
    if (full.contains('\0'))
        return false;
    const unsigned setFlags = CURLU_NON_SUPPORT_SCHEME | CURLU_ALLOW_SPACE | CURLU_PATH_AS_IS;
    if (curl->url_set(url.get(), CURLUPART_URL, full.constData(), setFlags) != CURLUE_OK)
        return false;

    AddressParts split;
    split.scheme = CurlUrlPart(*curl, url.get(), CURLUPART_SCHEME);
    split.host = decodedPart(*curl, url.get(), CURLUPART_HOST);
    split.user = decodedPart(*curl, url.get(), CURLUPART_USER);
    split.password = decodedPart(*curl, url.get(), CURLUPART_PASSWORD);
    split.path = decodedPart(*curl, url.get(), CURLUPART_PATH);
    const QByteArray query = decodedPart(*curl, url.get(), CURLUPART_QUERY);
    const QByteArray fragment = decodedPart(*curl, url.get(), CURLUPART_FRAGMENT);
    if (!query.isEmpty())
        split.extra = '?' + query;
    if (!fragment.isEmpty())
        split.extra += '#' + fragment;
    bool portOk = false;
    const uint port = CurlUrlPart(*curl, url.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT).toUInt(&portOk);
    split.port = portOk && port <= 65535 ? quint16(port) : 0;

    if (split.scheme.size() > AddressLimits::scheme || split.host.size() > AddressLimits::host
        || split.user.size() > AddressLimits::user || split.password.size() > AddressLimits::password
        || split.path.size() > AddressLimits::path || split.extra.size() > AddressLimits::extra)
        return false;
    parts = split;
    return true;
}

} // namespace quillo
