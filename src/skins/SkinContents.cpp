#include "skins/SkinContents.h"

#include "skins/container/ProfileList.h"
#include "skins/container/SkinBitmap.h"
#include "skins/container/SkinContainer.h"
#include "skins/container/ZlibCodec.h"

namespace quillo {

namespace {

SkinUnpackStatus fromInflate(InflateStatus s)
{
    switch (s) {
    case InflateStatus::Ok: return SkinUnpackStatus::Ok;
    case InflateStatus::Corrupt: return SkinUnpackStatus::CorruptStream;
    case InflateStatus::Truncated: return SkinUnpackStatus::TruncatedStream;
    case InflateStatus::TooLarge: return SkinUnpackStatus::TooLarge;
    }
    return SkinUnpackStatus::CorruptStream;
}

SkinUnpackStatus fromContainer(ContainerStatus s)
{
    switch (s) {
    case ContainerStatus::Ok: return SkinUnpackStatus::Ok;
    case ContainerStatus::NewerVersion: return SkinUnpackStatus::NewerVersion;
    case ContainerStatus::Truncated: return SkinUnpackStatus::TruncatedContainer;
    case ContainerStatus::BadBitmapLength: return SkinUnpackStatus::BadBitmapLength;
    case ContainerStatus::BadCount: return SkinUnpackStatus::BadCount;
    }
    return SkinUnpackStatus::TruncatedContainer;
}

bool decodeOptional(const std::optional<QByteArray>& bmp, QImage& out, qint64& budget)
{
    if (!bmp)
        return true;
    out = DecodeSkinBitmap(*bmp, budget);
    return !out.isNull();
}

bool decodePictures(const SkinContainer& c, SkinContents& s)
{
    qint64 budget = kMaxSkinPixels;
    if (!decodeOptional(c.picture, s.picture, budget) || !decodeOptional(c.inactivePicture, s.inactivePicture, budget)
        || !decodeOptional(c.mask, s.mask, budget))
        return false;
    s.activePictures.reserve(c.activePictures.size());
    for (const QByteArray& bmp : c.activePictures) {
        QImage image = DecodeSkinBitmap(bmp, budget);
        if (image.isNull())
            return false;
        s.activePictures.append(std::move(image));
    }
    return true;
}

QList<SkinEntry> readEntries(const ProfileReader& profile, const QString& section)
{
    QList<SkinEntry> entries;
    for (const QString& line : ReadProfileList(profile, section, section.toLower())) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon < 0)
            entries.append({line.trimmed(), QString()});
        else
            entries.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    return entries;
}

void readDefinition(const QByteArray& text, SkinContents& s)
{
    s.definition = ProfileReader::fromBytes(text);
    const ProfileReader& d = s.definition;
    const QString version = QStringLiteral("VERSION");
    const QString pictures = QStringLiteral("PICTURES");
    s.skinName = d.value(version, QStringLiteral("skinname"));
    s.skinAuthor = d.value(version, QStringLiteral("skinauthor"));
    s.authorEmail = d.value(version, QStringLiteral("authoremail"));
    s.authorUrl = d.value(version, QStringLiteral("authorurl"));
    s.skinComments = d.value(version, QStringLiteral("skincomments"));
    s.pictureName = d.value(pictures, QStringLiteral("picture"));
    s.inactivePictureName = d.value(pictures, QStringLiteral("inactivepicture"));
    s.maskName = d.value(pictures, QStringLiteral("mask"));
    s.activePictureNames = ReadProfileList(d, pictures, QStringLiteral("activepictures"));
    s.skinObjects = readEntries(d, QStringLiteral("SKINOBJECTS"));
    s.skinControls = readEntries(d, QStringLiteral("SKINCONTROLS"));
}

} // namespace

SkinUnpackResult UnpackSkinContainer(QByteArrayView bytes)
{
    SkinUnpackResult result;
    const ContainerReadResult read = ReadSkinContainer(bytes);
    result.status = fromContainer(read.status);
    if (result.status != SkinUnpackStatus::Ok)
        return result;
    if (!decodePictures(read.container, result.contents)) {
        result.contents = {};
        result.status = SkinUnpackStatus::UndecodableBitmap;
        return result;
    }
    readDefinition(read.container.definition, result.contents);
    return result;
}

SkinUnpackResult UnpackSkin(QByteArrayView compressed)
{
    const InflateResult inflated = InflateCapped(compressed, kMaxInflatedSkinSize);
    if (inflated.status != InflateStatus::Ok) {
        SkinUnpackResult result;
        result.status = fromInflate(inflated.status);
        return result;
    }
    return UnpackSkinContainer(inflated.data);
}

} // namespace quillo
