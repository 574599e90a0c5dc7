#pragma once

#include "skins/container/SkinContainer.h"

#include <QString>

namespace quillo {

// A skin source is a definition file (GBK INI text) whose "PICTURES" section names the main,
// inactive and mask bitmaps and the "activepictures" list, all relative to the file's folder.
struct SkinSourceResult {
    bool ok = false;
    QString error; // what went wrong, naming the file, when ok is false
    SkinContainer container;
};

// Gathers a skin source into a version 3 container. Every bitmap must be a whole, decodable BMP
// whose header gives its true length; the definition's line ends become CR LF.
SkinSourceResult ReadSkinSource(const QString& definitionPath);

struct PackedSkinSource {
    bool ok = false;
    QString error;
    QByteArray compressed; // zlib stream at the best level, beginning 0x78 0xDA
};

// ReadSkinSource, then the container written and deflated: a stored skin's compressed bytes.
PackedSkinSource PackSkinSource(const QString& definitionPath);

} // namespace quillo
