#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace quillo {

// zlib (RFC 1950) streams as the skin containers store them.

// Deflates at the best compression level: the stream begins with the bytes 0x78 0xDA.
QByteArray DeflateBest(QByteArrayView data);

enum class InflateStatus {
    Ok,
    Corrupt,   // not a zlib stream, or its data or checksum is damaged
    Truncated, // the input ends before the stream does
    TooLarge,  // the stream would inflate to more than the cap
};

struct InflateResult {
    InflateStatus status = InflateStatus::Corrupt;
    QByteArray data; // empty unless status is Ok
};

// Inflates one complete zlib stream, refusing to produce more than maxOutput bytes, so that a
// small hostile input cannot make us allocate without bound.
InflateResult InflateCapped(QByteArrayView stream, qsizetype maxOutput);

} // namespace quillo
