#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <optional>

namespace quillo {

// The inflated skin container: a 32-bit version, three flag + picture pairs (main, inactive,
// mask), two more pairs that only version 2 carries and readers discard, a 32-bit count of
// active pictures, the pictures themselves, and the definition text filling the rest. Integers
// are little-endian; a flag byte of 0 means a bitmap follows. Each bitmap is a whole BMP file
// whose length is taken from its own file header. Nothing here decodes the bitmaps.
struct SkinContainer {
    static constexpr qint32 kCurrentVersion = 3;

    qint32 version = kCurrentVersion;
    std::optional<QByteArray> picture;
    std::optional<QByteArray> inactivePicture;
    std::optional<QByteArray> mask;
    // Written only when version is 2, and then always as two pairs (missing ones as flag 1).
    QList<std::optional<QByteArray>> legacyPictures;
    QList<QByteArray> activePictures;
    QByteArray definition; // GBK text, CR LF line ends
};

enum class ContainerStatus {
    Ok,
    NewerVersion,    // a version above 3: nothing after the version is read
    Truncated,       // a field runs past the end of the data
    BadBitmapLength, // a bitmap's file header announces a size it cannot have
    BadCount,        // a negative count, or more pictures than the remaining bytes could hold
    UndecodableBitmap, // (indexing only) a bitmap of the right length that does not decode
};

struct ContainerReadResult {
    ContainerStatus status = ContainerStatus::Truncated;
    SkinContainer container; // complete only when status is Ok; version is set from NewerVersion on
};

enum class BitmapBytes {
    Copied,
    // The bitmaps and the definition refer to the bytes read (QByteArray::fromRawData), which
    // must outlive them and stay unchanged; spares a second copy of every picture while a skin is
    // unpacked, and leaves the pages of what nobody reads untouched.
    Borrowed,
};

ContainerReadResult ReadSkinContainer(QByteArrayView bytes, BitmapBytes bitmaps = BitmapBytes::Copied);
QByteArray WriteSkinContainer(const SkinContainer& container);

// Length of the BMP file at the start of bytes, from its file header; 0 when the header is
// missing or announces a length that cannot be right (shorter than the headers, longer than
// bytes).
qsizetype BmpFileLength(QByteArrayView bytes);

} // namespace quillo
