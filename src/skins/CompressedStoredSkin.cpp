#include "skins/CompressedStoredSkin.h"

#include "skins/container/PackedSkinFile.h"
#include "skins/container/SkinSource.h"

#include <QFile>
#include <QFileInfo>

namespace quillo {

namespace {
void report(QString* error, const QString& text)
{
    if (error)
        *error = text;
}
} // namespace

TCompressedStoredSkin::TCompressedStoredSkin(QObject* parent) : QObject(parent) {}

void TCompressedStoredSkin::setCompressedData(const QByteArray& data)
{
    m_load = nullptr;
    m_bytes = {data, {}, {}, {}};
}

void TCompressedStoredSkin::setContainer(const QByteArray& container, const QByteArray& index)
{
    Bytes& bytes = loadedBytes();
    bytes.container = container;
    bytes.containerIndex = index;
}

void TCompressedStoredSkin::setLoader(std::function<Bytes()> load)
{
    m_load = std::move(load);
    m_bytes = {};
}

const TCompressedStoredSkin::Bytes& TCompressedStoredSkin::bytes() const
{
    if (m_load) {
        m_bytes = m_load();
        m_load = nullptr;
    }
    return m_bytes;
}

TCompressedStoredSkin::Bytes& TCompressedStoredSkin::loadedBytes()
{
    bytes();
    return m_bytes;
}

bool TCompressedStoredSkin::loadFromSkinSource(const QString& definitionPath, QString* error)
{
    PackedSkinSource packed = PackSkinSource(definitionPath);
    if (!packed.ok) {
        report(error, packed.error);
        return false;
    }
    setCompressedData(packed.compressed);
    m_fileName = QFileInfo(definitionPath).fileName();
    return true;
}

bool TCompressedStoredSkin::loadFromPackedFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        report(error, QStringLiteral("%1: %2").arg(path, file.errorString()));
        return false;
    }
    std::optional<QByteArray> compressed = ReadPackedSkinFile(file.readAll());
    if (!compressed) {
        report(error, QStringLiteral("%1: not a packed skin file of version 3 or less").arg(path));
        return false;
    }
    setCompressedData(*compressed);
    return true;
}

} // namespace quillo
