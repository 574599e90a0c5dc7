#include "server/engines/dictionary/DictZipReader.h"

#include <zlib.h>

#include <algorithm>

namespace quillo::dictformats {

namespace {

constexpr uchar kFlagHeaderCrc = 2, kFlagExtra = 4, kFlagName = 8, kFlagComment = 16;

quint16 littleEndian16(const uchar* p)
{
    return quint16(p[0] | (p[1] << 8));
}

quint32 littleEndian32(const uchar* p)
{
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

// Skips a zero-terminated field; the position after it, or 0 when it runs off the end.
qint64 skipZeroTerminated(const uchar* data, qint64 size, qint64 at)
{
    while (at < size && data[at] != 0)
        ++at;
    return at < size ? at + 1 : 0;
}

std::optional<QByteArray> inflateChunk(const uchar* in, quint32 inSize, quint32 outSize)
{
    QByteArray out(qsizetype(outSize), Qt::Uninitialized);
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return std::nullopt;
    stream.next_in = const_cast<Bytef*>(in);
    stream.avail_in = inSize;
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = outSize;
    const int status = inflate(&stream, Z_SYNC_FLUSH);
    const auto produced = outSize - stream.avail_out;
    inflateEnd(&stream);
    if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR)
        return std::nullopt;
    out.truncate(qsizetype(produced));
    return out;
}

DictError malformed(const QFile& file, const char* why)
{
    return dictError(DictErrorKind::Malformed,
                     QStringLiteral("%1 is not a dictzip file: %2").arg(file.fileName(), QLatin1String(why)));
}

} // namespace

DictResult<std::unique_ptr<ArticleFile>> DictZipReader::open(std::unique_ptr<QFile> file, const uchar* data,
                                                             qint64 size)
{
    if (size < 18 || data[0] != 0x1f || data[1] != 0x8b || data[2] != Z_DEFLATED)
        return malformed(*file, "no gzip header");
    const uchar flags = data[3];
    if (!(flags & kFlagExtra))
        return malformed(*file, "no chunk table (a plain gzip file)");
    const qint64 extraLength = littleEndian16(data + 10);
    const qint64 extraEnd = 12 + extraLength;
    if (extraEnd > size)
        return malformed(*file, "header cut short");

    std::unique_ptr<DictZipReader> reader(new DictZipReader);
    std::vector<quint32> sizes;
    for (qint64 at = 12; at + 4 <= extraEnd;) {
        const qint64 fieldLength = littleEndian16(data + at + 2);
        const uchar* field = data + at + 4;
        if (at + 4 + fieldLength > extraEnd)
            return malformed(*file, "extra field cut short");
        if (data[at] == 'R' && data[at + 1] == 'A' && fieldLength >= 6) {
            const quint16 count = littleEndian16(field + 4);
            if (littleEndian16(field) != 1 || 6 + 2 * qint64(count) > fieldLength)
                return malformed(*file, "chunk table of an unknown version");
            reader->chunkLength_ = littleEndian16(field + 2);
            for (quint16 i = 0; i < count; ++i)
                sizes.push_back(littleEndian16(field + 6 + 2 * i));
        }
        at += 4 + fieldLength;
    }
    if (sizes.empty() || reader->chunkLength_ == 0)
        return malformed(*file, "no chunk table (a plain gzip file)");

    qint64 at = extraEnd;
    if (flags & kFlagName)
        at = skipZeroTerminated(data, size, at);
    if (at && (flags & kFlagComment))
        at = skipZeroTerminated(data, size, at);
    if (at && (flags & kFlagHeaderCrc))
        at += 2;
    if (at == 0 || at > size)
        return malformed(*file, "header cut short");

    quint64 start = quint64(at);
    for (quint32 chunkSize : sizes) {
        reader->chunkStarts_.push_back(start);
        start += chunkSize;
    }
    if (start + 8 > quint64(size))
        return malformed(*file, "chunks run past the end of the file");
    reader->chunkSizes_ = std::move(sizes);
    // The trailer's length is the text's size modulo 2^32; the chunk count bounds the rest.
    const quint64 wholeChunks = quint64(reader->chunkLength_) * (reader->chunkSizes_.size() - 1);
    const quint32 trailerSize = littleEndian32(data + size - 4);
    reader->textSize_ = wholeChunks + ((quint64(trailerSize) - wholeChunks) & 0xffffffffu);
    reader->file_ = std::move(file);
    reader->data_ = data;
    return std::unique_ptr<ArticleFile>(std::move(reader));
}

const QByteArray* DictZipReader::chunk(size_t index, quint32 needed) const
{
    auto it = std::find_if(cache_.begin(), cache_.end(), [&](const auto& item) { return item.first == index; });
    if (it != cache_.end() && quint32(it->second.size()) >= needed) {
        cache_.splice(cache_.begin(), cache_, it);
        return &cache_.front().second;
    }
    if (it != cache_.end())
        cache_.erase(it);
    // Inflating stops where the read ends: on average half a chunk is spared.
    auto inflated = inflateChunk(data_ + chunkStarts_[index], chunkSizes_[index], needed);
    if (!inflated)
        return nullptr;
    cache_.emplace_front(index, std::move(*inflated));
    if (cache_.size() > kCachedChunks)
        cache_.pop_back();
    return &cache_.front().second;
}

std::optional<QByteArray> DictZipReader::read(quint64 offset, quint32 length) const
{
    if (offset + length > textSize_)
        return std::nullopt;
    QByteArray text;
    text.reserve(qsizetype(length));
    std::lock_guard lock(mutex_);
    for (quint64 at = offset; at < offset + length;) {
        const size_t index = size_t(at / chunkLength_);
        const quint64 within = at % chunkLength_;
        const quint32 needed = quint32(std::min<quint64>(chunkLength_, within + (offset + length - at)));
        const QByteArray* inflated = index < chunkStarts_.size() ? chunk(index, needed) : nullptr;
        if (!inflated || within >= quint64(inflated->size()))
            return std::nullopt;
        const quint64 take = std::min<quint64>(offset + length - at, quint64(inflated->size()) - within);
        text.append(inflated->constData() + within, qsizetype(take));
        at += take;
    }
    return text;
}

} // namespace quillo::dictformats
