#include "skins/container/DibImage.h"

#include <QtEndian>

#include <algorithm>
#include <array>

namespace quillo {

namespace {

constexpr quint32 kInfoHeaderSize = 40;
constexpr quint32 kUncompressed = 0;
// Ours are tiny; the caller's pixel budget is the real limit, this only keeps sizes in range.
constexpr qint32 kMaxSide = 1 << 15;

struct DibLayout {
    int width = 0;
    int height = 0;       // rows of colour
    bool topDown = false;
    int bitsPerPixel = 0;
    QList<QRgb> palette;
    qsizetype tableEnd = 0;    // offset just past the colour table
    qsizetype colourRows = 0;  // offset of the colour rows from the header
    qsizetype colourStride = 0;
    qsizetype maskRows = 0;    // offset of the AND mask, icons only
    qsizetype maskStride = 0;
};

template <typename T>
T field(QByteArrayView bytes, qsizetype offset)
{
    return qFromLittleEndian<T>(bytes.data() + offset);
}

qsizetype stride(int width, int bits)
{
    return (qsizetype(width) * bits + 31) / 32 * 4;
}

bool readPalette(QByteArrayView dib, DibLayout& layout)
{
    layout.tableEnd = kInfoHeaderSize;
    if (layout.bitsPerPixel > 8)
        return true;
    const quint32 used = field<quint32>(dib, 32);
    const qsizetype count = used == 0 ? qsizetype(1) << layout.bitsPerPixel : qsizetype(used);
    if (count > 256 || kInfoHeaderSize + 4 * count > dib.size())
        return false;
    layout.palette.reserve(1 << layout.bitsPerPixel);
    for (qsizetype i = 0; i < count; ++i)
        layout.palette.append(0xFF000000u | (field<quint32>(dib, kInfoHeaderSize + 4 * i) & 0xFFFFFFu));
    // An index past the table shows black, as on Windows.
    while (layout.palette.size() < (1 << layout.bitsPerPixel))
        layout.palette.append(0xFF000000u);
    layout.tableEnd += 4 * count;
    return true;
}

bool readLayout(QByteArrayView dib, qsizetype pixelOffset, DibKind kind, DibLayout& layout)
{
    if (dib.size() < kInfoHeaderSize || field<quint32>(dib, 0) != kInfoHeaderSize
        || field<quint16>(dib, 12) != 1 || field<quint32>(dib, 16) != kUncompressed)
        return false;
    const qint32 width = field<qint32>(dib, 4);
    qint32 height = field<qint32>(dib, 8);
    layout.bitsPerPixel = field<quint16>(dib, 14);
    static constexpr std::array kBits{1, 4, 8, 24, 32};
    if (std::find(kBits.begin(), kBits.end(), layout.bitsPerPixel) == kBits.end())
        return false;
    if (kind == DibKind::IconImage) {
        if (height <= 0 || height % 2 != 0)
            return false;
        height /= 2;
    } else if (height < 0 && height > -kMaxSide) {
        layout.topDown = true;
        height = -height;
    }
    if (width <= 0 || width > kMaxSide || height <= 0 || height > kMaxSide)
        return false;
    layout.width = width;
    layout.height = height;
    if (!readPalette(dib, layout))
        return false;
    layout.colourRows = pixelOffset < 0 ? layout.tableEnd : pixelOffset;
    layout.colourStride = stride(width, layout.bitsPerPixel);
    qsizetype end = layout.colourRows + layout.colourStride * height;
    if (kind == DibKind::IconImage) {
        layout.maskRows = end;
        layout.maskStride = stride(width, 1);
        end += layout.maskStride * height;
    }
    return layout.colourRows >= layout.tableEnd && end <= dib.size();
}

QRgb pixelAt(const uchar* row, int x, const DibLayout& layout)
{
    switch (layout.bitsPerPixel) {
    case 1: return layout.palette[(row[x >> 3] >> (7 - (x & 7))) & 1];
    case 4: return layout.palette[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF];
    case 8: return layout.palette[row[x]];
    case 24: return qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    default: return qRgba(row[4 * x + 2], row[4 * x + 1], row[4 * x], row[4 * x + 3]);
    }
}

// Skin pictures are nearly all 24-bit: their rows get a loop without the per-pixel switch.
void copyBgrRow(const uchar* row, QRgb* out, int width)
{
    for (int x = 0; x < width; ++x, row += 3)
        out[x] = 0xFF000000u | (uint(row[2]) << 16) | (uint(row[1]) << 8) | row[0];
}

const uchar* rowAt(QByteArrayView dib, qsizetype start, qsizetype stride, int y, const DibLayout& layout)
{
    const int stored = layout.topDown ? y : layout.height - 1 - y;
    return reinterpret_cast<const uchar*>(dib.data()) + start + stride * stored;
}

// Paletted pictures stay paletted: a one-bit window mask as RGB32 would take 32 times the memory.
QImage decodeIndexedPicture(QByteArrayView dib, const DibLayout& layout)
{
    const bool mono = layout.bitsPerPixel == 1;
    QImage image(layout.width, layout.height, mono ? QImage::Format_Mono : QImage::Format_Indexed8);
    if (image.isNull())
        return {};
    image.setColorTable(layout.palette);
    for (int y = 0; y < layout.height; ++y) {
        const uchar* row = rowAt(dib, layout.colourRows, layout.colourStride, y, layout);
        uchar* out = image.scanLine(y);
        if (mono) {
            // Both keep the leftmost pixel in the top bit.
            std::copy_n(row, (layout.width + 7) / 8, out);
        } else if (layout.bitsPerPixel == 8) {
            std::copy_n(row, layout.width, out);
        } else {
            for (int x = 0; x < layout.width; ++x)
                out[x] = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF;
        }
    }
    return image;
}

QImage decodePicture(QByteArrayView dib, const DibLayout& layout)
{
    if (layout.bitsPerPixel <= 8)
        return decodeIndexedPicture(dib, layout);
    QImage image(layout.width, layout.height, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    for (int y = 0; y < layout.height; ++y) {
        const uchar* row = rowAt(dib, layout.colourRows, layout.colourStride, y, layout);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        if (layout.bitsPerPixel == 24) {
            copyBgrRow(row, out, layout.width);
            continue;
        }
        for (int x = 0; x < layout.width; ++x)
            out[x] = 0xFF000000u | pixelAt(row, x, layout);
    }
    return image;
}

bool anyAlpha(QByteArrayView dib, const DibLayout& layout)
{
    if (layout.bitsPerPixel != 32)
        return false;
    for (int y = 0; y < layout.height; ++y) {
        const uchar* row = rowAt(dib, layout.colourRows, layout.colourStride, y, layout);
        for (int x = 0; x < layout.width; ++x) {
            if (row[4 * x + 3] != 0)
                return true;
        }
    }
    return false;
}

QImage decodeIcon(QByteArrayView dib, const DibLayout& layout)
{
    QImage image(layout.width, layout.height, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    const bool alpha = anyAlpha(dib, layout);
    for (int y = 0; y < layout.height; ++y) {
        const uchar* row = rowAt(dib, layout.colourRows, layout.colourStride, y, layout);
        const uchar* mask = rowAt(dib, layout.maskRows, layout.maskStride, y, layout);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < layout.width; ++x) {
            const QRgb colour = pixelAt(row, x, layout);
            if (alpha)
                out[x] = qPremultiply(colour);
            else
                out[x] = (mask[x >> 3] >> (7 - (x & 7))) & 1 ? 0 : 0xFF000000u | colour;
        }
    }
    return image;
}

} // namespace

QImage DecodePlainDib(QByteArrayView dib, qsizetype pixelOffset, DibKind kind)
{
    DibLayout layout;
    if (!readLayout(dib, pixelOffset, kind, layout))
        return {};
    return kind == DibKind::Picture ? decodePicture(dib, layout) : decodeIcon(dib, layout);
}

bool IsPlainDib(QByteArrayView dib, qsizetype pixelOffset, DibKind kind)
{
    DibLayout layout;
    return readLayout(dib, pixelOffset, kind, layout);
}

} // namespace quillo
