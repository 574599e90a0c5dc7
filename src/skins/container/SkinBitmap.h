#pragma once

#include <QByteArrayView>
#include <QImage>

namespace quillo {

// Largest picture a skin may hold, in pixels. Ours are far smaller; the cap keeps a forged
// header from making the decoder allocate hundreds of megabytes.
inline constexpr qint64 kMaxSkinBitmapPixels = 4096LL * 4096LL;

// Decodes one whole BMP file (exactly the bytes its file header announces). Returns a null
// image when the headers are inconsistent with the bytes given, the picture is too large, or the
// decoder refuses it.
QImage DecodeSkinBitmap(QByteArrayView bmpFile);

} // namespace quillo
