#include "server/engines/dictionary/ArticleFile.h"

#include "server/engines/dictionary/DictZipReader.h"

#include <QFile>

namespace quillo::dictformats {

namespace {

class PlainArticleFile final : public ArticleFile {
public:
    PlainArticleFile(std::unique_ptr<QFile> file, const uchar* data, qint64 size)
        : file_(std::move(file)), data_(data), size_(quint64(size))
    {
    }

    std::optional<QByteArray> read(quint64 offset, quint32 length) const override
    {
        if (offset > size_ || length > size_ - offset)
            return std::nullopt;
        return QByteArray(reinterpret_cast<const char*>(data_ + offset), qsizetype(length));
    }
    quint64 size() const override { return size_; }
    quint32 chunkLength() const override { return 0; }

private:
    std::unique_ptr<QFile> file_; // keeps the mapping alive
    const uchar* data_;
    quint64 size_;
};

// An empty file cannot be mapped; it stands for a text of no bytes.
const uchar kNothing[1] = {0};

} // namespace

DictResult<std::unique_ptr<ArticleFile>> ArticleFile::open(const QString& path)
{
    auto file = std::make_unique<QFile>(path);
    if (!file->exists())
        return dictError(DictErrorKind::Missing, QStringLiteral("%1 does not exist").arg(path));
    if (!file->open(QIODevice::ReadOnly))
        return dictError(DictErrorKind::Unreadable,
                         QStringLiteral("%1 cannot be opened: %2").arg(path, file->errorString()));
    const qint64 size = file->size();
    const uchar* data = size > 0 ? file->map(0, size) : kNothing;
    if (!data)
        return dictError(DictErrorKind::Unreadable,
                         QStringLiteral("%1 cannot be mapped: %2").arg(path, file->errorString()));
    if (size >= 2 && data[0] == 0x1f && data[1] == 0x8b)
        return DictZipReader::open(std::move(file), data, size);
    return std::unique_ptr<ArticleFile>(std::make_unique<PlainArticleFile>(std::move(file), data, size));
}

} // namespace quillo::dictformats
