#pragma once
// Binds every event of a component and writes down what arrives, with the parts of the
// parameters the tests look at.
#include "http/TWebRequest.h"

#include <QStringList>

#include <functional>
#include <ostream>

// Readable failure messages.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace quillo::test {

struct EventRecorder {
    // With `progress`, OnProgress is bound too (binding it changes what the component does).
    explicit EventRecorder(TWebRequest& request, bool progress = false);

    QStringList events;           // "Done", "AnyError", "HTTPError 404", ...
    QByteArray body;              // the stream's content at the completion event
    QString contentType;
    qint64 fileSize = -1;
    qint64 bytesRead = -1;
    bool streamWasNull = false;
    bool fileExistedDuringEvent = false; // the OutputFileName, at the completion event
    QByteArray fileDuringEvent;
    bool busyDuringCompletion = true;
    bool onGuiThread = true;      // every UI event ran on the thread that owns the component
    int progressEvents = 0;

    // Called at the end of OnDone, after the recording.
    std::function<void()> afterDone;

private:
    void completion(TWebRequest& request, const QString& name, QIODevice* stream);
};

// Runs the event loop until `done` holds or a generous bound passes (so a broken build fails
// instead of hanging); returns `done()`.
bool pumpUntil(const std::function<bool()>& done, int boundMs = 15000);
// Runs the event loop for a while, for "nothing more arrives" checks.
void pumpFor(int ms);

} // namespace quillo::test
