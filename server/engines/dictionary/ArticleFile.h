#pragma once
// The data file of a dictionary (dictd's .dict, StarDict's .dict), read by offset and size:
// either plain or compressed with dictzip. Both are memory-mapped, so that only the pages a
// lookup touches are ever read, and reads are safe from several threads.

#include "server/engines/dictionary/DictError.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

namespace quillo::dictformats {

class ArticleFile {
public:
    virtual ~ArticleFile() = default;
    // The bytes [offset, offset + size) of the uncompressed text; nothing when they lie beyond
    // its end or a compressed chunk is damaged.
    virtual std::optional<QByteArray> read(quint64 offset, quint32 size) const = 0;
    // Size of the uncompressed text.
    virtual quint64 size() const = 0;
    // How many bytes of text one read inflates at most: dictzip's chunk length, 0 when plain.
    virtual quint32 chunkLength() const = 0;

    // Opens `path`, as dictzip when it starts with the gzip magic and carries dictzip's chunk
    // table, as plain text otherwise. A gzip file without that table is refused: reading it
    // would mean inflating it whole.
    static DictResult<std::unique_ptr<ArticleFile>> open(const QString& path);
};

} // namespace quillo::dictformats
