#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>

namespace quillo {

// One active picture of a skin. Skins carry their pictures a second time at twice the size,
// which only a high-density screen draws; those stay in the skin's bytes and are decoded when
// first asked for, instead of holding four times the memory of the pictures a normal screen
// draws. Every picture is checked when the skin is unpacked, so decoding cannot fail later.
class SkinPicture
{
public:
    SkinPicture() = default;
    explicit SkinPicture(QImage decoded);
    // The BMP file is `length` bytes from `offset` of what `source` holds: the inflated
    // container, or when `compressed` the zlib stream it came from. The source is shared.
    SkinPicture(QByteArray source, bool compressed, qsizetype offset, qsizetype length, QSize size);

    bool isNull() const { return m_size.isEmpty(); }
    QSize size() const { return m_size; }
    QRect rect() const { return QRect(QPoint(0, 0), m_size); }
    bool isDeferred() const { return m_image.isNull() && !isNull(); }
    // A deferred picture is decoded afresh on every call; whoever draws it keeps the result.
    QImage image() const;

private:
    QImage m_image;
    QByteArray m_source;
    bool m_compressed = false;
    qsizetype m_offset = 0;
    qsizetype m_length = 0;
    QSize m_size;
};

} // namespace quillo
