// skinpack: turns a skin source (a skin.ini and the BMP files it names) into the compressed
// bytes of a stored skin, or with --packed into a packed skin file (version, length, bytes).
#include "skins/container/PackedSkinFile.h"
#include "skins/container/SkinSource.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QStringList>

#include <cstdio>

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "skinpack: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    const bool packedFile = args.removeAll(QStringLiteral("--packed")) > 0;
    if (args.size() != 2)
        return fail(QStringLiteral("usage: skinpack [--packed] <skin.ini> <output>"));

    const quillo::PackedSkinSource packed = quillo::PackSkinSource(args[0]);
    if (!packed.ok)
        return fail(packed.error);

    QSaveFile out(args[1]);
    const QByteArray bytes = packedFile ? quillo::WritePackedSkinFile(packed.compressed) : packed.compressed;
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        return fail(QStringLiteral("%1: %2").arg(args[1], out.errorString()));
    return 0;
}
