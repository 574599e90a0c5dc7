// skinpack: turns a skin source (a skin.ini and the BMP files it names) into the compressed
// bytes of a stored skin, with --packed into a packed skin file (version, length, bytes), with
// --container into the container itself, uncompressed, which the program reads in place, or with
// --index into the index of that container (where its pictures lie), after checking its bitmaps
// as unpacking does.
#include "skins/container/ContainerIndex.h"
#include "skins/container/PackedSkinFile.h"
#include "skins/container/SkinSource.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QStringList>

#include <cstdio>

namespace {

enum class Output { Compressed, PackedFile, Container, Index };

int fail(const QString& message)
{
    std::fprintf(stderr, "skinpack: %s\n", qPrintable(message));
    return 1;
}

// Replaces the container by its index; false when unpacking would refuse the container.
bool replaceByIndex(const QString& definitionPath, QByteArray& bytes, QString& error)
{
    const quillo::ContainerIndexResult indexed = quillo::IndexSkinContainer(bytes);
    if (indexed.status != quillo::ContainerStatus::Ok) {
        error = QStringLiteral("%1: the skin would be refused when loaded").arg(definitionPath);
        return false;
    }
    bytes = quillo::WriteContainerIndex(indexed.index);
    return true;
}

// The bytes to write, or the error naming the file that failed.
bool produce(Output output, const QString& definitionPath, QByteArray& bytes, QString& error)
{
    if (output == Output::Container || output == Output::Index) {
        const quillo::SkinSourceResult source = quillo::ReadSkinSource(definitionPath);
        error = source.error;
        bytes = quillo::WriteSkinContainer(source.container);
        return source.ok && (output == Output::Container || replaceByIndex(definitionPath, bytes, error));
    }
    const quillo::PackedSkinSource packed = quillo::PackSkinSource(definitionPath);
    error = packed.error;
    bytes = output == Output::PackedFile ? quillo::WritePackedSkinFile(packed.compressed) : packed.compressed;
    return packed.ok;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    const bool packedFile = args.removeAll(QStringLiteral("--packed")) > 0;
    const bool container = args.removeAll(QStringLiteral("--container")) > 0;
    const bool index = args.removeAll(QStringLiteral("--index")) > 0;
    if (args.size() != 2 || int(packedFile) + int(container) + int(index) > 1)
        return fail(QStringLiteral("usage: skinpack [--packed | --container | --index] <skin.ini> <output>"));

    const Output output = container ? Output::Container
                          : index   ? Output::Index
                          : packedFile ? Output::PackedFile
                                       : Output::Compressed;
    QByteArray bytes;
    QString error;
    if (!produce(output, args[0], bytes, error))
        return fail(error);

    QSaveFile out(args[1]);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        return fail(QStringLiteral("%1: %2").arg(args[1], out.errorString()));
    return 0;
}
