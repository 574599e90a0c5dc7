#include "skins/container/ContainerIndex.h"

#include "skins/container/SkinBitmap.h"

#include <QtEndian>

namespace quillo {

namespace {

constexpr qsizetype kFieldsPerPicture = 4;
constexpr qsizetype kFramePictures = 3;

class PictureIndexer {
public:
    explicit PictureIndexer(QByteArrayView container) : m_start(container.data()) {}

    bool add(const QByteArray& bmp, IndexedPicture& out)
    {
        const QSize size = CheckSkinBitmap(bmp, m_budget);
        if (size.isEmpty())
            return false;
        out = {bmp.constData() - m_start, bmp.size(), size};
        return true;
    }

    bool addOptional(const std::optional<QByteArray>& bmp, IndexedPicture& out)
    {
        return !bmp || add(*bmp, out);
    }

private:
    const char* m_start;
    qint64 m_budget = kMaxSkinPixels;
};

bool indexPictures(QByteArrayView bytes, const SkinContainer& c, ContainerIndex& index)
{
    PictureIndexer indexer(bytes);
    if (!indexer.addOptional(c.picture, index.picture) || !indexer.addOptional(c.inactivePicture, index.inactivePicture)
        || !indexer.addOptional(c.mask, index.mask))
        return false;
    index.activePictures.resize(c.activePictures.size());
    for (qsizetype i = 0; i < c.activePictures.size(); ++i) {
        if (!indexer.add(c.activePictures[i], index.activePictures[i]))
            return false;
    }
    return true;
}

void appendInt32(QByteArray& out, qsizetype value)
{
    char le[4];
    qToLittleEndian(static_cast<qint32>(value), le);
    out.append(le, 4);
}

qint32 int32At(QByteArrayView bytes, qsizetype field)
{
    return qFromLittleEndian<qint32>(bytes.data() + 4 * field);
}

// A picture of the index must lie inside the bitmaps' part of the container.
bool readPicture(QByteArrayView bytes, qsizetype first, qsizetype end, bool optional, IndexedPicture& out)
{
    out = {int32At(bytes, first), int32At(bytes, first + 1), QSize(int32At(bytes, first + 2), int32At(bytes, first + 3))};
    if (out.length == 0 && optional)
        return true;
    return out.offset >= 0 && out.length > 0 && out.offset <= end - out.length && !out.size.isEmpty();
}

} // namespace

ContainerIndexResult IndexSkinContainer(QByteArrayView bytes)
{
    ContainerIndexResult result;
    const ContainerReadResult read = ReadSkinContainer(bytes, BitmapBytes::Borrowed);
    result.status = read.status;
    if (result.status != ContainerStatus::Ok)
        return result;
    if (!indexPictures(bytes, read.container, result.index)) {
        result.status = ContainerStatus::UndecodableBitmap;
        result.index = {};
        return result;
    }
    result.index.definitionOffset = bytes.size() - read.container.definition.size();
    return result;
}

QByteArray WriteContainerIndex(const ContainerIndex& index)
{
    QByteArray out;
    appendInt32(out, index.definitionOffset);
    appendInt32(out, index.activePictures.size());
    QList<IndexedPicture> all = {index.picture, index.inactivePicture, index.mask};
    for (const IndexedPicture& p : all + index.activePictures) {
        for (qsizetype value : {p.offset, p.length, qsizetype(p.size.width()), qsizetype(p.size.height())})
            appendInt32(out, value);
    }
    return out;
}

std::optional<ContainerIndex> ReadContainerIndex(QByteArrayView bytes, qsizetype containerSize)
{
    if (bytes.size() < 8)
        return std::nullopt;
    ContainerIndex index;
    index.definitionOffset = int32At(bytes, 0);
    const qint32 count = int32At(bytes, 1);
    if (count < 0 || index.definitionOffset < 0 || index.definitionOffset > containerSize
        || bytes.size() != 4 * (2 + kFieldsPerPicture * (kFramePictures + qsizetype(count))))
        return std::nullopt;
    const qsizetype end = index.definitionOffset;
    IndexedPicture* frame[] = {&index.picture, &index.inactivePicture, &index.mask};
    for (qsizetype i = 0; i < kFramePictures; ++i) {
        if (!readPicture(bytes, 2 + kFieldsPerPicture * i, end, true, *frame[i]))
            return std::nullopt;
    }
    index.activePictures.resize(count);
    for (qsizetype i = 0; i < count; ++i) {
        if (!readPicture(bytes, 2 + kFieldsPerPicture * (kFramePictures + i), end, false, index.activePictures[i]))
            return std::nullopt;
    }
    return index;
}

} // namespace quillo
