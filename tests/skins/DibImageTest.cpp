#include "skins/container/DibImage.h"
#include "skins/container/SkinBitmap.h"

#include <QRandomGenerator>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace quillo;

namespace {

struct DibShape {
    int width = 1;
    int height = 1;  // negative: rows stored top-down
    int bits = 24;
    int paletteSize = 0;
    bool iconHalves = false;
};

void put16(QByteArray& out, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void put32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

QByteArray randomBytes(QRandomGenerator& random, qsizetype count)
{
    QByteArray bytes(count, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = char(random.bounded(256));
    return bytes;
}

qsizetype rowBytes(int width, int bits)
{
    return (qsizetype(width) * bits + 31) / 32 * 4;
}

// A BITMAPINFOHEADER, its colour table and random rows (and a random AND mask for icons).
QByteArray randomDib(const DibShape& shape, QRandomGenerator& random, QByteArray alphaOverride = {})
{
    const int rows = std::abs(shape.height);
    QByteArray dib;
    put32(dib, 40);
    put32(dib, quint32(shape.width));
    put32(dib, quint32(shape.iconHalves ? 2 * rows : shape.height));
    put16(dib, 1);
    put16(dib, quint16(shape.bits));
    put32(dib, 0);
    put32(dib, 0);
    put32(dib, 0);
    put32(dib, 0);
    put32(dib, quint32(shape.paletteSize));
    put32(dib, 0);
    for (int i = 0; i < shape.paletteSize; ++i)
        put32(dib, random.generate() & 0xFFFFFFu);
    QByteArray pixels = randomBytes(random, rowBytes(shape.width, shape.bits) * rows);
    if (shape.bits == 32 && !alphaOverride.isNull()) {
        for (qsizetype i = 3; i < pixels.size(); i += 4)
            pixels[i] = alphaOverride[0];
    }
    dib.append(pixels);
    if (shape.iconHalves)
        dib.append(randomBytes(random, rowBytes(shape.width, 1) * rows));
    return dib;
}

QByteArray bmpFile(const QByteArray& dib, int paletteSize)
{
    QByteArray file("BM");
    put32(file, quint32(14 + dib.size()));
    put32(file, 0);
    put32(file, quint32(14 + 40 + 4 * paletteSize));
    return file + dib;
}

QByteArray curFile(const QByteArray& dib, int width, int height)
{
    QByteArray file;
    put16(file, 0);
    put16(file, 2);
    put16(file, 1);
    file.append(char(width)).append(char(height)).append(char(0)).append(char(0));
    put16(file, 1);
    put16(file, 1);
    put32(file, quint32(dib.size()));
    put32(file, 6 + 16);
    return file + dib;
}

QImage comparable(const QImage& image)
{
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

// Qt's own BMP reader is the reference: every plain kind must come out pixel for pixel the same,
// whatever the width's padding, the row order or the size of the colour table.
TEST(DibImage, PlainPicturesMatchQtsReader)
{
    QRandomGenerator random(7);
    struct Kind { int bits; int paletteSize; QImage::Format format; };
    const Kind kinds[] = {{1, 2, QImage::Format_Mono},      {4, 16, QImage::Format_Indexed8},
                          {4, 5, QImage::Format_Indexed8},  {8, 256, QImage::Format_Indexed8},
                          {8, 0, QImage::Format_Indexed8},  {24, 0, QImage::Format_RGB32},
                          {32, 0, QImage::Format_RGB32}};
    for (const Kind& kind : kinds) {
        for (int width : {1, 3, 7, 13, 33}) {
            for (int height : {5, -5}) {
                SCOPED_TRACE(testing::Message() << kind.bits << " bits, table " << kind.paletteSize << ", " << width
                                                << " x " << height);
                // A table of 0 entries means a full one for paletted kinds.
                const int stored = kind.bits <= 8 && kind.paletteSize == 0 ? 1 << kind.bits : kind.paletteSize;
                DibShape shape{width, height, kind.bits, kind.paletteSize, false};
                QByteArray dib = randomDib(shape, random);
                if (stored != kind.paletteSize)
                    dib.insert(40, randomBytes(random, 4 * stored));
                if (kind.bits == 4 && kind.paletteSize == 5) {
                    // Keep indices inside the short table: what lies past it is undefined for Qt.
                    for (qsizetype i = 40 + 4 * 5; i < dib.size(); ++i)
                        dib[i] = char((uchar(dib[i]) >> 4) % 5 << 4 | (uchar(dib[i]) & 0xF) % 5);
                }
                const QByteArray file = bmpFile(dib, stored);
                const QImage ours = DecodePlainDib(dib, 40 + 4 * stored, DibKind::Picture);
                const QImage qts = QImage::fromData(file, "BMP");
                ASSERT_FALSE(ours.isNull());
                ASSERT_FALSE(qts.isNull());
                EXPECT_EQ(ours.format(), kind.format);
                EXPECT_EQ(comparable(ours), comparable(qts));
                EXPECT_EQ(comparable(DecodeSkinBitmap(file)), comparable(qts));
            }
        }
    }
}

namespace {

// Where the AND mask counts, the mask bit decides: Qt's reader ignores the mask of 24-bit images
// and of 32-bit ones whose alpha bytes are all zero (showing opaque boxes or nothing at all),
// where Windows uses it, so for those only the colours are taken from Qt.
QImage maskedBy(const QImage& colours, const QByteArray& dib, int size)
{
    QImage expected = comparable(colours);
    const qsizetype stride = rowBytes(size, 1);
    const auto* mask = reinterpret_cast<const uchar*>(dib.constData()) + dib.size() - stride * size;
    for (int y = 0; y < size; ++y) {
        const uchar* row = mask + stride * (size - 1 - y);
        for (int x = 0; x < size; ++x) {
            const bool transparent = (row[x / 8] >> (7 - x % 8)) & 1;
            expected.setPixel(x, y, transparent ? 0u : expected.pixel(x, y) | 0xFF000000u);
        }
    }
    return expected;
}

} // namespace

TEST(DibImage, CursorImagesTakeTransparencyFromAlphaOrMask)
{
    QRandomGenerator random(11);
    struct Kind { int bits; int paletteSize; QByteArray alpha; bool qtReadsMask; };
    const Kind kinds[] = {{1, 2, {}, true},    {4, 16, {}, true}, {8, 256, {}, true}, {24, 0, {}, false},
                          {32, 0, {}, true},   // random alpha bytes decide
                          {32, 0, QByteArray(1, '\xFF'), true}, {32, 0, QByteArray(1, '\0'), false}};
    for (const Kind& kind : kinds) {
        for (int size : {16, 32}) {
            SCOPED_TRACE(testing::Message() << kind.bits << " bits, " << size << " px, alpha "
                                            << kind.alpha.toHex().constData());
            const QByteArray dib = randomDib({size, size, kind.bits, kind.paletteSize, true}, random, kind.alpha);
            const QImage ours = DecodePlainDib(dib, -1, DibKind::IconImage);
            QImage qts = QImage::fromData(curFile(dib, size, size), "ICO");
            ASSERT_FALSE(ours.isNull());
            ASSERT_FALSE(qts.isNull());
            if (!kind.qtReadsMask && kind.bits == 32) {
                // Qt made those pixels fully transparent; give it the same rows with opaque alpha.
                QByteArray opaque = dib;
                for (qsizetype i = 40 + 3; i < 40 + 4 * size * size; i += 4)
                    opaque[i] = '\xFF';
                qts = QImage::fromData(curFile(opaque, size, size), "ICO");
            }
            EXPECT_EQ(ours.format(), QImage::Format_ARGB32_Premultiplied);
            EXPECT_EQ(ours, kind.qtReadsMask ? comparable(qts) : maskedBy(qts, dib, size));
        }
    }
}

// Kinds left to Qt come back null from the plain decoder, and the skin decoder still reads them.
TEST(DibImage, OtherKindsAndShortDataAreLeftAlone)
{
    QRandomGenerator random(3);
    const QByteArray dib = randomDib({9, 4, 24, 0, false}, random);
    EXPECT_TRUE(DecodePlainDib(dib.chopped(1), 40, DibKind::Picture).isNull());
    EXPECT_TRUE(DecodePlainDib(dib.first(39), 40, DibKind::Picture).isNull());
    EXPECT_TRUE(DecodePlainDib(dib, 39, DibKind::Picture).isNull()) << "rows inside the header";
    QByteArray odd = randomDib({4, 3, 8, 2, true}, random);
    odd[8] = 3;  // an icon's height counts two halves, so it must be even
    EXPECT_TRUE(DecodePlainDib(odd, -1, DibKind::IconImage).isNull());

    // Run-length 8-bit: two rows of four pixels, each "4 × index 1", then end of bitmap.
    QByteArray rle = randomDib({4, 2, 8, 2, false}, random).first(40 + 8);
    qToLittleEndian<quint32>(1, rle.data() + 16);
    rle.append(QByteArray::fromHex("0401" "0000" "0401" "0001"));
    const QByteArray file = bmpFile(rle, 2);
    EXPECT_TRUE(DecodePlainDib(rle, 48, DibKind::Picture).isNull());
    const QImage fallback = DecodeSkinBitmap(file);
    ASSERT_FALSE(fallback.isNull());
    EXPECT_EQ(fallback.size(), QSize(4, 2));
    EXPECT_EQ(fallback.pixel(3, 1), fallback.pixel(0, 0));
}
