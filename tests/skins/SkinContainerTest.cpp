#include "SkinTestSupport.h"

#include "skins/SkinContents.h"
#include "skins/container/ContainerIndex.h"
#include "skins/container/SkinBitmap.h"
#include "skins/container/SkinContainer.h"

#include <gtest/gtest.h>

#include <QtEndian>

namespace quillo {
namespace {

using test::MakeBmp;
using test::MakeContainer;

void expectSameContainer(const SkinContainer& a, const SkinContainer& b)
{
    EXPECT_EQ(a.picture, b.picture);
    EXPECT_EQ(a.inactivePicture, b.inactivePicture);
    EXPECT_EQ(a.mask, b.mask);
    EXPECT_EQ(a.activePictures, b.activePictures);
    EXPECT_EQ(a.definition, b.definition);
}

// Offset of the active-picture count in a container written from c.
qsizetype countOffset(const SkinContainer& c)
{
    qsizetype offset = 4;
    for (const auto& p : {c.picture, c.inactivePicture, c.mask})
        offset += 1 + (p ? p->size() : 0);
    return offset;
}

TEST(SkinContainer, WritesAndReadsBackTheSameFields)
{
    const SkinContainer original = MakeContainer();
    const QByteArray bytes = WriteSkinContainer(original);
    EXPECT_EQ(qFromLittleEndian<qint32>(bytes.constData()), 3);
    EXPECT_EQ(bytes[4], 0);  // main picture present
    const ContainerReadResult read = ReadSkinContainer(bytes);
    ASSERT_EQ(read.status, ContainerStatus::Ok);
    EXPECT_EQ(read.container.version, 3);
    expectSameContainer(read.container, original);

    // The definition is simply what is left: a container without one reads with an empty text.
    SkinContainer bare = original;
    bare.definition.clear();
    const ContainerReadResult readBare = ReadSkinContainer(WriteSkinContainer(bare));
    ASSERT_EQ(readBare.status, ContainerStatus::Ok);
    EXPECT_TRUE(readBare.container.definition.isEmpty());
}

TEST(SkinContainer, ReadsOlderLayouts)
{
    // Version 2 carries two more flag and picture pairs before the count; they are skipped.
    SkinContainer v2 = MakeContainer();
    v2.version = 2;
    v2.legacyPictures = {MakeBmp(11, 11, Qt::cyan), std::nullopt};
    const ContainerReadResult read2 = ReadSkinContainer(WriteSkinContainer(v2));
    ASSERT_EQ(read2.status, ContainerStatus::Ok);
    expectSameContainer(read2.container, v2);

    // Any other older version has no extra pairs, even when the writer was given some.
    SkinContainer v1 = v2;
    v1.version = 1;
    const ContainerReadResult read1 = ReadSkinContainer(WriteSkinContainer(v1));
    ASSERT_EQ(read1.status, ContainerStatus::Ok);
    expectSameContainer(read1.container, v1);

    // All three flags non-zero: the count and the definition follow the flags directly.
    SkinContainer flagsOnly = MakeContainer();
    flagsOnly.picture.reset();
    flagsOnly.mask.reset();
    const QByteArray bytes = WriteSkinContainer(flagsOnly);
    EXPECT_EQ(bytes.mid(4, 3), QByteArray("\x01\x01\x01"));
    const ContainerReadResult read = ReadSkinContainer(bytes);
    ASSERT_EQ(read.status, ContainerStatus::Ok);
    expectSameContainer(read.container, flagsOnly);
}

TEST(SkinContainer, StopsAtANewerVersion)
{
    SkinContainer c = MakeContainer();
    c.version = 4;
    const ContainerReadResult read = ReadSkinContainer(WriteSkinContainer(c));
    EXPECT_EQ(read.status, ContainerStatus::NewerVersion);
    EXPECT_EQ(read.container.version, 4);
    EXPECT_FALSE(read.container.picture.has_value());
    EXPECT_TRUE(read.container.activePictures.isEmpty());
}

TEST(SkinContainer, RefusesEveryCutBeforeTheDefinition)
{
    const SkinContainer c = MakeContainer();
    const QByteArray bytes = WriteSkinContainer(c);
    const qsizetype definitionStart = bytes.size() - c.definition.size();
    for (qsizetype cut = 0; cut < definitionStart; ++cut) {
        // A copy of exactly the cut bytes, so that a read past them is caught by the sanitizers.
        const QByteArray prefix = bytes.left(cut);
        EXPECT_NE(ReadSkinContainer(prefix).status, ContainerStatus::Ok) << "cut at " << cut;
    }
    EXPECT_EQ(ReadSkinContainer(bytes.left(definitionStart)).status, ContainerStatus::Ok);
}

TEST(SkinContainer, RefusesLyingLengthsAndCounts)
{
    const SkinContainer c = MakeContainer();
    const QByteArray good = WriteSkinContainer(c);
    const qsizetype mainSize = c.picture->size();

    auto withInt32 = [&](qsizetype offset, qint32 value) {
        QByteArray bytes = good;
        qToLittleEndian(value, bytes.data() + offset);
        return bytes;
    };

    // The main picture's file header claims more than the container holds.
    EXPECT_EQ(ReadSkinContainer(withInt32(4 + 1 + 2, qint32(good.size()))).status, ContainerStatus::BadBitmapLength);
    EXPECT_EQ(ReadSkinContainer(withInt32(4 + 1 + 2, -1)).status, ContainerStatus::BadBitmapLength);
    // ... or less than its own headers.
    EXPECT_EQ(ReadSkinContainer(withInt32(4 + 1 + 2, 13)).status, ContainerStatus::BadBitmapLength);
    // A shorter claim that still fits shifts the reading; it must end cleanly either way.
    EXPECT_NE(ReadSkinContainer(withInt32(4 + 1 + 2, qint32(mainSize - 4))).status, ContainerStatus::Ok);

    const qsizetype count = countOffset(c);
    EXPECT_EQ(ReadSkinContainer(withInt32(count, 1000000)).status, ContainerStatus::BadCount);
    EXPECT_EQ(ReadSkinContainer(withInt32(count, std::numeric_limits<qint32>::max())).status, ContainerStatus::BadCount);
    EXPECT_EQ(ReadSkinContainer(withInt32(count, -2)).status, ContainerStatus::BadCount);
    // One picture more than written: the definition bytes are taken for a bitmap and refused.
    EXPECT_NE(ReadSkinContainer(withInt32(count, 3)).status, ContainerStatus::Ok);
}

TEST(SkinBitmap, DecodesOnlyConsistentBitmaps)
{
    const QByteArray bmp = MakeBmp(30, 20, Qt::yellow);
    const QImage image = DecodeSkinBitmap(bmp);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(30, 20));
    EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::yellow));
    EXPECT_EQ(DecodeSkinBitmap(MakeBmp(9, 4, Qt::black, QImage::Format_Mono)).size(), QSize(9, 4));

    // Pixels cut off: the rows the header describes do not fit in the bytes given.
    EXPECT_TRUE(DecodeSkinBitmap(QByteArrayView(bmp).first(bmp.size() - 10)).isNull());

    auto withInt32 = [&](qsizetype offset, qint32 value) {
        QByteArray bytes = bmp;
        qToLittleEndian(value, bytes.data() + offset);
        return bytes;
    };
    // A forged width whose rows no longer fit, a size beyond the picture cap, impossible sizes.
    EXPECT_TRUE(DecodeSkinBitmap(withInt32(18, 100000)).isNull());
    QByteArray huge = withInt32(18, 5000);
    qToLittleEndian<qint32>(5000, huge.data() + 22);
    qToLittleEndian<qint32>(1, huge.data() + 30); // run-length pixels: only the cap bounds them
    EXPECT_TRUE(DecodeSkinBitmap(huge).isNull());
    EXPECT_TRUE(DecodeSkinBitmap(withInt32(18, 0)).isNull());
    EXPECT_TRUE(DecodeSkinBitmap(withInt32(22, 0)).isNull());
    // An information header longer than the file.
    EXPECT_TRUE(DecodeSkinBitmap(withInt32(14, 1 << 20)).isNull());
    // Not a bitmap at all.
    QByteArray notBmp = bmp;
    notBmp[0] = 'P';
    EXPECT_TRUE(DecodeSkinBitmap(notBmp).isNull());
}

