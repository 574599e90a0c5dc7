// What one skin switch costs with every window open (the main window and the three side
// windows, shown on the offscreen platform):
//   Switch          onSkinChosen alone: unpack the stored skin, notify the windows, new palette and
//                   metrics for every control; the windows repaint later
//   SkinOnly        the same without writing Face to the settings
//   SwitchAndPaint  the same, then every window repainted at once, as the user sees it
//   StyleSheet      the usual way a Qt program changes its look: a new application style sheet
//                   of the same colours, every window repainted
// The goal is a switch under 30 ms.
#include "app/MainWindow.h"
#include "sendinfo/FeedbackWindow.h"
#include "skins/CompressedStoredSkin.h"
#include "skins/SkinData.h"
#include "tranURL/PageTranslationWindow.h"
#include "ui/SkinTheme.h"
#include "update/UpdateWindow.h"

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <memory>

namespace quillo {
namespace {

struct OpenWindows
{
    OpenWindows()
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
        EnableSkinnedFrames(true);
        main = std::make_unique<MainWindow>();
        main->show();
        side = {new PageTranslationWindow(main.get()), new UpdateWindow(main.get()), new FeedbackWindow(main.get())};
        for (QWidget* window : side)
            window->show();
        QCoreApplication::processEvents();
    }

    void repaintAll()
    {
        main->repaint();
        for (QWidget* window : side)
            window->repaint();
    }

    QTemporaryDir settings;
    std::unique_ptr<MainWindow> main;
    QList<QWidget*> side;
};

OpenWindows& windows()
{
    static OpenWindows open;
    return open;
}

void BM_Switch(benchmark::State& state)
{
    MainWindow& form = *windows().main;
    QAction* const entries[] = {form.windowSkinItems[1], form.windowSkinItems[2]};
    int next = 0;
    for (auto _ : state)
        form.onSkinChosen(entries[next++ % 2]);
}

// The switch without writing Face: what the windows cost apart from the settings file, which
// QSettings replaces safely (written and synced to disk) on every switch.
void BM_SkinOnly(benchmark::State& state)
{
    MainWindow& form = *windows().main;
    TCompressedStoredSkin* const skins[] = {form.builtinSkins[1], form.builtinSkins[2]};
    int next = 0;
    for (auto _ : state)
        form.skinData->setCompressedStoredSkin(skins[next++ % 2]);
}

void BM_SwitchAndPaint(benchmark::State& state)
{
    OpenWindows& open = windows();
    QAction* const entries[] = {open.main->windowSkinItems[1], open.main->windowSkinItems[2]};
    int next = 0;
    for (auto _ : state) {
        open.main->onSkinChosen(entries[next++ % 2]);
        open.repaintAll();
    }
}

void BM_StyleSheet(benchmark::State& state)
{
    OpenWindows& open = windows();
    const QString sheets[] = {
        QStringLiteral("QWidget { background: #F4F5F7; color: #1F2328; } QPushButton { border: 1px solid #2E9E5B; "
                       "border-radius: 4px; background: white; } QComboBox, QLineEdit, QPlainTextEdit { border: 1px "
                       "solid #C3C8D0; background: white; } QScrollBar:vertical { width: 14px; }"),
        QStringLiteral("QWidget { background: #F4F5F7; color: #1F2328; } QPushButton { border: 1px solid #2F7BD8; "
                       "border-radius: 4px; background: white; } QComboBox, QLineEdit, QPlainTextEdit { border: 1px "
                       "solid #C3C8D0; background: white; } QScrollBar:vertical { width: 14px; }"),
    };
    int next = 0;
    for (auto _ : state) {
        qApp->setStyleSheet(sheets[next++ % 2]);
        open.repaintAll();
    }
    qApp->setStyleSheet(QString());
}

BENCHMARK(BM_Switch)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SkinOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SwitchAndPaint)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StyleSheet)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace quillo

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    quillo::windows().main.reset();
    benchmark::Shutdown();
    return 0;
}
