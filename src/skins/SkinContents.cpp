#include "skins/SkinContents.h"

#include "skins/container/ProfileList.h"
#include "skins/container/SkinBitmap.h"
#include "skins/container/SkinContainer.h"
#include "skins/container/ZlibCodec.h"

#include <QSet>

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

// Active pictures that only keys ending in "2x" name: the twins for high-density screens.
QSet<int> highDensityOnly(const ProfileReader& definition)
{
    QSet<int> twins;
    QSet<int> drawnAtNormalDensity;
    for (const QString& section : definition.sections()) {
        for (const QString& key : definition.keys(section)) {
            bool number = false;
            const int index = definition.value(section, key).toInt(&number);
            if (!number)
                continue;
            if (key.endsWith(QLatin1String("2x"), Qt::CaseInsensitive))
                twins.insert(index);
            else if (key.endsWith(QLatin1String("picture"), Qt::CaseInsensitive))
                drawnAtNormalDensity.insert(index);
        }
    }
    return twins - drawnAtNormalDensity;
}

// Where the bytes of deferred pictures are found again when they are drawn.
struct PictureSource {
    QByteArray bytes;
    bool compressed = false;
    const char* containerStart = nullptr;
};

bool decodePictures(const SkinContainer& c, const PictureSource& source, SkinContents& s)
{
    qint64 budget = kMaxSkinPixels;
    if (!decodeOptional(c.picture, s.picture, budget) || !decodeOptional(c.inactivePicture, s.inactivePicture, budget)
        || !decodeOptional(c.mask, s.mask, budget))
        return false;
    const QSet<int> deferred = highDensityOnly(s.definition);
    s.activePictures.reserve(c.activePictures.size());
    for (qsizetype i = 0; i < c.activePictures.size(); ++i) {
        const QByteArray& bmp = c.activePictures[i];
        if (deferred.contains(int(i))) {
            const QSize size = CheckSkinBitmap(bmp, budget);
            if (size.isEmpty())
                return false;
            s.activePictures.append(SkinPicture(source.bytes, source.compressed, bmp.constData() - source.containerStart,
                                                bmp.size(), size));
        } else {
            QImage image = DecodeSkinBitmap(bmp, budget);
            if (image.isNull())
                return false;
            s.activePictures.append(SkinPicture(std::move(image)));
        }
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

namespace {

// The bitmaps are read in place from the container, which must live until the pictures are made.
SkinUnpackResult unpackContainer(const QByteArray& container, PictureSource source, const QByteArray& utf8Definition = {})
{
    SkinUnpackResult result;
    const ContainerReadResult read = ReadSkinContainer(container, BitmapBytes::Borrowed);
    result.status = fromContainer(read.status);
    if (result.status != SkinUnpackStatus::Ok)
        return result;
    readDefinition(utf8Definition.isEmpty() ? ProfileReader::fromBytes(read.container.definition)
                                            : ProfileReader::fromUtf8(utf8Definition),
                   result.contents);
    source.containerStart = container.constData();
    if (!decodePictures(read.container, source, result.contents)) {
        result.contents = {};
        result.status = SkinUnpackStatus::UndecodableBitmap;
    }
    return result;
}

} // namespace

SkinUnpackResult UnpackSkinContainer(QByteArrayView bytes)
{
    const QByteArray container = bytes.toByteArray();
    return unpackContainer(container, {container, false});
}

SkinUnpackResult UnpackSkin(const QByteArray& compressed, const QByteArray& utf8Definition)
{
    const InflateResult inflated = InflateCapped(compressed, kMaxInflatedSkinSize);
    if (inflated.status != InflateStatus::Ok) {
        SkinUnpackResult result;
        result.status = fromInflate(inflated.status);
        return result;
    }
    return unpackContainer(inflated.data, {compressed, true}, utf8Definition);
}

} // namespace quillo
