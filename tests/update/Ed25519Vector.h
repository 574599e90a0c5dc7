#pragma once
// The first Ed25519 test vector of RFC 8032 (section 7.1): a signature of the empty message that
// any correct verifier accepts.
#include <QByteArray>

namespace quillo::test {

inline QByteArray Rfc8032PublicKey()
{
    return QByteArray::fromHex("d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a");
}

inline QByteArray Rfc8032EmptyMessageSignature()
{
    return QByteArray::fromHex("e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e065224901555fb8821590a33bacc61e39701cf9b46bd25bf5f0595bbe24655141438e7a100b");
}

} // namespace quillo::test
