#include "skins/container/ZlibCodec.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

namespace quillo {
namespace {

QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator rng(7);
    for (char& b : bytes)
        b = static_cast<char>(rng.bounded(256));
    return bytes;
}

TEST(ZlibCodec, RoundTripsAtTheBestLevelWithItsHeader)
{
    for (const QByteArray& data : {QByteArray(), QByteArray(100000, 'x'), randomBytes(70000)}) {
        const QByteArray packed = DeflateBest(data);
        ASSERT_GE(packed.size(), 2);
        EXPECT_EQ(static_cast<quint8>(packed[0]), 0x78);
        EXPECT_EQ(static_cast<quint8>(packed[1]), 0xDA);
        const InflateResult back = InflateCapped(packed, data.size());
        EXPECT_EQ(back.status, InflateStatus::Ok);
        EXPECT_EQ(back.data, data);
    }
}

TEST(ZlibCodec, CapsWhatItInflates)
{
    const QByteArray data(100000, 'a');
    const QByteArray packed = DeflateBest(data);
    EXPECT_EQ(InflateCapped(packed, data.size()).status, InflateStatus::Ok);
    const InflateResult over = InflateCapped(packed, data.size() - 1);
    EXPECT_EQ(over.status, InflateStatus::TooLarge);
    EXPECT_TRUE(over.data.isEmpty());

    // A bomb: 32 MiB of zeros packs into some 32 KB and must stop at the cap.
    const QByteArray bomb = DeflateBest(QByteArray(32 * 1024 * 1024, '\0'));
    EXPECT_LT(bomb.size(), 100 * 1024);
    EXPECT_EQ(InflateCapped(bomb, 16 * 1024 * 1024).status, InflateStatus::TooLarge);
}

TEST(ZlibCodec, RefusesDamagedAndCutStreams)
{
    const QByteArray data = randomBytes(20000);
    const QByteArray packed = DeflateBest(data);

    for (qsizetype cut : {qsizetype(0), qsizetype(1), qsizetype(2), packed.size() / 2, packed.size() - 1}) {
        const InflateResult r = InflateCapped(packed.left(cut), 1 << 20);
        EXPECT_NE(r.status, InflateStatus::Ok) << "cut at " << cut;
        EXPECT_TRUE(r.data.isEmpty());
    }
    EXPECT_EQ(InflateCapped(packed.left(packed.size() / 2), 1 << 20).status, InflateStatus::Truncated);

    QByteArray badChecksum = packed;
    badChecksum[badChecksum.size() - 1] = static_cast<char>(badChecksum.back() ^ 0x55);
    EXPECT_EQ(InflateCapped(badChecksum, 1 << 20).status, InflateStatus::Corrupt);

    EXPECT_EQ(InflateCapped(QByteArray("not zlib at all"), 1 << 20).status, InflateStatus::Corrupt);
}

} // namespace
} // namespace quillo
