#include "skins/SkinContents.h"

#include "skins/container/ContainerIndex.h"
#include "skins/container/ProfileList.h"
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
    case ContainerStatus::UndecodableBitmap: return SkinUnpackStatus::UndecodableBitmap;
    }
    return SkinUnpackStatus::TruncatedContainer;
}

SkinPicture placed(const QByteArray& container, const IndexedPicture& where)
{
    return where.length == 0 ? SkinPicture() : SkinPicture(container, where.offset, where.length, where.size);
}

void placePictures(const QByteArray& container, const ContainerIndex& index, SkinContents& s)
{
    s.picture = placed(container, index.picture);
    s.inactivePicture = placed(container, index.inactivePicture);
    s.mask = placed(container, index.mask);
    s.activePictures.reserve(index.activePictures.size());
    for (const IndexedPicture& where : index.activePictures)
        s.activePictures.append(placed(container, where));
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

void readDefinition(ProfileReader definition, SkinContents& s)
{
    s.definition = std::move(definition);
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

// The build's index when it is a sound one, else the container walked and checked.
ContainerIndexResult locatePictures(const QByteArray& container, const QByteArray& index)
{
    if (!index.isEmpty()) {
        if (std::optional<ContainerIndex> built = ReadContainerIndex(index, container.size()))
            return {ContainerStatus::Ok, std::move(*built)};
    }
    return IndexSkinContainer(container);
}

} // namespace

SkinUnpackResult UnpackSkinContainer(const QByteArray& container, const QByteArray& utf8Definition,
                                     const QByteArray& index)
{
    SkinUnpackResult result;
    const ContainerIndexResult located = locatePictures(container, index);
    result.status = fromContainer(located.status);
    if (result.status != SkinUnpackStatus::Ok)
        return result;
    const qsizetype definitionAt = located.index.definitionOffset;
    const QByteArray gbkDefinition = QByteArray::fromRawData(container.constData() + definitionAt,
                                                            container.size() - definitionAt);
    readDefinition(utf8Definition.isEmpty() ? ProfileReader::fromBytes(gbkDefinition)
                                            : ProfileReader::fromUtf8(utf8Definition),
                   result.contents);
    placePictures(container, located.index, result.contents);
    return result;
}

SkinUnpackResult UnpackSkin(const QByteArray& compressed, const QByteArray& utf8Definition)
{
    const InflateResult inflated = InflateCapped(compressed, kMaxInflatedSkinSize);
    if (inflated.status != InflateStatus::Ok) {
        SkinUnpackResult result;
        result.status = fromInflate(inflated.status);
        return result;
    }
    return UnpackSkinContainer(inflated.data, utf8Definition);
}

} // namespace quillo
