// How long one skin takes to become usable pictures and a definition:
//   Quillo       a stored skin loaded from a file: inflate, read, check the BMPs, parse (the
//                pictures are decoded when first drawn, so not here)
//   InPlace      a built-in skin as start-up reads it: its container in place, found by its index
//   Holder       the same through TSkinData, notices included (to 8 receivers), as a switch does
//   Inflate      the zlib part of Quillo alone
//   PngResource  the same pictures stored as PNG in memory (the usual way a Qt program ships
//                images) decoded one by one, plus the definition parsed
//   SourceFolder the skin's source folder read from disk: every BMP file and skin.ini
#include "skins/BuiltinSkins.h"
#include "skins/CompressedStoredSkin.h"
#include "skins/SkinContents.h"
#include "skins/SkinData.h"
#include "skins/container/ProfileList.h"
#include "skins/container/SkinContainer.h"
#include "skins/container/ZlibCodec.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>

#include <memory>

namespace quillo {
namespace {

QString sourceDir(int n)
{
    return QStringLiteral(QUILLO_SOURCE_DIR "/assets/skins/%1/").arg(n);
}

struct PngSkin {
    QList<QByteArray> pictures;
    QByteArray definition;
};

PngSkin pngSkin(int n)
{
    const ContainerReadResult read = ReadSkinContainer(InflateCapped(BuiltinSkinData(n), kMaxInflatedSkinSize).data);
    PngSkin skin;
    QList<QByteArray> bmps = read.container.activePictures;
    for (const auto& p : {read.container.picture, read.container.inactivePicture, read.container.mask})
        if (p)
            bmps.append(*p);
    for (const QByteArray& bmp : bmps) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QImage::fromData(bmp, "BMP").save(&buffer, "PNG");
        skin.pictures.append(png);
    }
    skin.definition = read.container.definition;
    return skin;
}

void BM_Quillo(benchmark::State& state)
{
    const QByteArray data = BuiltinSkinData(1);
    for (auto _ : state) {
        SkinUnpackResult r = UnpackSkin(data);
        benchmark::DoNotOptimize(r);
    }
    state.SetBytesProcessed(state.iterations() * data.size());
}

void BM_InPlace(benchmark::State& state)
{
    const QByteArray container = BuiltinSkinContainer(1);
    const QByteArray index = BuiltinSkinContainerIndex(1);
    const QByteArray definition = BuiltinSkinDefinition(1);
    for (auto _ : state) {
        SkinUnpackResult r = UnpackSkinContainer(container, definition, index);
        benchmark::DoNotOptimize(r);
    }
}

void BM_Holder(benchmark::State& state)
{
    QObject owner;
    QList<QObject*> receivers = {&owner};
    for (int i = 0; i < 7; ++i)
        receivers.append(new QObject(&owner));
    TSkinData holder(&owner);
    holder.setNoticeReceivers([&] { return receivers; });
    TCompressedStoredSkin* skins[] = {CreateBuiltinSkin(1, &owner), CreateBuiltinSkin(2, &owner),
                                      CreateBuiltinSkin(3, &owner)};
    int next = 0;
    for (auto _ : state) {
        holder.setCompressedStoredSkin(skins[next]);
        next = (next + 1) % 3;
    }
    if (holder.Empty())
        state.SkipWithError("the built-in skin did not load");
}

void BM_Inflate(benchmark::State& state)
{
    const QByteArray data = BuiltinSkinData(1);
    for (auto _ : state) {
        InflateResult r = InflateCapped(data, kMaxInflatedSkinSize);
        benchmark::DoNotOptimize(r);
    }
    state.SetBytesProcessed(state.iterations() * data.size());
}

void BM_PngResource(benchmark::State& state)
{
    const PngSkin skin = pngSkin(1);
    for (auto _ : state) {
        QList<QImage> images;
        for (const QByteArray& png : skin.pictures)
            images.append(QImage::fromData(png, "PNG"));
        ProfileReader definition = ProfileReader::fromBytes(skin.definition);
        benchmark::DoNotOptimize(images);
        benchmark::DoNotOptimize(definition);
    }
}

void BM_SourceFolder(benchmark::State& state)
{
    const QString dir = sourceDir(1);
    for (auto _ : state) {
        const ProfileReader definition = ProfileReader::fromFile(dir + QStringLiteral("skin.ini"));
        QStringList names = ReadProfileList(definition, QStringLiteral("PICTURES"), QStringLiteral("activepictures"));
        names << QStringLiteral("main.bmp") << QStringLiteral("inactive.bmp") << QStringLiteral("mask.bmp");
        QList<QImage> images;
        for (const QString& name : names)
            images.append(QImage(dir + name));
        benchmark::DoNotOptimize(images);
    }
}

BENCHMARK(BM_Quillo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InPlace)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Holder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Inflate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngResource)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SourceFolder)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace quillo

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
