#include "update/ReleaseCheck.h"

#include "Ed25519Vector.h"
#include "UpdateTestSupport.h"

#include <QCryptographicHash>
#include <QTemporaryDir>

#include <openssl/evp.h>

#include <gtest/gtest.h>

#include <memory>

namespace quillo {
namespace {

using test::WriteAll;

// A fresh Ed25519 key that signs in memory.
class Signer
{
public:
    Signer()
    {
        std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> ctx(
            EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr), EVP_PKEY_CTX_free);
        EVP_PKEY* raw = nullptr;
        if (ctx && EVP_PKEY_keygen_init(ctx.get()) == 1 && EVP_PKEY_keygen(ctx.get(), &raw) == 1)
            m_key.reset(raw);
    }

    QByteArray publicBase64() const
    {
        QByteArray key(32, '\0');
        size_t length = 32;
        EVP_PKEY_get_raw_public_key(m_key.get(), reinterpret_cast<unsigned char*>(key.data()), &length);
        return key.toBase64();
    }

    QString sign(const QByteArray& message) const
    {
        std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
        QByteArray signature(64, '\0');
        size_t length = 64;
        EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, m_key.get());
        EVP_DigestSign(ctx.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                       reinterpret_cast<const unsigned char*>(message.constData()), size_t(message.size()));
        return QString::fromLatin1(signature.toBase64());
    }

private:
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> m_key{nullptr, EVP_PKEY_free};
};

class ReleaseCheckTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        file = dir.filePath(QStringLiteral("quillo~"));
        ASSERT_TRUE(WriteAll(file, "abc"));
    }

    QTemporaryDir dir;
    QString file;
    // SHA-256 of "abc" (FIPS 180-2, appendix B.1).
    const QString abcSha = QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
};

TEST_F(ReleaseCheckTest, HashOfTheFileAsRead)
{
    EXPECT_EQ(FileSha256(file), QByteArray::fromHex(abcSha.toLatin1()));
    const QString big = dir.filePath(QStringLiteral("big"));
    QByteArray content(200001, 'x'); // more than one read block, the last one short
    content[100000] = 'y';
    ASSERT_TRUE(WriteAll(big, content));
    EXPECT_EQ(FileSha256(big), QCryptographicHash::hash(content, QCryptographicHash::Sha256));
    EXPECT_EQ(FileSha256(dir.filePath(QStringLiteral("missing"))), std::nullopt);
}

TEST_F(ReleaseCheckTest, WithoutKeyTheHashIsRequired)
{
    const ReleaseCheck check(QByteArray{});
    EXPECT_EQ(check.verify(file, {}, {}), ReleaseVerdict::HashMissing);
    EXPECT_EQ(check.verify(file, abcSha, {}), ReleaseVerdict::Accepted);
    EXPECT_EQ(check.verify(file, abcSha.toUpper(), QStringLiteral("ignored")), ReleaseVerdict::Accepted);
    QString wrong = abcSha;
    wrong[63] = u'c';
    EXPECT_EQ(check.verify(file, wrong, {}), ReleaseVerdict::HashMismatch);
    EXPECT_EQ(check.verify(file, abcSha.left(63), {}), ReleaseVerdict::HashMismatch);
    EXPECT_EQ(check.verify(file, abcSha.left(62) + QStringLiteral("zz"), {}), ReleaseVerdict::HashMismatch);
    EXPECT_EQ(check.verify(dir.filePath(QStringLiteral("missing")), abcSha, {}), ReleaseVerdict::Unreadable);
}

TEST_F(ReleaseCheckTest, WithKeyASignatureOverTheHashIsRequired)
{
    const Signer maker;
    const ReleaseCheck check(maker.publicBase64());
    const QByteArray digest = QByteArray::fromHex(abcSha.toLatin1());
    const QString signature = maker.sign(digest);

    EXPECT_EQ(check.verify(file, abcSha, signature), ReleaseVerdict::Accepted);
    EXPECT_EQ(check.verify(file, {}, signature), ReleaseVerdict::Accepted);
    EXPECT_EQ(check.verify(file, abcSha, {}), ReleaseVerdict::SignatureMissing);
    EXPECT_EQ(check.verify(file, abcSha, maker.sign("abc")), ReleaseVerdict::SignatureInvalid);
    EXPECT_EQ(check.verify(file, abcSha, QStringLiteral("not base64 !")), ReleaseVerdict::SignatureInvalid);
    EXPECT_EQ(check.verify(file, abcSha, signature.left(20)), ReleaseVerdict::SignatureInvalid);

    // Someone else's signature, and a file changed after signing.
    const Signer stranger;
    EXPECT_EQ(check.verify(file, abcSha, stranger.sign(digest)), ReleaseVerdict::SignatureInvalid);
    ASSERT_TRUE(WriteAll(file, "abd"));
    EXPECT_EQ(check.verify(file, {}, signature), ReleaseVerdict::SignatureInvalid);
    EXPECT_EQ(check.verify(file, abcSha, signature), ReleaseVerdict::HashMismatch);

    // A broken built-in key trusts nothing.
    EXPECT_EQ(ReleaseCheck("c2hvcnQ=").verify(file, {}, signature), ReleaseVerdict::KeyInvalid);
    EXPECT_EQ(ReleaseCheck("%%%").verify(file, {}, signature), ReleaseVerdict::KeyInvalid);
}

TEST(Ed25519, PublishedVectorVerifiesAndAnyChangeFails)
{
    const QByteArray key = test::Rfc8032PublicKey();
    const QByteArray signature = test::Rfc8032EmptyMessageSignature();
    EXPECT_TRUE(VerifyEd25519(key, QByteArray(), signature));
    EXPECT_FALSE(VerifyEd25519(key, QByteArray("x"), signature));
    QByteArray flipped = signature;
    flipped[10] = char(flipped[10] ^ 1);
    EXPECT_FALSE(VerifyEd25519(key, QByteArray(), flipped));
    EXPECT_FALSE(VerifyEd25519(key.left(31), QByteArray(), signature));
}

} // namespace
} // namespace quillo
