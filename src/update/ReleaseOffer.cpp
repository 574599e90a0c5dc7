#include "update/ReleaseOffer.h"

#include "http/NetworkState.h"
#include "update/VersionInfo.h"

#include <QRegularExpression>
#include <QUrl>
#include <QVersionNumber>

#include <algorithm>

namespace quillo {

namespace {

std::optional<QVersionNumber> parseVersion(const QString& text)
{
    static const QRegularExpression dottedDecimal(QStringLiteral("^[0-9]{1,9}(\\.[0-9]{1,9})*$"));
    if (!dottedDecimal.match(text).hasMatch())
        return std::nullopt;
    return QVersionNumber::fromString(text).normalized();
}

QString schemeOf(const QUrl& url)
{
    return url.scheme().toLower();
}

} // namespace

std::optional<int> CompareVersions(const QString& a, const QString& b)
{
    const std::optional<QVersionNumber> left = parseVersion(a);
    const std::optional<QVersionNumber> right = parseVersion(b);
    if (!left || !right)
        return std::nullopt;
    return QVersionNumber::compare(*left, *right);
}

bool IsWebAddress(const QString& address)
{
    const QUrl url(address);
    const QString scheme = schemeOf(url);
    return url.isValid() && (scheme == u"http" || scheme == u"https") && !url.host().isEmpty();
}

bool IsTrustedTransport(const QString& address)
{
    if (!IsWebAddress(address))
        return false;
    const QUrl url(address);
    return schemeOf(url) == u"https" || IsLoopbackHost(url.host());
}

OfferVerdict JudgeOffer(const VersionInfo& info, const QString& programVersion,
                        const QString& versionFileUrl, bool keyBuiltIn)
{
    const std::optional<int> order = CompareVersions(info.version, programVersion);
    if (!order)
        return OfferVerdict::VersionUnreadable;
    if (*order == 0)
        return OfferVerdict::Current;
    if (*order < 0)
        return OfferVerdict::Older;
    const QStringList& paths = info.downloadPaths;
    if (paths.isEmpty())
        return OfferVerdict::NoAddress;
    if (!std::all_of(paths.cbegin(), paths.cend(), IsWebAddress))
        return OfferVerdict::AddressNotWeb;
    if (keyBuiltIn)
        return OfferVerdict::Newer;
    if (info.sha256.isEmpty())
        return OfferVerdict::HashMissing;
    if (!IsTrustedTransport(versionFileUrl) || !std::all_of(paths.cbegin(), paths.cend(), IsTrustedTransport))
        return OfferVerdict::InsecureTransport;
    return OfferVerdict::Newer;
}

} // namespace quillo
