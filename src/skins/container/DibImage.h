#pragma once

#include <QByteArrayView>
#include <QImage>

namespace quillo {

enum class DibKind {
    // A BMP picture: opaque, as Windows draws one (a fourth byte in 32-bit rows is padding).
    Picture,
    // An icon or cursor image: the height counts the colour rows and the AND-mask rows below
    // them; transparency comes from the alpha bytes of 32-bit rows when any is set, else from
    // the mask.
    IconImage,
};

// Decodes the plain kind of device-independent bitmap (a 40-byte BITMAPINFOHEADER, no
// compression, 1, 4, 8, 24 or 32 bits per pixel), which is what skin pictures and cursor frames
// are. Qt's image reader handles every kind, but loads each image-format plugin on its first use,
// and start-up pays for that; it stays the fallback. `dib` starts at the header; the rows start
// at `pixelOffset` from there, or right after the colour table when it is negative.
// Pictures of 24 and 32 bits come out as RGB32 and icon images as premultiplied ARGB32, the
// formats pixmaps use, so drawing them needs no conversion; paletted pictures stay paletted
// (Mono or Indexed8). Returns a null image for any other kind of bitmap and
// for one whose rows do not fit in the bytes given.
QImage DecodePlainDib(QByteArrayView dib, qsizetype pixelOffset, DibKind kind);
// Whether DecodePlainDib takes the bitmap, without decoding it.
bool IsPlainDib(QByteArrayView dib, qsizetype pixelOffset, DibKind kind);

} // namespace quillo
