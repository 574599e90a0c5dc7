// skinpack: turns a skin source (a skin.ini and the BMP files it names) into the compressed
// bytes of a stored skin, with --packed into a packed skin file (version, length, bytes), or
// with --container into the container itself, uncompressed, which the program reads in place.
#include "skins/container/PackedSkinFile.h"
#include "skins/container/SkinSource.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QStringList>

#include <cstdio>

namespace {

enum class Output { Compressed, PackedFile, Container };

int fail(const QString& message)
{
    std::fprintf(stderr, "skinpack: %s\n", qPrintable(message));
    return 1;
}

// The bytes to write, or the error naming the file that failed.
bool produce(Output output, const QString& definitionPath, QByteArray& bytes, QString& error)
{
    if (output == Output::Container) {
        const quillo::SkinSourceResult source = quillo::ReadSkinSource(definitionPath);
        error = source.error;
        bytes = quillo::WriteSkinContainer(source.container);
        return source.ok;
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
    if (args.size() != 2 || (packedFile && container))
        return fail(QStringLiteral("usage: skinpack [--packed | --container] <skin.ini> <output>"));

    const Output output = container ? Output::Container : packedFile ? Output::PackedFile : Output::Compressed;
    QByteArray bytes;
    QString error;
    if (!produce(output, args[0], bytes, error))
        return fail(error);

    QSaveFile out(args[1]);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        return fail(QStringLiteral("%1: %2").arg(args[1], out.errorString()));
    return 0;
}
