#pragma once

#include "core/ProfileReader.h"
#include "skins/SkinPicture.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace quillo {

// One "name:kind" entry of the "SKINOBJECTS" or "SKINCONTROLS" list; the section called name
// describes how it is drawn.
struct SkinEntry {
    QString name;
    QString kind;
    friend bool operator==(const SkinEntry&, const SkinEntry&) = default;
};

// Everything one unpacked skin holds: its pictures (each decoded when first asked for), their
// source names, the skin's own description and its definition.
struct SkinContents {
    SkinPicture picture;
    SkinPicture inactivePicture;
    SkinPicture mask;
    QString pictureName;
    QString inactivePictureName;
    QString maskName;
    QList<SkinPicture> activePictures; // in container order
    QStringList activePictureNames;

    QString skinName;
    QString skinAuthor;
    QString authorEmail;
    QString authorUrl;
    QString skinComments;

    QList<SkinEntry> skinObjects;
    QList<SkinEntry> skinControls;
    ProfileReader definition;
};

enum class SkinUnpackStatus {
    Ok,
    CorruptStream,       // the compressed bytes are not a sound zlib stream
    TruncatedStream,     // the compressed bytes end before the stream does
    TooLarge,            // inflating would pass kMaxInflatedSkinSize
    NewerVersion,        // a container version above 3
    TruncatedContainer,  // a field runs past the end of the container
    BadBitmapLength,     // a bitmap header announces an impossible length
    BadCount,            // more active pictures announced than the container can hold
    UndecodableBitmap,   // a bitmap of the right length that does not decode
};

// Inflated containers are ~100 KB; anything near this is a forgery, not a skin.
inline constexpr qsizetype kMaxInflatedSkinSize = 16 * 1024 * 1024;

struct SkinUnpackResult {
    SkinUnpackStatus status = SkinUnpackStatus::CorruptStream;
    SkinContents contents; // filled only when status is Ok
};

// Inflates and unpacks the compressed bytes of a stored skin. utf8Definition, when not empty, is
// read instead of the container's GBK definition (the same text, decoded beforehand). The
// pictures keep the inflated container until each is decoded.
SkinUnpackResult UnpackSkin(const QByteArray& compressed, const QByteArray& utf8Definition = {});
// Unpacks an already inflated container in place: the pictures keep a reference to its bytes
// (which must stay unchanged, and alive when they come from QByteArray::fromRawData). index, when
// it is a sound index of the container (WriteContainerIndex), is trusted instead of walking and
// checking the container: only the build makes one, after the same checks.
SkinUnpackResult UnpackSkinContainer(const QByteArray& container, const QByteArray& utf8Definition = {},
                                     const QByteArray& index = {});

} // namespace quillo
