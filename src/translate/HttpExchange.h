#pragma once
// The narrow seam between the translation engines and HTTP: one request at a time, sent as a GET
// or a form POST, ending in one completion with the reply body or the kind of failure. The
// program's exchange drives its HTTP request component; tests put a scripted one in its place.
//
// A completion may come before get() or post() returns (a component that waits in its request,
// as the program's do), so a receiver must be ready for it before sending.
#include "translate/TranslationOutcome.h"

#include <QByteArray>
#include <QObject>
#include <QString>

namespace quillo {

class HttpExchange : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // A request of this exchange is running; get() and post() refuse meanwhile.
    virtual bool busy() const = 0;
    // False, with nothing sent and no completion to come, while busy.
    virtual bool get(const QString& url) = 0;
    virtual bool post(const QString& url, const QByteArray& formBody) = 0;
    // Stops the running request; no completion follows for it.
    virtual void abort() = 0;

signals:
    // failure is None when the service answered with status 200 and a whole body.
    void finished(quillo::TranslationFailure failure, const QByteArray& body);
};

} // namespace quillo
