#include "skins/SkinPicture.h"

#include "skins/container/SkinBitmap.h"
#include "skins/container/ZlibCodec.h"

namespace quillo {

SkinPicture::SkinPicture(QImage decoded)
    : m_image(std::move(decoded))
    , m_size(m_image.size())
{
}

SkinPicture::SkinPicture(QByteArray source, bool compressed, qsizetype offset, qsizetype length, QSize size)
    : m_source(std::move(source))
    , m_compressed(compressed)
    , m_offset(offset)
    , m_length(length)
    , m_size(size)
{
}

QImage SkinPicture::image() const
{
    if (!isDeferred())
        return m_image;
    if (!m_compressed)
        return DecodeSkinBitmap(QByteArrayView(m_source).sliced(m_offset, m_length));
    const InflateResult container = InflatePrefix(m_source, m_offset + m_length);
    if (container.status != InflateStatus::Ok)
        return {};
    return DecodeSkinBitmap(QByteArrayView(container.data).sliced(m_offset, m_length));
}

} // namespace quillo
