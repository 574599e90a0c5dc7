#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>

#include <memory>

namespace quillo {

// One picture of a skin: the place of its BMP file in the skin's container until something first
// asks for the picture, then the picture, decoded once and kept. Unpacking a skin thus costs no
// pixels, and a picture nobody draws (the 2x twins on a normal screen, the inactive frame of a
// window that stays active) never takes any memory. Copies share the bytes and the decoded
// picture. The bitmap is checked when the skin is unpacked, so decoding cannot fail later.
class SkinPicture
{
public:
    SkinPicture() = default;
    // The BMP file is `length` bytes from `offset` of `container`, whose bytes must stay as they
    // are (a copy of the QByteArray is kept; one made with fromRawData must outlive the picture).
    SkinPicture(QByteArray container, qsizetype offset, qsizetype length, QSize size);

    bool isNull() const { return m_size.isEmpty(); }
    QSize size() const { return m_size; }
    QRect rect() const { return QRect(QPoint(0, 0), m_size); }
    bool isDecoded() const;
    // Decodes the picture on the first call and keeps it; a null image for a null picture.
    const QImage& image() const;
    // The kept picture when there is one, else one decoded for the caller alone: for a caller
    // that turns it into something else and keeps that, so the picture is not held twice.
    QImage decodedOnce() const;

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
    QSize m_size;
};

} // namespace quillo
