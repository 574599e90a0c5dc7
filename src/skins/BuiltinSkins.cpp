#include "skins/BuiltinSkins.h"

#include "skins/CompressedStoredSkin.h"

#include <QFile>

namespace quillo {

QByteArray BuiltinSkinData(int number)
{
    if (number < 1 || number > kBuiltinSkinCount)
        return {};
    QFile file(QStringLiteral(":/skins/skin%1.z").arg(number));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

TCompressedStoredSkin* CreateBuiltinSkin(int number, QObject* parent)
{
    auto* skin = new TCompressedStoredSkin(parent);
    skin->setFileName(QStringLiteral("skin.ini"));
    skin->setCompressedData(BuiltinSkinData(number));
    return skin;
}

} // namespace quillo
