// One update download as the user meets it: the update window, fetching the version file and
// then the program from the server that QUILLO_SERVICE names, with its own progress handler
// writing the percentage into a result box and the third bar. Prints the seconds from the moment
// the version file has arrived to the moment the download's OnDone runs, and the number of
// progress events. The window is hidden there, so no check, swap or message follows.
//
// usage: bench_update_download WORK_FOLDER   (the download lands in WORK_FOLDER/quillo~)
#include "http/TWebRequest.h"
#include "update/UpdateWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTimer>

#include <cstdio>

using namespace quillo;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: bench_update_download WORK_FOLDER\n", stderr);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QPlainTextEdit resultBox; // the main window's Memo2 stands here
    resultBox.show();
    UpdateWindow form;
    form.programPath = folder + QStringLiteral("/quillo");
    QFile program(form.programPath);
    if (!program.open(QIODevice::WriteOnly) || program.write("old program\n") <= 0)
        return 1;
    program.close();
    form.programPid = QCoreApplication::applicationPid();
    form.versionFilePause = 0;
    form.endApplication = [] {};
    form.setResultBox(&resultBox);
    form.show();

    QElapsedTimer clock;
    qint64 events = 0;
    double seconds = -1;
    const auto realProgress = form.request->OnProgress;
    form.request->OnProgress = [&](QObject* sender, const QString& type, qint64 size, qint64 read,
                                       qint32 elapsed, qint32 left, quint8 percent, float rate, QIODevice* stream) {
        ++events;
        realProgress(sender, type, size, read, elapsed, left, percent, rate, stream);
    };
    const auto realDone = form.request->OnDone;
    form.request->OnDone = [&](QObject* sender, const QString& type, qint64 size, QIODevice* stream) {
        if (form.request->URL() == form.versionFileUrl()) {
            events = 0;
            clock.start();
            realDone(sender, type, size, stream); // starts the download, inside this call
            return;
        }
        seconds = double(clock.nsecsElapsed()) / 1e9;
        form.reject(); // ends the update here: an aborted update reports nothing
    };
    // Anything going wrong shows a modal box; close it and report the failure instead of hanging.
    QTimer boxCloser;
    QObject::connect(&boxCloser, &QTimer::timeout, [&] {
        if (QWidget* box = QApplication::activeModalWidget(); box && box != &form)
            box->close();
    });
    boxCloser.start(200);
    form.onStartClicked();
    if (seconds < 0) {
        std::fprintf(stderr, "the download did not complete: %s\n", qPrintable(resultBox.toPlainText()));
        return 1;
    }
    std::printf("%.4f %lld %s\n", seconds, static_cast<long long>(events), qPrintable(resultBox.toPlainText()));
    return 0;
}
