#pragma once
// dictzip: a gzip file whose deflate stream is flushed completely every chunk (usually 58315
// bytes of text), with the compressed size of each chunk in the "RA" extra field of the gzip
// header. Every chunk therefore inflates on its own, and a read inflates only the chunks it
// covers. The last few chunks inflated are kept, since lookups of neighbouring headwords tend to
// hit the same chunk.

#include "server/engines/dictionary/ArticleFile.h"

#include <QFile>

#include <list>
#include <mutex>
#include <vector>

namespace quillo::dictformats {

class DictZipReader final : public ArticleFile {
public:
    // `file` is open; `mapped` its whole contents. Malformed when the header is not dictzip's.
    static DictResult<std::unique_ptr<ArticleFile>> open(std::unique_ptr<QFile> file, const uchar* mapped,
                                                         qint64 mappedSize);

    std::optional<QByteArray> read(quint64 offset, quint32 size) const override;
    quint64 size() const override { return textSize_; }
    quint32 chunkLength() const override { return chunkLength_; }

private:
    DictZipReader() = default;
    // The chunk inflated at least up to `needed` bytes (fewer only at the end of the text); under mutex_.
    const QByteArray* chunk(size_t index, quint32 needed) const;

    std::unique_ptr<QFile> file_;
    const uchar* data_ = nullptr;
    quint32 chunkLength_ = 0;
    quint64 textSize_ = 0;
    std::vector<quint64> chunkStarts_; // offset of each compressed chunk in the file
    std::vector<quint32> chunkSizes_;

    static constexpr size_t kCachedChunks = 4;
    mutable std::mutex mutex_;
    mutable std::list<std::pair<size_t, QByteArray>> cache_; // most recent first
};

} // namespace quillo::dictformats
