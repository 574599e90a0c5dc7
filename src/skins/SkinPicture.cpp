#include "skins/SkinPicture.h"

#include "skins/container/SkinBitmap.h"

#include <mutex>

namespace quillo {

struct SkinPicture::Shared {
    QByteArray container;
    qsizetype offset = 0;
    qsizetype length = 0;
    std::once_flag decoding;
    QImage image;
};

SkinPicture::SkinPicture(QByteArray container, qsizetype offset, qsizetype length, QSize size)
    : m_shared(std::make_shared<Shared>())
    , m_size(size)
{
    m_shared->container = std::move(container);
    m_shared->offset = offset;
    m_shared->length = length;
}

bool SkinPicture::isDecoded() const
{
    return m_shared && !m_shared->image.isNull();
}

const QImage& SkinPicture::image() const
{
    static const QImage none;
    if (!m_shared)
        return none;
    Shared& shared = *m_shared;
    std::call_once(shared.decoding, [&shared] {
        shared.image = DecodeSkinBitmap(QByteArrayView(shared.container).sliced(shared.offset, shared.length));
        // The container goes once its last picture is decoded.
        shared.container = {};
    });
    return shared.image;
}

} // namespace quillo
