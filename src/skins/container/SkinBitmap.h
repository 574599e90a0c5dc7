#pragma once

#include <QByteArrayView>
#include <QImage>

namespace quillo {

// Most pixels all the pictures of one skin may hold together. Ours hold well under a million;
// the cap matters because a run-length BMP of a few hundred bytes can describe a 16-megapixel
// picture, and a container has room for thousands of them.
inline constexpr qint64 kMaxSkinPixels = 4096LL * 4096LL;

// Decodes one whole BMP file (exactly the bytes its file header announces). Returns a null
// image when the headers are inconsistent with the bytes given, the picture needs more pixels
// than pixelBudget has left, or the decoder refuses it. A decoded picture's pixels are taken
// from the budget.
QImage DecodeSkinBitmap(QByteArrayView bmpFile, qint64& pixelBudget);
// Makes the same checks as DecodeSkinBitmap and takes the pixels from the budget, but decodes
// only a bitmap of a kind that cannot be checked otherwise. Returns the picture's size, or an
// empty size when DecodeSkinBitmap would refuse it.
QSize CheckSkinBitmap(QByteArrayView bmpFile, qint64& pixelBudget);
// The same for a picture on its own, with the whole budget of a skin.
QImage DecodeSkinBitmap(QByteArrayView bmpFile);

} // namespace quillo
