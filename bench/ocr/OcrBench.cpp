// Time from a chosen region to its text, and how well it is read:
//   Warm       OcrEngine::Read with the engine already started, as the program's worker keeps it
//              (picture preparation, recognition, joining);
//   Cold       a new engine each time: the models read, then the same;
//   Prepare    the picture preparation alone.
// Regions: an 800 x 200 paragraph and a 900 x 80 line, in English and in Chinese.
//
// With --accuracy the program prints instead the character error rate per language and size
// (the mean over a light and a dark ground); with --save FOLDER it writes the regions as PNG
// files for the command-line comparison.
#include "TextPictures.h"
#include "ocr/OcrEngine.h"
#include "ocr/OcrLanguages.h"
#include "ocr/PicturePreparation.h"

#include <QDir>
#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

namespace {

using namespace quillo;

struct Region {
    const char* name;
    Language language;
    QImage picture;
};

QImage paragraph(const QStringList& lines, const QString& family, QSize size)
{
    QImage drawn = test::DrawText(lines, family, 20, test::Ground::Light);
    QImage region(size, QImage::Format_RGB32);
    region.fill(QColor(0xfa, 0xfa, 0xfa));
    for (int y = 0; y < std::min(size.height(), drawn.height()); ++y)
        std::memcpy(region.scanLine(y), drawn.constScanLine(y), size_t(std::min(size.width(), drawn.width())) * 4);
    return region;
}

const std::vector<Region>& regions()
{
    static const std::vector<Region> all = [] {
        const QString dejavu = QStringLiteral("DejaVu Sans");
        const QString noto = QStringLiteral("Noto Sans CJK SC");
        const QStringList english{QStringLiteral("Every translator our users compare us with reads text off"),
                                  QStringLiteral("the screen: a key, a rectangle dragged over a picture,"),
                                  QStringLiteral("a menu, a video subtitle or a scanned page, and the"),
                                  QStringLiteral("translation appears. Complaints are about speed and"),
                                  QStringLiteral("offset captures on scaled screens.")};
        const QStringList chinese{QStringLiteral("用户拿来和我们比较的翻译工具都能读取屏幕上的文字："),
                                  QStringLiteral("按一个键，在图片上拖出一个矩形，菜单、视频字幕或"),
                                  QStringLiteral("扫描的页面，译文就出现了。用户抱怨的是速度，"),
                                  QStringLiteral("以及缩放屏幕上截图的偏移。")};
        return std::vector<Region>{
            {"en_800x200", English, paragraph(english, dejavu, {800, 200})},
            {"zh_800x200", Simplified, paragraph(chinese, noto, {800, 200})},
            {"en_900x80", English, paragraph({english.first()}, dejavu, {900, 80})},
            {"zh_900x80", Simplified, paragraph({chinese.first()}, noto, {900, 80})},
        };
    }();
    return all;
}

void warm(benchmark::State& state, const Region& region)
{
    OcrEngine engine;
    engine.Read(region.picture, {region.language}); // the engine the worker keeps
    for (auto _ : state)
        benchmark::DoNotOptimize(engine.Read(region.picture, {region.language}));
}

void cold(benchmark::State& state, const Region& region)
{
    for (auto _ : state) {
        OcrEngine engine;
        benchmark::DoNotOptimize(engine.Read(region.picture, {region.language}));
    }
}

void prepare(benchmark::State& state, const Region& region)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(PreparePicture(region.picture, false));
}

void printAccuracy()
{
    std::printf("%-4s", "");
    for (int size : {12, 16, 20, 24, 32})
        std::printf("%7d px", size);
    std::printf("\n");
    for (const test::TextSample& sample : test::TextSamples()) {
        OcrEngine engine;
        const bool withoutSpaces = WritesWithoutSpaces(sample.language);
        const QString expected = sample.lines.join(withoutSpaces ? QString() : QStringLiteral(" "));
        std::printf("%-4s", sample.code);
        for (int size : {12, 16, 20, 24, 32}) {
            double sum = 0;
            for (test::Ground ground : {test::Ground::Light, test::Ground::Dark}) {
                const auto read = engine.Read(test::DrawText(sample.lines, QString::fromLatin1(sample.family), size, ground),
                                              {sample.language});
                sum += test::CharacterErrorRate(expected, std::get_if<QString>(&read) ? std::get<QString>(read) : QString(),
                                                withoutSpaces);
            }
            std::printf("%8.1f %%", sum / 2 * 100);
        }
        std::printf("\n");
    }
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--accuracy") == 0) {
        printAccuracy();
        return 0;
    }
    if (argc > 2 && std::strcmp(argv[1], "--save") == 0) {
        for (const Region& region : regions())
            region.picture.save(QDir(QString::fromLocal8Bit(argv[2])).filePath(QString::fromLatin1(region.name) + QStringLiteral(".png")));
        return 0;
    }
    for (const Region& region : regions()) {
        benchmark::RegisterBenchmark((std::string("Warm/") + region.name).c_str(), warm, region)->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark((std::string("Cold/") + region.name).c_str(), cold, region)->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark((std::string("Prepare/") + region.name).c_str(), prepare, region)->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
