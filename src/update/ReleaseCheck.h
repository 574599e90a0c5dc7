#pragma once
// Whether a downloaded program is the one the version file announced. Without a built-in key
// the version file's SHA-256 is all that holds the download to the release, so it must be there
// (ReleaseOffer makes sure the version file came over a transport that vouches for it); a
// program built with an update public key demands the maker's Ed25519 signature over that
// SHA-256, which a third party on the way cannot forge.
#include <QByteArray>
#include <QString>

#include <optional>

namespace quillo {

enum class ReleaseVerdict {
    Accepted,
    Unreadable,        // the downloaded file cannot be read
    HashMismatch,      // SHA256 given, and the file's differs (or the value is not 64 hex digits)
    HashMissing,       // no key is built in, and the version file carries no SHA256
    SignatureMissing,  // a key is built in, the version file carries no signature
    SignatureInvalid,  // a key is built in, the signature is malformed or does not verify
    KeyInvalid,        // the built-in key is not base64 of 32 bytes: nothing can be trusted
};

class ReleaseCheck
{
public:
    // `publicKeyBase64`: base64 of the 32 raw bytes of an Ed25519 public key; empty means that
    // no signature is asked for.
    explicit ReleaseCheck(const QByteArray& publicKeyBase64);

    // The key this program was built with.
    static ReleaseCheck builtIn();

    // `sha256Hex` and `signatureBase64` as the version file gives them, empty when absent.
    ReleaseVerdict verify(const QString& fileName, const QString& sha256Hex,
                          const QString& signatureBase64) const;

private:
    QByteArray m_publicKeyBase64;
};

// SHA-256 of a file's content, read in blocks; nothing when it cannot be read.
std::optional<QByteArray> FileSha256(const QString& fileName);

// Whether `signature` is a valid Ed25519 signature of `message` under the raw 32-byte key.
bool VerifyEd25519(const QByteArray& rawPublicKey, const QByteArray& message, const QByteArray& signature);

} // namespace quillo
