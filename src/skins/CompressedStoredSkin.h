#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

namespace quillo {

// One stored skin: the zlib-compressed bytes of a skin container, kept for the life of its
// owner. Unpacking is TSkinData's job; this only holds the bytes and, as a build step, makes them.
class TCompressedStoredSkin : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Description READ Description WRITE setDescription)
    Q_PROPERTY(QString FileName READ FileName WRITE setFileName)
    Q_PROPERTY(QString CompressedFileName READ CompressedFileName WRITE setCompressedFileName)

public:
    explicit TCompressedStoredSkin(QObject* parent = nullptr);

    QString Description() const { return m_description; }
    void setDescription(const QString& text) { m_description = text; }
    // Name of the definition file the data was built from; only recorded.
    QString FileName() const { return m_fileName; }
    void setFileName(const QString& name) { m_fileName = name; }
    QString CompressedFileName() const { return m_compressedFileName; }
    void setCompressedFileName(const QString& name) { m_compressedFileName = name; }

    const QByteArray& CompressedData() const { return bytes().compressed; }
    // New bytes are another skin: what was kept beside the old ones (its container, its decoded
    // definition) no longer describes them and is dropped.
    void setCompressedData(const QByteArray& data);
    bool isEmpty() const { return bytes().compressed.isEmpty() && bytes().container.isEmpty(); }
    // The definition already decoded into UTF-8 when the program was built (the built-in skins),
    // read instead of the container's GBK text so that no GBK decoder is opened for it; empty for
    // a skin loaded from a file.
    const QByteArray& DecodedDefinition() const { return bytes().decodedDefinition; }
    void setDecodedDefinition(const QByteArray& utf8) { loadedBytes().decodedDefinition = utf8; }
    // The container the compressed bytes inflate to, when it is at hand without inflating them
    // (the built-in skins, read in place from the program's resources); unpacking reads it
    // instead of the compressed bytes. Empty for a skin loaded from a file.
    const QByteArray& Container() const { return bytes().container; }
    // index: where the container's pictures lie (WriteContainerIndex), worked out and checked when
    // the program was built; empty to have unpacking walk and check the container.
    void setContainer(const QByteArray& container, const QByteArray& index = {});
    const QByteArray& ContainerIndex() const { return bytes().containerIndex; }

    struct Bytes {
        QByteArray compressed;
        QByteArray container;
        QByteArray containerIndex;
        QByteArray decodedDefinition;
    };
    // The bytes are fetched by load when something first asks for them: the built-in skins not in
    // use then cost nothing at start, not even the pages their sizes are read from.
    void setLoader(std::function<Bytes()> load);

    // Build steps. Packs the skin source whose definition is at definitionPath (its pictures
    // beside it) at the best compression level and keeps the file name of the definition.
    bool loadFromSkinSource(const QString& definitionPath, QString* error = nullptr);
    // Takes the compressed bytes of a packed skin file unchanged.
    bool loadFromPackedFile(const QString& path, QString* error = nullptr);

private:
    // Run the loader first, if there is one still to run.
    const Bytes& bytes() const;
    Bytes& loadedBytes();

    QString m_description;
    QString m_fileName;
    QString m_compressedFileName;
    mutable Bytes m_bytes;
    mutable std::function<Bytes()> m_load;
};

} // namespace quillo
