#include "server/engines/dictionary/DictZipWriter.h"

#include <QFile>

#include <zlib.h>

#include <vector>

namespace quillo::dictformats {

namespace {

// The extra field's length is 16 bits: 10 bytes of fields, then 2 for each chunk.
constexpr quint64 kMaxChunks = (0xffff - 10) / 2;

void putLittleEndian(QByteArray& out, quint64 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xff));
}

QByteArray header(quint32 chunkLength, const std::vector<quint16>& chunkSizes)
{
    QByteArray field;
    putLittleEndian(field, 1, 2); // version
    putLittleEndian(field, chunkLength, 2);
    putLittleEndian(field, chunkSizes.size(), 2);
    for (quint16 size : chunkSizes)
        putLittleEndian(field, size, 2);
    QByteArray out("\x1f\x8b\x08\x04\0\0\0\0\x02\x03", 10); // gzip, deflate, FEXTRA, no time, best, Unix
    putLittleEndian(out, quint64(field.size()) + 4, 2);
    out += "RA";
    putLittleEndian(out, quint64(field.size()), 2);
    return out + field;
}

DictError failure(const QString& path, const QString& why)
{
    return dictError(DictErrorKind::IndexWrite, QStringLiteral("%1 cannot be written: %2").arg(path, why));
}

struct Deflater {
    Deflater() { ok = deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY) == Z_OK; }
    ~Deflater() { deflateEnd(&stream); }
    z_stream stream{};
    bool ok = false;

    // One chunk, flushed so that it inflates on its own; nothing when it would not fit dictzip's
    // 16-bit chunk sizes.
    std::optional<QByteArray> chunk(const char* data, quint32 size, bool last)
    {
        QByteArray out(qsizetype(deflateBound(&stream, size) + 16), Qt::Uninitialized);
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        stream.avail_in = size;
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = uInt(out.size());
        const int status = deflate(&stream, last ? Z_FINISH : Z_FULL_FLUSH);
        if (status != (last ? Z_STREAM_END : Z_OK) || stream.avail_in != 0)
            return std::nullopt;
        out.truncate(out.size() - qsizetype(stream.avail_out));
        if (out.size() > 0xffff)
            return std::nullopt;
        return out;
    }
};

} // namespace

std::optional<DictError> writeDictZip(const ArticleFile& source, const QString& path)
{
    const quint64 total = source.size();
    const quint32 chunkLength = quint32(std::max<quint64>(kLookupChunkLength, (total + kMaxChunks - 1) / kMaxChunks));
    if (chunkLength > 0xffff)
        return failure(path, QStringLiteral("the text is too long for dictzip"));
    const quint64 chunkCount = std::max<quint64>(1, (total + chunkLength - 1) / chunkLength);
    std::vector<quint16> sizes(chunkCount, 0);
    const quint64 readBlock = 64 * quint64(chunkLength);

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return failure(path, file.errorString());
    file.write(header(chunkLength, sizes)); // the sizes are filled in at the end
    Deflater deflater;
    uLong crc = crc32(0, nullptr, 0);
    quint64 chunkIndex = 0;
    for (quint64 at = 0; deflater.ok && (at < total || chunkIndex == 0);) {
        const auto block = source.read(at, quint32(std::min(readBlock, total - at)));
        if (!block)
            return failure(path, QStringLiteral("the original cannot be read at %1").arg(at));
        crc = crc32(crc, reinterpret_cast<const Bytef*>(block->constData()), uInt(block->size()));
        for (qsizetype in = 0; in < block->size() || (total == 0 && chunkIndex == 0); in += chunkLength) {
            const quint32 size = quint32(std::min<qsizetype>(chunkLength, block->size() - in));
            const bool last = chunkIndex + 1 == chunkCount;
            const auto compressed = deflater.chunk(block->constData() + in, size, last);
            if (!compressed)
                return failure(path, QStringLiteral("a chunk does not fit"));
            sizes[chunkIndex++] = quint16(compressed->size());
            file.write(*compressed);
            if (total == 0)
                break;
        }
        at += quint64(block->size());
    }
    if (!deflater.ok)
        return failure(path, QStringLiteral("zlib cannot start"));
    QByteArray trailer;
    putLittleEndian(trailer, crc, 4);
    putLittleEndian(trailer, total & 0xffffffffu, 4);
    file.write(trailer);
    if (!file.seek(0) || file.write(header(chunkLength, sizes)) < 0 || !file.flush())
        return failure(path, file.errorString());
    return std::nullopt;
}

} // namespace quillo::dictformats
