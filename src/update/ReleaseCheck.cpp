#include "update/ReleaseCheck.h"

#include <QFile>

#include <openssl/evp.h>

#include <memory>

namespace quillo {

namespace {

constexpr qsizetype kSha256Bytes = 32;
constexpr qsizetype kEd25519KeyBytes = 32;
constexpr qint64 kReadBlock = 1 << 16;

struct DigestContextFree {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
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
    DigestContext ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1)
        return std::nullopt;
    QByteArray block(kReadBlock, Qt::Uninitialized);
    for (;;) {
        const qint64 n = file.read(block.data(), block.size());
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        if (EVP_DigestUpdate(ctx.get(), block.constData(), static_cast<size_t>(n)) != 1)
            return std::nullopt;
    }
    QByteArray digest(EVP_MAX_MD_SIZE, Qt::Uninitialized);
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(ctx.get(), reinterpret_cast<unsigned char*>(digest.data()), &length) != 1)
        return std::nullopt;
    digest.truncate(length);
    return digest;
}

bool VerifyEd25519(const QByteArray& rawPublicKey, const QByteArray& message, const QByteArray& signature)
{
    if (rawPublicKey.size() != kEd25519KeyBytes)
        return false;
    const PublicKey key(EVP_PKEY_new_raw_public_key(
        EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char*>(rawPublicKey.constData()),
        static_cast<size_t>(rawPublicKey.size())));
    DigestContext ctx(EVP_MD_CTX_new());
    if (!key || !ctx || EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1)
        return false;
    return EVP_DigestVerify(ctx.get(), reinterpret_cast<const unsigned char*>(signature.constData()),
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
