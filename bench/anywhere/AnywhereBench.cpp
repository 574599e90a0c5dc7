// Hotkey to popup. Each run presses the key with xdotool over a selection another program (xclip)
// holds, and notes two spans: from the key's arrival in the program to the translation shown in
// the popup (the first engine card's text drawn, or the single result box filled) (the program's own share: selection read, language pick, the request to the service
// and back, the popup drawn), and from xdotool's start to the same moment (what a user waits for,
// with xdotool's own start-up in it). Prints the medians and the spread.
#include "app/MainWindow.h"
#include "app/TranslateAnywhere.h"
#include "desktop/ResultPopup.h"
#include "ui/SkinControls.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QLabel>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <xcb/xcb.h>

using namespace quillo;

namespace {

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const qsizetype middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void report(const char* what, const QList<double>& values)
{
    std::printf("%-34s median %7.2f ms   min %7.2f   max %7.2f   (%lld runs)\n", what, median(values),
                *std::min_element(values.begin(), values.end()), *std::max_element(values.begin(), values.end()),
                static_cast<long long>(values.size()));
}

// Installed after the key's own filter, so it sees each key press first.
class KeyArrival : public QAbstractNativeEventFilter
{
public:
    explicit KeyArrival(const QElapsedTimer& clock)
        : m_clock(clock)
    {
    }
    qint64 at = 0;
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type == "xcb_generic_event_t"
            && (static_cast<const xcb_generic_event_t*>(message)->response_type & ~0x80) == XCB_KEY_PRESS)
            at = m_clock.nsecsElapsed();
        return false;
    }

private:
    const QElapsedTimer& m_clock;
};

// The first paint of an engine card that has text in it.
class CardPaint : public QObject
{
public:
    CardPaint(const QElapsedTimer& clock, qint64& shown)
        : m_clock(clock)
        , m_shown(shown)
    {
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && m_shown == 0 && watched->objectName() == QLatin1String("CardText")
            && !static_cast<QLabel*>(watched)->text().isEmpty())
            m_shown = m_clock.nsecsElapsed();
        return false;
    }

private:
    const QElapsedTimer& m_clock;
    qint64& m_shown;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 30;
    MainWindow form;
    form.show();
    form.engineList->setCurrentIndex(1);
    form.textServiceSourceList->setCurrentIndex(2);
    form.targetList->setCurrentIndex(4);
    TranslateAnywhere anywhere(&form, DesktopChoices{});
    if (!anywhere.HotkeyError().isEmpty()) {
        std::fprintf(stderr, "no key grab: %s\n", qPrintable(anywhere.HotkeyError()));
        return 1;
    }
    QElapsedTimer clock;
    clock.start();
    qint64 shown = 0;
    KeyArrival keyArrived(clock);
    app.installNativeEventFilter(&keyArrived);
    QObject::connect(anywhere.Popup, &ResultPopup::resultShown, [&] { shown = clock.nsecsElapsed(); });
    CardPaint cardPaint(clock, shown);
    app.installEventFilter(&cardPaint);

    QList<double> inProgram;
    QList<double> fromPress;
    for (int run = 0; run <= runs; ++run) {
        anywhere.Popup->close();
        shown = 0;
        const qint64 pressed = clock.nsecsElapsed();
        QProcess xdotool;
        xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+alt+t")});
        while (shown == 0 && clock.nsecsElapsed() - pressed < 10'000'000'000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (shown == 0) {
            std::fprintf(stderr, "run %d: no popup within 10 s (key %s, popup text %s)\n", run,
                         keyArrived.at > pressed ? "arrived" : "never arrived", qPrintable(anywhere.Popup->ResultText()));
            return 1;
        }
        // Its key releases must be over before the next run presses again.
        xdotool.waitForFinished();
        // The first run loads what later ones find ready (fonts, the connection); it is not counted.
        if (run == 0)
            continue;
        inProgram.append((shown - keyArrived.at) / 1e6);
        fromPress.append((shown - pressed) / 1e6);
    }
    std::printf("popup text: %s\n", qPrintable(anywhere.Popup->ResultText()));
    report("key arrival -> popup shown", inProgram);
    report("xdotool start -> popup shown", fromPress);
    return 0;
}
