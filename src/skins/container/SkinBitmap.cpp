#include "skins/container/SkinBitmap.h"

#include "skins/container/DibImage.h"

#include <QtEndian>

#include <cstdlib>
#include <limits>

namespace quillo {

namespace {

constexpr qsizetype kFileHeaderSize = 14;
constexpr quint32 kCoreHeaderSize = 12; // OS/2 BITMAPCOREHEADER
constexpr quint32 kInfoHeaderSize = 40; // BITMAPINFOHEADER and its longer successors
constexpr quint32 kUncompressed = 0;
constexpr quint32 kBitFields = 3;

struct BmpGeometry {
    qint64 width = 0;
    qint64 height = 0;
    quint32 bitsPerPixel = 0;
    quint32 compression = kUncompressed;
};

template <typename T>
T field(QByteArrayView bytes, qsizetype offset)
{
    return qFromLittleEndian<T>(bytes.data() + offset);
}

bool readGeometry(QByteArrayView bmp, BmpGeometry& g)
{
    if (bmp.size() < kFileHeaderSize + 4 || bmp[0] != 'B' || bmp[1] != 'M')
        return false;
    const quint32 headerSize = field<quint32>(bmp, kFileHeaderSize);
    if (headerSize > static_cast<quint64>(bmp.size() - kFileHeaderSize))
        return false;
    if (headerSize == kCoreHeaderSize) {
        g.width = field<quint16>(bmp, kFileHeaderSize + 4);
        g.height = field<quint16>(bmp, kFileHeaderSize + 6);
        g.bitsPerPixel = field<quint16>(bmp, kFileHeaderSize + 10);
        return true;
    }
    if (headerSize < kInfoHeaderSize)
        return false;
    g.width = field<qint32>(bmp, kFileHeaderSize + 4);
    g.height = std::llabs(field<qint32>(bmp, kFileHeaderSize + 8));
    g.bitsPerPixel = field<quint16>(bmp, kFileHeaderSize + 14);
    g.compression = field<quint32>(bmp, kFileHeaderSize + 16);
    return true;
}

// For uncompressed pixels the rows must fit between the pixel offset and the end of the file;
// compressed pixels are bounded by the decoder, which stops at the end of its input.
bool pixelsFit(QByteArrayView bmp, const BmpGeometry& g)
{
    if (g.compression != kUncompressed && g.compression != kBitFields)
        return true;
    const qint64 offset = field<quint32>(bmp, 10);
    const qint64 rowBytes = (g.width * g.bitsPerPixel + 31) / 32 * 4;
    return offset <= bmp.size() && rowBytes * g.height <= bmp.size() - offset;
}

QImage decodeBmp(QByteArrayView bmp)
{
    const qint64 pixelOffset = field<quint32>(bmp, 10);
    if (pixelOffset >= kFileHeaderSize) {
        QImage image = DecodePlainDib(bmp.sliced(kFileHeaderSize), pixelOffset - kFileHeaderSize, DibKind::Picture);
        if (!image.isNull())
            return image;
    }
    QImage image;
    image.loadFromData(reinterpret_cast<const uchar*>(bmp.data()), static_cast<int>(bmp.size()), "BMP");
    return image;
}

} // namespace

QImage DecodeSkinBitmap(QByteArrayView bmp)
{
    qint64 budget = kMaxSkinPixels;
    return DecodeSkinBitmap(bmp, budget);
}

namespace {

bool acceptable(QByteArrayView bmp, BmpGeometry& g, qint64 pixelBudget)
{
    if (!readGeometry(bmp, g))
        return false;
    if (g.width <= 0 || g.height <= 0 || g.width > kMaxSkinPixels || g.height > kMaxSkinPixels
        || g.width * g.height > pixelBudget)
        return false;
    if (g.bitsPerPixel == 0 || g.bitsPerPixel > 32 || !pixelsFit(bmp, g))
        return false;
    return bmp.size() <= std::numeric_limits<int>::max();
}

} // namespace

QImage DecodeSkinBitmap(QByteArrayView bmp, qint64& pixelBudget)
{
    BmpGeometry g;
    if (!acceptable(bmp, g, pixelBudget))
        return {};
    const QImage image = decodeBmp(bmp);
    if (image.isNull())
        return {};
    pixelBudget -= g.width * g.height;
    return image;
}

QSize CheckSkinBitmap(QByteArrayView bmp, qint64& pixelBudget)
{
    BmpGeometry g;
    if (!acceptable(bmp, g, pixelBudget))
        return {};
    const qint64 pixelOffset = field<quint32>(bmp, 10);
    const bool plain = pixelOffset >= kFileHeaderSize
        && IsPlainDib(bmp.sliced(kFileHeaderSize), pixelOffset - kFileHeaderSize, DibKind::Picture);
    if (!plain && decodeBmp(bmp).isNull())
        return {};
    pixelBudget -= g.width * g.height;
    return QSize(int(g.width), int(g.height));
}

} // namespace quillo
