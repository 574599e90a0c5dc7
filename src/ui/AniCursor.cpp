#include "ui/AniCursor.h"

#include "skins/container/DibImage.h"

#include <QtEndian>
#include <algorithm>

namespace quillo {

namespace {

constexpr quint32 kAnimationHeaderSize = 36;
constexpr quint32 kIconFramesFlag = 1;  // frames are CUR/ICO files, not raw bitmaps

// A bounded view that refuses to read outside its bytes.
class Reader
{
public:
    explicit Reader(QByteArrayView bytes)
        : m_bytes(bytes)
    {
    }

    bool atEnd() const { return m_position >= m_bytes.size(); }
    qsizetype remaining() const { return m_bytes.size() - m_position; }

    std::optional<quint32> u32()
    {
        if (remaining() < 4)
            return std::nullopt;
        const quint32 value = qFromLittleEndian<quint32>(m_bytes.data() + m_position);
        m_position += 4;
        return value;
    }

    std::optional<QByteArrayView> take(qsizetype length)
    {
        if (length < 0 || remaining() < length)
            return std::nullopt;
        const QByteArrayView piece = m_bytes.sliced(m_position, length);
        m_position += length;
        return piece;
    }

    void skipPadding(qsizetype length)
    {
        if (length % 2 && remaining() > 0)
            ++m_position;
    }

private:
    QByteArrayView m_bytes;
    qsizetype m_position = 0;
};

struct Chunk
{
    QByteArrayView id;
    QByteArrayView body;
};

std::optional<Chunk> nextChunk(Reader& reader)
{
    const auto id = reader.take(4);
    const auto size = reader.u32();
    if (!id || !size || *size > static_cast<quint64>(reader.remaining()))
        return std::nullopt;
    const auto body = reader.take(static_cast<qsizetype>(*size));
    reader.skipPadding(static_cast<qsizetype>(*size));
    return Chunk{*id, *body};
}

std::optional<QList<quint32>> readWords(QByteArrayView body, quint32 count)
{
    if (body.size() < static_cast<qint64>(count) * 4)
        return std::nullopt;
    QList<quint32> words;
    words.reserve(count);
    Reader reader(body);
    for (quint32 i = 0; i < count; ++i)
        words.append(*reader.u32());
    return words;
}

bool readFrames(QByteArrayView list, QList<QByteArray>& frames)
{
    Reader reader(list);
    while (!reader.atEnd()) {
        const auto chunk = nextChunk(reader);
        if (!chunk)
            return false;
        if (chunk->id == "icon")
            frames.append(chunk->body.toByteArray());
    }
    return true;
}

} // namespace

std::optional<AniCursorFile> ParseAniCursor(const QByteArray& data)
{
    Reader file(data);
    const auto riff = file.take(4);
    const auto riffSize = file.u32();
    const auto form = file.take(4);
    if (!riff || *riff != "RIFF" || !riffSize || !form || *form != "ACON")
        return std::nullopt;
    // Writers disagree on whether the RIFF size is exact; the chunks themselves are checked.
    Reader reader(QByteArrayView(data).sliced(12));

    std::optional<QList<quint32>> header, rates, sequence;
    QList<QByteArray> frames;
    while (!reader.atEnd()) {
        const auto chunk = nextChunk(reader);
        if (!chunk)
            return std::nullopt;
        if (chunk->id == "anih") {
            if (chunk->body.size() < kAnimationHeaderSize)
                return std::nullopt;
            header = readWords(chunk->body, 9);
        } else if (chunk->id == "LIST" && chunk->body.size() >= 4 && chunk->body.first(4) == "fram") {
            if (!readFrames(chunk->body.sliced(4), frames))
                return std::nullopt;
        } else if (chunk->id == "rate" || chunk->id == "seq ") {
            if (!header)
                return std::nullopt;  // their length depends on the step count
            auto words = readWords(chunk->body, (*header)[2]);
            if (!words)
                return std::nullopt;
            (chunk->id == "rate" ? rates : sequence) = std::move(words);
        }
    }
    if (!header)
        return std::nullopt;
    const quint32 frameCount = (*header)[1];
    const quint32 stepCount = sequence ? (*header)[2] : frameCount;
    const quint32 defaultRate = (*header)[7];
    const quint32 flags = (*header)[8];
    if (!(flags & kIconFramesFlag) || frameCount == 0 || frames.size() != static_cast<qsizetype>(frameCount)
        || stepCount == 0 || (rates && rates->size() < static_cast<qsizetype>(stepCount)))
        return std::nullopt;

    AniCursorFile result;
    result.frames = std::move(frames);
    for (quint32 step = 0; step < stepCount; ++step) {
        const quint32 frame = sequence ? (*sequence)[step] : step;
        if (frame >= frameCount)
            return std::nullopt;
        const quint32 jiffies = rates ? (*rates)[step] : defaultRate;
        // A rate of 0 would spin the animation timer; show such a frame for one jiffy.
        result.steps.append({static_cast<int>(frame), static_cast<int>(std::clamp<quint32>(jiffies, 1, 6000))});
    }
    return result;
}

namespace {

QImage decodeFirstImage(const QByteArray& file, QByteArrayView entry)
{
    const quint32 size = qFromLittleEndian<quint32>(entry.data() + 8);
    const quint32 offset = qFromLittleEndian<quint32>(entry.data() + 12);
    if (offset <= file.size() && size <= file.size() - offset) {
        const QImage image = DecodePlainDib(QByteArrayView(file).sliced(offset, size), -1, DibKind::IconImage);
        if (!image.isNull())
            return image;
    }
    // Compressed entries (PNG inside) and rarer bitmap kinds.
    return QImage::fromData(file, "ICO");
}

} // namespace

std::optional<CursorImage> DecodeCursorImage(const QByteArray& data)
{
    Reader reader(data);
    const auto head = reader.take(6);
    const auto entry = reader.take(16);
    if (!head || !entry)
        return std::nullopt;
    const quint16 type = qFromLittleEndian<quint16>(head->data() + 2);
    const quint16 count = qFromLittleEndian<quint16>(head->data() + 4);
    if (qFromLittleEndian<quint16>(head->data()) != 0 || (type != 1 && type != 2) || count == 0)
        return std::nullopt;
    const QImage image = decodeFirstImage(data, *entry);
    if (image.isNull())
        return std::nullopt;
    QPoint hotSpot;
    if (type == 2) {
        hotSpot = QPoint(qFromLittleEndian<quint16>(entry->data() + 4), qFromLittleEndian<quint16>(entry->data() + 6));
        hotSpot.setX(std::min(hotSpot.x(), image.width() - 1));
        hotSpot.setY(std::min(hotSpot.y(), image.height() - 1));
    }
    return CursorImage{image, hotSpot};
}

} // namespace quillo