TEST(SkinBitmap, AllPicturesOfASkinShareOnePixelBudget)
{
    // A few hundred bytes each, millions of pixels each once decoded.
    const QByteArray large = test::MakeRunLengthBmp(3000, 3000);
    ASSERT_LT(large.size(), 2000);
    qint64 budget = kMaxSkinPixels;
    EXPECT_EQ(DecodeSkinBitmap(large, budget).size(), QSize(3000, 3000));
    EXPECT_EQ(budget, kMaxSkinPixels - 3000 * 3000);
    EXPECT_TRUE(DecodeSkinBitmap(large, budget).isNull());
    EXPECT_EQ(budget, kMaxSkinPixels - 3000 * 3000);
    EXPECT_TRUE(DecodeSkinBitmap(test::MakeRunLengthBmp(5000, 5000)).isNull());

    // A container of many such pictures is refused instead of filling the memory.
    SkinContainer bomb = MakeContainer();
    bomb.activePictures = QList<QByteArray>(1000, large);
    const SkinUnpackResult r = UnpackSkinContainer(WriteSkinContainer(bomb));
    EXPECT_EQ(r.status, SkinUnpackStatus::UndecodableBitmap);
    EXPECT_TRUE(r.contents.activePictures.isEmpty());
}

// An index reads back to where the walk found the pictures, and one that does not fit its
// container is not read at all.
TEST(ContainerIndex, ReadsBackAndRefusesWhatDoesNotFit)
{
    const QByteArray container = WriteSkinContainer(MakeContainer());
    const ContainerIndexResult walked = IndexSkinContainer(container);
    ASSERT_EQ(walked.status, ContainerStatus::Ok);
    const QByteArray bytes = WriteContainerIndex(walked.index);
    const std::optional<ContainerIndex> read = ReadContainerIndex(bytes, container.size());
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->picture.size, QSize(20, 10));
    EXPECT_EQ(read->inactivePicture.length, 0);
    EXPECT_EQ(read->activePictures.size(), 2);
    EXPECT_EQ(read->activePictures[1].size, QSize(3, 9));
    EXPECT_EQ(container.mid(read->definitionOffset), MakeContainer().definition);

    QByteArray pastTheEnd = bytes;
    qToLittleEndian<qint32>(qint32(container.size()), pastTheEnd.data() + 4 * (2 + 4 * 3));
    QByteArray negativeCount = bytes;
    qToLittleEndian<qint32>(-1, negativeCount.data() + 4);
    for (const QByteArray& forged : {bytes.chopped(4), pastTheEnd, negativeCount, QByteArray()})
        EXPECT_FALSE(ReadContainerIndex(forged, container.size()).has_value());
    EXPECT_FALSE(ReadContainerIndex(bytes, read->definitionOffset - 1).has_value()) << "a shorter container";
}

} // namespace
} // namespace quillo
