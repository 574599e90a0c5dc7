// The plain-bitmap decoder on any bytes. The first byte picks the kind (bit 0: icon image) and
// whether the rows follow the colour table or start at an offset taken from the next two bytes.
// A decoded picture never needs more rows than the bytes hold, and the skin check agrees with
// the decoder.
#include "skins/container/DibImage.h"
#include "skins/container/SkinBitmap.h"

#include <QtEndian>

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    const auto kind = (data[0] & 1) ? quillo::DibKind::IconImage : quillo::DibKind::Picture;
    const qsizetype offset = (data[0] & 2) ? qsizetype(qFromLittleEndian<quint16>(data + 1)) : -1;
    const QByteArrayView dib(reinterpret_cast<const char*>(data) + 3, qsizetype(size - 3));

    const QImage image = quillo::DecodePlainDib(dib, offset, kind);
    check(image.isNull() != quillo::IsPlainDib(dib, offset, kind));
    if (!image.isNull()) {
        // At least one bit of input per pixel (two rows per pixel row for icons).
        check(qint64(image.width()) * image.height() <= qint64(dib.size()) * 8);
        check(kind == quillo::DibKind::Picture || image.format() == QImage::Format_ARGB32_Premultiplied);
    }

    // The same bytes behind a file header, through the skin's decoder and its check.
    if (kind == quillo::DibKind::Picture && offset < 0) {
        QByteArray file("BM");
        char field[4];
        qToLittleEndian<quint32>(quint32(14 + dib.size()), field);
        file.append(field, 4).append(4, '\0');
        qToLittleEndian<quint32>(quint32(14 + 40), field);
        file.append(field, 4).append(dib.data(), dib.size());
        qint64 budget = quillo::kMaxSkinPixels;
        const QSize checked = quillo::CheckSkinBitmap(file, budget);
        const QImage decoded = quillo::DecodeSkinBitmap(file);
        check(checked.isEmpty() == decoded.isNull());
        check(checked.isEmpty() || checked == decoded.size());
    }
    return 0;
}
