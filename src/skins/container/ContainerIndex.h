#pragma once

#include "skins/container/SkinContainer.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QSize>

#include <optional>

namespace quillo {

// Where every picture of a container lies and how large it is, once its bitmaps have passed the
// checks that make decoding them unable to fail. Unpacking works it out by walking the container;
// for the built-in skins the build works it out, and start-up reads it instead, since the walk
// reads a header inside every picture and so maps into memory the pages of pictures nobody may
// ever draw (the 2x twins on a normal screen).
struct IndexedPicture {
    qsizetype offset = 0;
    qsizetype length = 0; // 0: no such picture
    QSize size;
};

struct ContainerIndex {
    IndexedPicture picture;
    IndexedPicture inactivePicture;
    IndexedPicture mask;
    QList<IndexedPicture> activePictures;
    qsizetype definitionOffset = 0; // the definition fills the rest
};

struct ContainerIndexResult {
    ContainerStatus status = ContainerStatus::Truncated;
    ContainerIndex index; // complete only when status is Ok
};

// Reads the container and checks every bitmap's headers against its bytes, within one skin's
// pixel budget, without decoding pixels (except of a kind that cannot be checked otherwise).
ContainerIndexResult IndexSkinContainer(QByteArrayView container);

// The index as the build stores it: little-endian 32-bit integers, the definition's offset, the
// count of active pictures, then offset, length, width and height of each picture (main,
// inactive, mask, the active ones).
QByteArray WriteContainerIndex(const ContainerIndex& index);
// Nothing when the bytes are not such an index of a container of containerSize bytes.
std::optional<ContainerIndex> ReadContainerIndex(QByteArrayView bytes, qsizetype containerSize);

} // namespace quillo
