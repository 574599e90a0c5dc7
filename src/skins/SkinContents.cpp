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

// Checks every bitmap (headers and sizes against the bytes, no pixels decoded) and places its
// picture in the container, so that decoding it later cannot fail.
class PictureChecker {
public:
    explicit PictureChecker(const QByteArray& container) : m_container(container) {}

    bool place(const QByteArray& bmp, SkinPicture& out)
    {
        const QSize size = CheckSkinBitmap(bmp, m_budget);
        if (size.isEmpty())
            return false;
        out = SkinPicture(m_container, bmp.constData() - m_container.constData(), bmp.size(), size);
        return true;
    }

    bool placeOptional(const std::optional<QByteArray>& bmp, SkinPicture& out)
    {
        return !bmp || place(*bmp, out);
    }

private:
    const QByteArray& m_container;
    qint64 m_budget = kMaxSkinPixels;
};

bool placePictures(const SkinContainer& c, const QByteArray& container, SkinContents& s)
{
    PictureChecker checker(container);
    if (!checker.placeOptional(c.picture, s.picture) || !checker.placeOptional(c.inactivePicture, s.inactivePicture)
        || !checker.placeOptional(c.mask, s.mask))
        return false;
    s.activePictures.resize(c.activePictures.size());
    for (qsizetype i = 0; i < c.activePictures.size(); ++i) {
        if (!checker.place(c.activePictures[i], s.activePictures[i]))
            return false;
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

} // namespace

// The bitmaps are read in place from the container, which the pictures keep.
SkinUnpackResult UnpackSkinContainer(const QByteArray& container, const QByteArray& utf8Definition)
{
    SkinUnpackResult result;
    const ContainerReadResult read = ReadSkinContainer(container, BitmapBytes::Borrowed);
    result.status = fromContainer(read.status);
    if (result.status != SkinUnpackStatus::Ok)
        return result;
    readDefinition(utf8Definition.isEmpty() ? ProfileReader::fromBytes(read.container.definition)
                                            : ProfileReader::fromUtf8(utf8Definition),
                   result.contents);
    if (!placePictures(read.container, container, result.contents)) {
        result.contents = {};
        result.status = SkinUnpackStatus::UndecodableBitmap;
    }
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
