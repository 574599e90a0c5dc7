#include "http/RequestRoutine.h"

#include "http/AddressSplit.h"
#include "http/CurlExchange.h"

#include <QDir>
#include <QFileInfo>

#include <stdexcept>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace quillo {

RequestContext::RequestContext() : memory(std::make_unique<QBuffer>()), file(std::make_unique<QFile>())
{
    started.start();
}

RequestContext::~RequestContext() = default;

void RequestContext::Abandon()
{
    std::lock_guard guard(ioLock);
    abandoned = true;
    if (file && file->isOpen()) {
        const QString name = file->fileName();
        file->close();
        const QString aside = name + QStringLiteral(".part");
        QFile::remove(aside);
        QFile::rename(name, aside);
    }
    stream = nullptr;
    memory.reset();
    file.reset();
}

void RequestContext::ReleaseStreams()
{
    std::lock_guard guard(ioLock);
    stream = nullptr;
    memory.reset();
    file.reset();
}

namespace {

void hideAsTemporary([[maybe_unused]] const QString& fileName)
{
#ifdef Q_OS_WIN
    const QString native = QDir::toNativeSeparators(fileName);
    SetFileAttributesW(reinterpret_cast<LPCWSTR>(native.utf16()),
                       FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY);
#endif
    // Elsewhere files have no hidden or temporary attribute; renaming to a dot file would break
    // the caller's name, so the file stays as it is.
}

QString localPath(const QByteArray& urlPath)
{
    QString path = QString::fromUtf8(urlPath);
#ifdef Q_OS_WIN
    // "file:///C:/dir/x" gives "/C:/dir/x".
    if (path.size() >= 3 && path[0] == QLatin1Char('/') && path[2] == QLatin1Char(':'))
        path.remove(0, 1);
#endif
    return path;
}

void readLocalFile(RequestContext& ctx, RequestEvents& events, const AddressParts& parts)
{
    RequestOutcome& out = ctx.outcome;
    const QString path = localPath(parts.path);
    QFile source(path);
    // A directory opens on some systems but cannot be read: it is as missing as a missing file.
    const bool opened = QFileInfo(path).isFile() && source.open(QIODevice::ReadOnly);
    out.statusCode = opened ? 200 : 404;
    out.contentLength = opened ? source.size() : 0;
    // The length is known exactly as if the reply had announced it.
    out.success = opened;
    if (!OpenDestination(ctx)) {
        out.noStream = true;
        return;
    }
    if (opened) {
        // No bigger than the file: a huge transfer size must not allocate gigabytes for a small one.
        const qint64 wanted = qMax<qint64>(kReadSize, qint64(ctx.settings.transferSize));
        const qint64 blockSize = qBound<qint64>(1, source.size(), wanted);
        QByteArray block(qsizetype(blockSize), Qt::Uninitialized);
        for (;;) {
            const qint64 n = source.read(block.data(), block.size());
            if (n <= 0 || !StoreBody(ctx, events, block.constData(), n))
                break;
        }
    }
    FinishBody(ctx);
}

} // namespace

void RunRequest(RequestContext& ctx, RequestEvents& events)
{
    AddressParts parts;
    if (!SplitAddress(ctx.settings.url, parts)) {
        // Nothing to connect to: fails as an unreachable host.
        ctx.outcome.success = false;
        return;
    }
    if (parts.scheme == "file")
        readLocalFile(ctx, events, parts);
    else
        RunHttpExchange(ctx, events, parts);
}

bool OpenDestination(RequestContext& ctx)
{
    std::lock_guard guard(ctx.ioLock);
    if (ctx.abandoned)
        return false;
    const QString& name = ctx.settings.outputFileName;
    if (ctx.outcome.success && !name.isEmpty()) {
        QFile::remove(name);
        ctx.file->setFileName(name);
        if (!ctx.file->open(QIODevice::ReadWrite | QIODevice::Truncate))
            return false;
        if (ctx.settings.hideOutputFile)
            hideAsTemporary(name);
        ctx.stream = ctx.file.get();
        return true;
    }
    if (ctx.outcome.success && ctx.outcome.contentLength > 0)
        ctx.memory->buffer().reserve(qsizetype(qMin(ctx.outcome.contentLength, kMaxPresize)));
    ctx.memory->open(QIODevice::ReadWrite);
    ctx.stream = ctx.memory.get();
    return true;
}

namespace {

// Appends to the destination; false when the request was abandoned or the write failed.
bool appendToStream(RequestContext& ctx, const char* data, qint64 size, bool& writeFailed)
{
    std::lock_guard guard(ctx.ioLock);
    if (ctx.abandoned || !ctx.stream)
        return false;
    // A handler may have moved the position while reading the stream.
    const qint64 end = ctx.outcome.bytesTransferred;
    if (ctx.stream->pos() != end)
        ctx.stream->seek(end);
    if (ctx.stream->write(data, size) != size) {
        writeFailed = true;
        return false;
    }
    ctx.outcome.bytesTransferred += size;
    return true;
}

} // namespace

bool StoreBody(RequestContext& ctx, RequestEvents& events, const char* data, qint64 size)
{
    bool writeFailed = false;
    bool stored = false;
    if (!ctx.settings.hasProgress) {
        stored = appendToStream(ctx, data, size, writeFailed);
    } else {
        // Stored block by block on the GUI thread, each before its own event, so a handler that
        // reads the stream finds exactly the bytes its counts speak of.
        const qint64 blockSize = qint64(ctx.settings.transferSize);
        qint64 offset = 0;
        const std::function<bool()> storeNextBlock = [&] {
            const qint64 n = qMin(blockSize, size - offset);
            if (n <= 0 || !appendToStream(ctx, data + offset, n, writeFailed))
                return false;
            offset += n;
            return true;
        };
        stored = events.Progress(ctx, storeNextBlock) && offset == size;
    }
    if (writeFailed)
        throw std::runtime_error("the reply could not be stored");
    return stored;
}

void FinishBody(RequestContext& ctx)
{
    RequestOutcome& out = ctx.outcome;
    out.success = out.statusCode == 200;
    std::lock_guard guard(ctx.ioLock);
    if (out.success && out.contentLength != 0 && ctx.stream)
        out.success = out.contentLength == out.bytesTransferred;
}

} // namespace quillo
