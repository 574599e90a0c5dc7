#include "skins/container/SkinContainer.h"

#include <QtEndian>

namespace quillo {

namespace {

// BITMAPFILEHEADER (14 bytes) followed by at least the smallest information header (12 bytes).
constexpr qsizetype kBmpFileHeaderSize = 14;
constexpr qsizetype kBmpMinimumSize = kBmpFileHeaderSize + 12;
constexpr int kLegacyPairs = 2;

// Walks the container front to back; every read checks the bytes that are left.
class ContainerCursor {
public:
    ContainerCursor(QByteArrayView bytes, BitmapBytes bitmaps) : bytes_(bytes), bitmaps_(bitmaps) {}

    qsizetype remaining() const { return bytes_.size() - pos_; }

    bool readInt32(qint32& value)
    {
        if (remaining() < 4)
            return false;
        value = qFromLittleEndian<qint32>(bytes_.data() + pos_);
        pos_ += 4;
        return true;
    }

    bool readByte(quint8& value)
    {
        if (remaining() < 1)
            return false;
        value = static_cast<quint8>(bytes_[pos_]);
        ++pos_;
        return true;
    }

    ContainerStatus readBitmap(QByteArray& out)
    {
        const QByteArrayView rest = bytes_.sliced(pos_);
        if (rest.size() < kBmpFileHeaderSize)
            return ContainerStatus::Truncated;
        const qsizetype length = BmpFileLength(rest);
        if (length == 0)
            return ContainerStatus::BadBitmapLength;
        out = bitmaps_ == BitmapBytes::Borrowed ? QByteArray::fromRawData(rest.data(), length)
                                                : rest.first(length).toByteArray();
        pos_ += length;
        return ContainerStatus::Ok;
    }

    ContainerStatus readFlaggedBitmap(std::optional<QByteArray>& out)
    {
        quint8 flag = 0;
        if (!readByte(flag))
            return ContainerStatus::Truncated;
        out.reset();
        if (flag != 0)
            return ContainerStatus::Ok;
        QByteArray bitmap;
        const ContainerStatus status = readBitmap(bitmap);
        if (status == ContainerStatus::Ok)
            out = std::move(bitmap);
        return status;
    }

    QByteArray readRest()
    {
        const QByteArrayView tail = bytes_.sliced(pos_);
        QByteArray rest = bitmaps_ == BitmapBytes::Borrowed ? QByteArray::fromRawData(tail.data(), tail.size())
                                                            : tail.toByteArray();
        pos_ = bytes_.size();
        return rest;
    }

private:
    QByteArrayView bytes_;
    BitmapBytes bitmaps_;
    qsizetype pos_ = 0;
};

void appendInt32(QByteArray& out, qint32 value)
{
    char le[4];
    qToLittleEndian(value, le);
    out.append(le, 4);
}

void appendFlaggedBitmap(QByteArray& out, const std::optional<QByteArray>& bitmap)
{
    if (!bitmap) {
        out.append(char(1));
        return;
    }
    out.append(char(0));
    out.append(*bitmap);
}

ContainerStatus readPictures(ContainerCursor& cursor, SkinContainer& c)
{
    for (std::optional<QByteArray>* slot : {&c.picture, &c.inactivePicture, &c.mask}) {
        if (const ContainerStatus s = cursor.readFlaggedBitmap(*slot); s != ContainerStatus::Ok)
            return s;
    }
    if (c.version == 2) {
        for (int i = 0; i < kLegacyPairs; ++i) {
            std::optional<QByteArray> discarded;
            if (const ContainerStatus s = cursor.readFlaggedBitmap(discarded); s != ContainerStatus::Ok)
                return s;
        }
    }
    qint32 count = 0;
    if (!cursor.readInt32(count))
        return ContainerStatus::Truncated;
    if (count < 0 || count > cursor.remaining() / kBmpMinimumSize)
        return ContainerStatus::BadCount;
    c.activePictures.reserve(count);
    for (qint32 i = 0; i < count; ++i) {
        QByteArray bitmap;
        if (const ContainerStatus s = cursor.readBitmap(bitmap); s != ContainerStatus::Ok)
            return s;
        c.activePictures.append(std::move(bitmap));
    }
    return ContainerStatus::Ok;
}

} // namespace

qsizetype BmpFileLength(QByteArrayView bytes)
{
    if (bytes.size() < kBmpFileHeaderSize)
        return 0;
    const quint32 announced = qFromLittleEndian<quint32>(bytes.data() + 2);
    if (announced < kBmpMinimumSize || announced > static_cast<quint64>(bytes.size()))
        return 0;
    return static_cast<qsizetype>(announced);
}

ContainerReadResult ReadSkinContainer(QByteArrayView bytes, BitmapBytes bitmaps)
{
    ContainerReadResult result;
    ContainerCursor cursor(bytes, bitmaps);
    SkinContainer& c = result.container;
    if (!cursor.readInt32(c.version)) {
        result.status = ContainerStatus::Truncated;
        return result;
    }
    if (c.version > SkinContainer::kCurrentVersion) {
        result.status = ContainerStatus::NewerVersion;
        return result;
    }
    result.status = readPictures(cursor, c);
    if (result.status == ContainerStatus::Ok)
        c.definition = cursor.readRest();
    return result;
}

QByteArray WriteSkinContainer(const SkinContainer& c)
{
    QByteArray out;
    appendInt32(out, c.version);
    appendFlaggedBitmap(out, c.picture);
    appendFlaggedBitmap(out, c.inactivePicture);
    appendFlaggedBitmap(out, c.mask);
    if (c.version == 2) {
        for (int i = 0; i < kLegacyPairs; ++i)
            appendFlaggedBitmap(out, i < c.legacyPictures.size() ? c.legacyPictures[i] : std::nullopt);
    }
    appendInt32(out, static_cast<qint32>(c.activePictures.size()));
    for (const QByteArray& bitmap : c.activePictures)
        out.append(bitmap);
    out.append(c.definition);
    return out;
}

} // namespace quillo
