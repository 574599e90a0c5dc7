#pragma once
// Whether the release a version file announces may be fetched at all, decided before a byte of
// it is downloaded. The version file says which version it is and where it lies; whoever answers
// the version request could otherwise hand out an older, vulnerable release, or point the
// download at any file. A program built without the maker's public key has nothing but the
// transport to vouch for the version file and its SHA-256, so then both requests must travel
// over https (libcurl verifies the certificate and the host name) or stay on this machine's
// loopback.
#include <QString>

#include <optional>

namespace quillo {

struct VersionInfo;

enum class OfferVerdict {
    Newer,             // fetch it
    Current,           // the running program is this version
    VersionUnreadable, // empty, or not a dotted decimal number
    Older,             // going back to an older release
    NoAddress,         // no download address
    AddressNotWeb,     // a download address that is not http or https
    HashMissing,       // no key built in, and no SHA-256 to hold the download to
    InsecureTransport, // no key built in, and a request neither over https nor on loopback
};

// Compares dotted decimal versions as numbers ("9" < "16" < "16.1", "016" = "16.0" = "16"):
// negative, zero or positive; nothing when either is not such a version.
std::optional<int> CompareVersions(const QString& a, const QString& b);

// An http or https address with a host.
bool IsWebAddress(const QString& address);

// An address whose transport alone can vouch for what it returns: https, or http to a loopback
// host.
bool IsTrustedTransport(const QString& address);

// Every download address of `info` is judged, whichever of them is taken later.
OfferVerdict JudgeOffer(const VersionInfo& info, const QString& programVersion,
                        const QString& versionFileUrl, bool keyBuiltIn);

} // namespace quillo
