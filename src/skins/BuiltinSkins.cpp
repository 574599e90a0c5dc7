#include "skins/BuiltinSkins.h"

#include "skins/CompressedStoredSkin.h"

#include <QFile>

namespace quillo {

namespace {

QByteArray BuiltinResource(int number, const char* suffix)
{
    if (number < 1 || number > kBuiltinSkinCount)
        return {};
    QFile file(QStringLiteral(":/skins/skin%1").arg(number) + QLatin1String(suffix));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

QByteArray BuiltinSkinData(int number)
{
    return BuiltinResource(number, ".z");
}

QByteArray BuiltinSkinDefinition(int number)
{
    return BuiltinResource(number, ".ini");
}

TCompressedStoredSkin* CreateBuiltinSkin(int number, QObject* parent)
{
    auto* skin = new TCompressedStoredSkin(parent);
    skin->setFileName(QStringLiteral("skin.ini"));
    skin->setCompressedData(BuiltinSkinData(number));
    skin->setDecodedDefinition(BuiltinSkinDefinition(number));
    return skin;
}

} // namespace quillo
