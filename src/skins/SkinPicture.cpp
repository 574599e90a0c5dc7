#include "skins/SkinPicture.h"

#include "skins/container/SkinBitmap.h"

#include <mutex>

namespace quillo {

struct SkinPicture::Shared {
    QByteArray container;
    qsizetype offset = 0;
    qsizetype length = 0;
    std::mutex lock;
    QImage image; // null until decoded: the checked bitmap cannot decode to a null image

    QImage decode() const { return DecodeSkinBitmap(QByteArrayView(container).sliced(offset, length)); }
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
    if (!m_shared)
        return false;
    const std::lock_guard guard(m_shared->lock);
    return !m_shared->image.isNull();
}

const QImage& SkinPicture::image() const
{
    static const QImage none;
    if (!m_shared)
        return none;
    Shared& shared = *m_shared;
    const std::lock_guard guard(shared.lock);
    if (shared.image.isNull()) {
        shared.image = shared.decode();
        // The container goes once its last picture is decoded.
        shared.container = {};
    }
    return shared.image;
}

QImage SkinPicture::decodedOnce() const
{
    if (!m_shared)
        return {};
    const std::lock_guard guard(m_shared->lock);
    return m_shared->image.isNull() ? m_shared->decode() : m_shared->image;
}

} // namespace quillo
