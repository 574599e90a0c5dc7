// The release check when libcrypto cannot be used: run with a stand-in libcrypto.so.3 that lacks
// its functions ahead of the real one on the library search path (see CMakeLists.txt).
#include "Ed25519Vector.h"

#include "update/ReleaseCheck.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quillo;

TEST(WithoutCrypto, NoSignatureIsAcceptedAndHashesStillWork)
{
    // Valid under any working verifier (see ReleaseCheckTest), refused without one.
    EXPECT_FALSE(VerifyEd25519(test::Rfc8032PublicKey(), QByteArray(), test::Rfc8032EmptyMessageSignature()));

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("quillo~"));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly) && out.write("abc") == 3);
    out.close();
    const QByteArray digest = QCryptographicHash::hash("abc", QCryptographicHash::Sha256);
    EXPECT_EQ(FileSha256(file), digest);

    const ReleaseCheck check(test::Rfc8032PublicKey().toBase64());
    const QString signature = QString::fromLatin1(test::Rfc8032EmptyMessageSignature().toBase64());
    EXPECT_EQ(check.verify(file, QString::fromLatin1(digest.toHex()), signature), ReleaseVerdict::SignatureInvalid);
    // Without a key no signature is asked for, and the hash alone decides as before.
    EXPECT_EQ(ReleaseCheck(QByteArray{}).verify(file, QString::fromLatin1(digest.toHex()), {}), ReleaseVerdict::Accepted);
}
