#include "update/ReleaseCheck.h"

#include "core/RuntimeLibrary.h"

#include <QCryptographicHash>
#include <QFile>

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <memory>

#ifndef QUILLO_LIBCRYPTO_NAME
#define QUILLO_LIBCRYPTO_NAME "libcrypto.so.3"
#endif

namespace quillo {

namespace {

constexpr qsizetype kSha256Bytes = 32;
constexpr qsizetype kEd25519KeyBytes = 32;

// The few libcrypto functions a signature check needs, looked up when the first update is
// checked: the library costs start-up time and memory that most sessions never use.
#define QUILLO_CRYPTO_FUNCTIONS(X) \
    X(EVP_PKEY_new_raw_public_key)  \
    X(EVP_PKEY_free)                \
    X(EVP_MD_CTX_new)               \
    X(EVP_MD_CTX_free)              \
    X(EVP_DigestVerifyInit)         \
    X(EVP_DigestVerify)             \
    X(OpenSSL_version_num)          \
    X(OpenSSL_version)

// Ed25519 through the one-shot EVP_DigestVerify came with OpenSSL 1.1.1.
constexpr unsigned long kOldestCryptoVersion = 0x10101000UL;

struct CryptoApi {
#define QUILLO_CRYPTO_MEMBER(name) decltype(&::name) name = nullptr;
    QUILLO_CRYPTO_FUNCTIONS(QUILLO_CRYPTO_MEMBER)
#undef QUILLO_CRYPTO_MEMBER
};

std::optional<CryptoApi> loadCryptoApi()
{
    RuntimeLibrary library(QUILLO_LIBCRYPTO_NAME);
    CryptoApi api;
    bool complete = library.IsLoaded();
#define QUILLO_CRYPTO_RESOLVE(name) complete = complete && library.Resolve(api.name, #name);
    QUILLO_CRYPTO_FUNCTIONS(QUILLO_CRYPTO_RESOLVE)
#undef QUILLO_CRYPTO_RESOLVE
    if (!complete) {
        // Without it no signature can be verified, so none is accepted.
        qWarning("Update signatures cannot be checked: %s", qUtf8Printable(library.ErrorString()));
        return std::nullopt;
    }
    if (api.OpenSSL_version_num() < kOldestCryptoVersion) {
        qWarning("Update signatures cannot be checked: %s is older than OpenSSL 1.1.1",
                 api.OpenSSL_version(OPENSSL_VERSION));
        return std::nullopt;
    }
    return api;
}

// Loaded once, from whichever thread asks first; null when libcrypto cannot be had.
const CryptoApi* crypto()
{
    static const std::optional<CryptoApi> api = loadCryptoApi();
    return api ? &*api : nullptr;
}

struct DigestContextFree {
    void operator()(EVP_MD_CTX* ctx) const { crypto()->EVP_MD_CTX_free(ctx); }
};
struct KeyFree {
    void operator()(EVP_PKEY* key) const { crypto()->EVP_PKEY_free(key); }
};
using DigestContext = std::unique_ptr<EVP_MD_CTX, DigestContextFree>;
using PublicKey = std::unique_ptr<EVP_PKEY, KeyFree>;

std::optional<QByteArray> decodeBase64(const QString& text)
{
    const auto decoded = QByteArray::fromBase64Encoding(text.trimmed().toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return *decoded;
}

bool isHexDigest(const QString& text)
{
    if (text.size() != kSha256Bytes * 2)
        return false;
    for (const QChar c : text) {
        if (!c.isDigit() && !(c.toLower() >= u'a' && c.toLower() <= u'f'))
            return false;
    }
    return true;
}

} // namespace

std::optional<QByteArray> FileSha256(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    // Reads the file in blocks; false when a read fails part-way.
    if (!hash.addData(&file))
        return std::nullopt;
    return hash.result();
}

bool VerifyEd25519(const QByteArray& rawPublicKey, const QByteArray& message, const QByteArray& signature)
{
    const CryptoApi* api = crypto();
    if (!api || rawPublicKey.size() != kEd25519KeyBytes)
        return false;
    const PublicKey key(api->EVP_PKEY_new_raw_public_key(
        EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char*>(rawPublicKey.constData()),
        static_cast<size_t>(rawPublicKey.size())));
    DigestContext ctx(api->EVP_MD_CTX_new());
    if (!key || !ctx || api->EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1)
        return false;
    return api->EVP_DigestVerify(ctx.get(), reinterpret_cast<const unsigned char*>(signature.constData()),
                            static_cast<size_t>(signature.size()),
                            reinterpret_cast<const unsigned char*>(message.constData()),
                            static_cast<size_t>(message.size()))
        == 1;
}

ReleaseCheck::ReleaseCheck(const QByteArray& publicKeyBase64)
    : m_publicKeyBase64(publicKeyBase64.trimmed())
{
}

ReleaseCheck ReleaseCheck::builtIn()
{
    return ReleaseCheck(QByteArrayLiteral(QUILLO_UPDATE_PUBKEY));
}

ReleaseVerdict ReleaseCheck::verify(const QString& fileName, const QString& sha256Hex,
                                    const QString& signatureBase64) const
{
    std::optional<QByteArray> key;
    if (!m_publicKeyBase64.isEmpty()) {
        key = decodeBase64(QString::fromLatin1(m_publicKeyBase64));
        if (!key || key->size() != kEd25519KeyBytes)
            return ReleaseVerdict::KeyInvalid;
    }
    if (!key && sha256Hex.isEmpty())
        return ReleaseVerdict::HashMissing;
    const std::optional<QByteArray> digest = FileSha256(fileName);
    if (!digest)
        return ReleaseVerdict::Unreadable;
    if (!sha256Hex.isEmpty()) {
        if (!isHexDigest(sha256Hex) || QByteArray::fromHex(sha256Hex.toLatin1()) != *digest)
            return ReleaseVerdict::HashMismatch;
    }
    if (!key)
        return ReleaseVerdict::Accepted;
    if (signatureBase64.isEmpty())
        return ReleaseVerdict::SignatureMissing;
    const std::optional<QByteArray> signature = decodeBase64(signatureBase64);
    if (!signature || !VerifyEd25519(*key, *digest, *signature))
        return ReleaseVerdict::SignatureInvalid;
    return ReleaseVerdict::Accepted;
}

} // namespace quillo
