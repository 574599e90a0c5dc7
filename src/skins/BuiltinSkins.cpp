#include "skins/BuiltinSkins.h"

#include "skins/CompressedStoredSkin.h"

#include <QResource>

namespace quillo {

namespace {

// The resource's bytes where the program holds them: rcc stores the built-in skins uncompressed,
// so nothing is copied or allocated, and a page is read only when something reads it.
QByteArray BuiltinResource(int number, const char* suffix)
{
    if (number < 1 || number > kBuiltinSkinCount)
        return {};
    const QResource resource(QStringLiteral(":/skins/skin%1").arg(number) + QLatin1String(suffix));
    if (!resource.isValid())
        return {};
    if (resource.compressionAlgorithm() != QResource::NoCompression)
        return resource.uncompressedData();
    return QByteArray::fromRawData(reinterpret_cast<const char*>(resource.data()), qsizetype(resource.size()));
}

} // namespace

QByteArray BuiltinSkinData(int number)
{
    return BuiltinResource(number, ".z");
}

QByteArray BuiltinSkinContainer(int number)
{
    return BuiltinResource(number, ".skin");
}

QByteArray BuiltinSkinContainerIndex(int number)
{
    return BuiltinResource(number, ".index");
}

QByteArray BuiltinSkinDefinition(int number)
{
    return BuiltinResource(number, ".ini");
}

TCompressedStoredSkin* CreateBuiltinSkin(int number, QObject* parent)
{
    auto* skin = new TCompressedStoredSkin(parent);
    skin->setFileName(QStringLiteral("skin.ini"));
    skin->setLoader([number] {
        return TCompressedStoredSkin::Bytes{BuiltinSkinData(number), BuiltinSkinContainer(number),
                                            BuiltinSkinContainerIndex(number), BuiltinSkinDefinition(number)};
    });
    return skin;
}

} // namespace quillo
