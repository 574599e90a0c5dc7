// A streamed piece to its pixels: a loopback stand-in of the server sends a model's reply piece by
// piece, each once the popup has drawn the one before; each run notes the time from the piece's
// send to the paint of its card with the piece in it. Prints the median and the spread.
#include "../../tests/http/LoopbackServer.h"
#include "app/MainWindow.h"
#include "app/TranslateAnywhere.h"
#include "desktop/ResultCard.h"
#include "desktop/ResultPopup.h"
#include "ui/SkinControls.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <algorithm>
#include <cstdio>
#include <semaphore>

using namespace quillo;
using namespace quillo::test;

namespace {

QElapsedTimer gClock;
std::atomic<qint64> gSentAt{0};
std::binary_semaphore gPainted{0};

// Notes the paint of a card's text that has grown since the last one.
class PaintWatch : public QObject
{
public:
    QList<double> delays;
    qsizetype drawnLength = 0;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Paint || watched->objectName() != QLatin1String("CardText"))
            return false;
        const qsizetype length = static_cast<QLabel*>(watched)->text().size();
        if (length > drawnLength) {
            drawnLength = length;
            delays.append((gClock.nsecsElapsed() - gSentAt.load()) / 1e6);
            gPainted.release();
        }
        return false;
    }
};

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int pieces = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 60;
    gClock.start();
    LoopbackServer server([pieces](Connection& connection) {
        const QByteArray request = connection.readRequest();
        if (request.startsWith("GET /api/v1/engines"))
            return connection.reply(200, R"([{"id":"llm","name":"大模型","kind":"llm","online":false,)"
                                         R"("pairs":[["en","zh-Hans"]]}])");
        connection.send("HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nConnection: close\r\n\r\n");
        for (int piece = 0; piece < pieces; ++piece) {
            gSentAt = gClock.nsecsElapsed();
            connection.send("event: delta\ndata: {\"engine\":\"llm\",\"text\":\"字\"}\n\n");
            if (!gPainted.try_acquire_for(std::chrono::seconds(10)))
                break;
        }
        connection.send("event: done\ndata: {\"engine\":\"llm\",\"text\":\"完\"}\n\nevent: end\ndata: {}\n\n");
        connection.close();
    });
    qputenv("QUILLO_SERVICE", QStringLiteral("http://127.0.0.1:%1").arg(server.port()).toUtf8());
    MainWindow form;
    form.textServiceSourceList->setCurrentIndex(2);
    form.targetList->setCurrentIndex(0);
    TranslateAnywhere anywhere(&form, DesktopChoices{});
    anywhere.Hooks.detectLanguage = [](const QString&) { return 2; };
    PaintWatch watch;
    app.installEventFilter(&watch);
    anywhere.TranslateText(QStringLiteral("The weather is nice today"));
    QElapsedTimer limit;
    limit.start();
    while (anywhere.Popup->Waiting() && limit.elapsed() < 60000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    // The first piece also builds the card and lays out the popup; it is not counted.
    if (watch.delays.size() < 2) {
        std::fprintf(stderr, "no pieces drawn\n");
        return 1;
    }
    watch.delays.removeFirst();
    std::printf("%-34s median %7.2f ms   min %7.2f   max %7.2f   (%lld pieces)\n", "streamed piece sent -> drawn",
                median(watch.delays), *std::min_element(watch.delays.begin(), watch.delays.end()),
                *std::max_element(watch.delays.begin(), watch.delays.end()), static_cast<long long>(watch.delays.size()));
    return 0;
}
