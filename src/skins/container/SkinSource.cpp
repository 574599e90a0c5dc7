#include "skins/container/SkinSource.h"

#include "skins/container/ProfileList.h"
#include "skins/container/SkinBitmap.h"
#include "skins/container/ZlibCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace quillo {

namespace {

const QString kPictures = QStringLiteral("PICTURES");

bool readWholeFile(const QString& path, QByteArray& bytes, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    bytes = file.readAll();
    return true;
}

bool readBitmapFile(const QDir& folder, const QString& name, QByteArray& bitmap, QString& error)
{
    const QString path = folder.filePath(name);
    if (!readWholeFile(path, bitmap, error))
        return false;
    if (BmpFileLength(bitmap) != bitmap.size()) {
        error = QStringLiteral("%1: the BMP header does not give the file's length").arg(path);
        return false;
    }
    if (DecodeSkinBitmap(bitmap).isNull()) {
        error = QStringLiteral("%1: not a readable BMP picture").arg(path);
        return false;
    }
    return true;
}

bool readOptionalBitmap(const QDir& folder, const QString& name, std::optional<QByteArray>& out, QString& error)
{
    out.reset();
    if (name.isEmpty())
        return true;
    QByteArray bitmap;
    if (!readBitmapFile(folder, name, bitmap, error))
        return false;
    out = std::move(bitmap);
    return true;
}

QByteArray withCrLfLineEnds(const QByteArray& text)
{
    QByteArray out;
    out.reserve(text.size() + text.count('\n'));
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out.append('\r');
        out.append(text[i]);
    }
    return out;
}

} // namespace

SkinSourceResult ReadSkinSource(const QString& definitionPath)
{
    SkinSourceResult result;
    QByteArray text;
    if (!readWholeFile(definitionPath, text, result.error))
        return result;
    const ProfileReader profile = ProfileReader::fromBytes(text);
    const QDir folder = QFileInfo(definitionPath).absoluteDir();

    SkinContainer& c = result.container;
    if (!readOptionalBitmap(folder, profile.value(kPictures, QStringLiteral("picture")), c.picture, result.error)
        || !readOptionalBitmap(folder, profile.value(kPictures, QStringLiteral("inactivepicture")), c.inactivePicture, result.error)
        || !readOptionalBitmap(folder, profile.value(kPictures, QStringLiteral("mask")), c.mask, result.error))
        return result;
    for (const QString& name : ReadProfileList(profile, kPictures, QStringLiteral("activepictures"))) {
        QByteArray bitmap;
        if (!readBitmapFile(folder, name, bitmap, result.error))
            return result;
        c.activePictures.append(std::move(bitmap));
    }
    c.definition = withCrLfLineEnds(text);
    result.ok = true;
    return result;
}

PackedSkinSource PackSkinSource(const QString& definitionPath)
{
    PackedSkinSource packed;
    const SkinSourceResult source = ReadSkinSource(definitionPath);
    if (!source.ok) {
        packed.error = source.error;
        return packed;
    }
    packed.compressed = DeflateBest(WriteSkinContainer(source.container));
    packed.ok = !packed.compressed.isEmpty();
    if (!packed.ok)
        packed.error = QStringLiteral("%1: compression failed").arg(definitionPath);
    return packed;
}

} // namespace quillo
