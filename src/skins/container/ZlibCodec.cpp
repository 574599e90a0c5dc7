#include "skins/container/ZlibCodec.h"

#include <zlib.h>

#include <limits>

namespace quillo {

namespace {

constexpr qsizetype kInflateStep = 64 * 1024;

// Owns an inflater for the length of one call.
class Inflater {
public:
    Inflater() { ok_ = inflateInit(&stream_) == Z_OK; }
    ~Inflater()
    {
        if (ok_)
            inflateEnd(&stream_);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    bool ok() const { return ok_; }
    z_stream& stream() { return stream_; }

private:
    z_stream stream_{};
    bool ok_ = false;
};

} // namespace

QByteArray DeflateBest(QByteArrayView data)
{
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    QByteArray out(static_cast<qsizetype>(size), Qt::Uninitialized);
    const int rc = compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                             reinterpret_cast<const Bytef*>(data.data()),
                             static_cast<uLong>(data.size()), Z_BEST_COMPRESSION);
    if (rc != Z_OK)
        return {};
    out.truncate(static_cast<qsizetype>(size));
    return out;
}

InflateResult InflateCapped(QByteArrayView input, qsizetype maxOutput)
{
    InflateResult result;
    if (input.size() > std::numeric_limits<uInt>::max())
        return result;
    Inflater inflater;
    if (!inflater.ok())
        return result;

    z_stream& zs = inflater.stream();
    zs.next_in = const_cast<Bytef*>(reinterpret_cast<const Bytef*>(input.data()));
    zs.avail_in = static_cast<uInt>(input.size());

    QByteArray out;
    for (;;) {
        const qsizetype used = out.size();
        // One byte beyond the cap is allowed so that a stream of exactly maxOutput bytes is
        // told apart from a longer one.
        const qsizetype room = std::min(kInflateStep, maxOutput + 1 - used);
        out.resize(used + room);
        zs.next_out = reinterpret_cast<Bytef*>(out.data() + used);
        zs.avail_out = static_cast<uInt>(room);
        const int rc = inflate(&zs, Z_NO_FLUSH);
        out.resize(used + room - static_cast<qsizetype>(zs.avail_out));

        if (out.size() > maxOutput) {
            result.status = InflateStatus::TooLarge;
            return result;
        }
        if (rc == Z_STREAM_END) {
            result.status = InflateStatus::Ok;
            result.data = std::move(out);
            return result;
        }
        if (rc == Z_BUF_ERROR && zs.avail_in == 0) {
            result.status = InflateStatus::Truncated;
            return result;
        }
        if (rc != Z_OK) {
            result.status = InflateStatus::Corrupt;
            return result;
        }
    }
}

} // namespace quillo
