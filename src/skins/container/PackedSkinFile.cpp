#include "skins/container/PackedSkinFile.h"

#include "skins/container/SkinContainer.h"

#include <QtEndian>

namespace quillo {

namespace {
constexpr qsizetype kPackedHeaderSize = 8;
}

std::optional<QByteArray> ReadPackedSkinFile(QByteArrayView bytes)
{
    if (bytes.size() < kPackedHeaderSize)
        return std::nullopt;
    const qint32 version = qFromLittleEndian<qint32>(bytes.data());
    const qint32 length = qFromLittleEndian<qint32>(bytes.data() + 4);
    if (version > SkinContainer::kCurrentVersion || length < 0 || length > bytes.size() - kPackedHeaderSize)
        return std::nullopt;
    return bytes.sliced(kPackedHeaderSize, length).toByteArray();
}

QByteArray WritePackedSkinFile(const QByteArray& compressed)
{
    QByteArray out(kPackedHeaderSize, Qt::Uninitialized);
    qToLittleEndian<qint32>(SkinContainer::kCurrentVersion, out.data());
    qToLittleEndian<qint32>(static_cast<qint32>(compressed.size()), out.data() + 4);
    return out + compressed;
}

} // namespace quillo
