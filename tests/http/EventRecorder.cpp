#include "EventRecorder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QIODevice>
#include <QThread>

namespace quillo::test {

EventRecorder::EventRecorder(TWebRequest& r, bool progress)
{
    auto note = [this, &r](const QString& name) {
        events << name;
        if (QThread::currentThread() != r.thread())
            onGuiThread = false;
    };
    r.OnDone = [this, &r, note](QObject*, const QString& type, qint64 size, QIODevice* stream) {
        note(QStringLiteral("Done"));
        contentType = type;
        fileSize = size;
        completion(r, QStringLiteral("Done"), stream);
        if (afterDone)
            afterDone();
    };
    r.OnDoneInterrupted = [note](QObject*) { note(QStringLiteral("DoneInterrupted")); };
    r.OnAnyError = [note](QObject*) { note(QStringLiteral("AnyError")); };
    r.OnAborted = [note](QObject*) { note(QStringLiteral("Aborted")); };
    r.OnHostUnreachable = [note](QObject*) { note(QStringLiteral("HostUnreachable")); };
    r.OnWaitTimeoutExpired = [note](QObject*) { note(QStringLiteral("WaitTimeoutExpired")); };
    r.OnConnLost = [this, &r, note](QObject*, const QString& type, qint64 size, qint64 read, QIODevice* stream) {
        note(QStringLiteral("ConnLost"));
        contentType = type;
        fileSize = size;
        bytesRead = read;
        completion(r, QStringLiteral("ConnLost"), stream);
    };
    r.OnHTTPError = [this, &r, note](QObject*, qint32 code, QIODevice* stream) {
        note(QStringLiteral("HTTPError %1").arg(code));
        completion(r, QStringLiteral("HTTPError"), stream);
    };
    if (!progress)
        return;
    r.OnProgress = [this, note](QObject*, const QString&, qint64, qint64, qint32, qint32, quint8, float, QIODevice*) {
        ++progressEvents;
        if (events.isEmpty() || events.last() != QLatin1String("Progress"))
            note(QStringLiteral("Progress"));
    };
}

void EventRecorder::completion(TWebRequest& r, const QString&, QIODevice* stream)
{
    busyDuringCompletion = r.Busy();
    streamWasNull = stream == nullptr;
    if (stream) {
        stream->seek(0);
        body = stream->readAll();
    }
    if (!r.OutputFileName().isEmpty()) {
        QFile file(r.OutputFileName());
        fileExistedDuringEvent = file.exists();
        if (file.open(QIODevice::ReadOnly))
            fileDuringEvent = file.readAll();
    }
}

bool pumpUntil(const std::function<bool()>& done, int boundMs)
{
    QDeadlineTimer bound(boundMs);
    while (!done() && !bound.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return done();
}

void pumpFor(int ms)
{
    QDeadlineTimer bound(ms);
    while (!bound.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

} // namespace quillo::test
