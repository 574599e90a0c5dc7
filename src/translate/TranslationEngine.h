#pragma once
// A translation service as a plain class: start() one translation, abort() it, and learn how it
// ended from one finished() signal carrying the result or the kind of failure. The engines drive
// HTTP only through HttpExchange, so they run the same with the program's request components and
// with a test's scripted exchange.
//
// The two Chinese scripts never go to a service: start() converts them at once, and finished()
// comes before it returns. With the program's exchanges, which wait in their requests, a network
// translation also ends inside start(): every completion, and every further request started from
// one (the English chain, the WorldLingo second stage), runs nested inside the first request.
#include "translate/ServiceRequests.h"
#include "translate/TranslationOutcome.h"

#include <QObject>
#include <functional>

namespace quillo {

class HttpExchange;

class TranslationEngine : public QObject
{
    Q_OBJECT
public:
    // The services' base address ("http://host:port"), asked for at each translation.
    using ServiceBase = std::function<QString()>;

    TranslationEngine(ServiceBase serviceBase, QObject* parent);

    // Starts translating text with the codes of this engine's column; a code left empty keeps
    // the previous translation's (a list without a selection). False, with nothing sent and no
    // finished() for it, while the engine's first request still runs: that request's translation
    // then ends whatever the caller started.
    bool start(const QString& text, const TranslationCodes& codes);
    // Stops a running translation, which then finishes as Aborted; nothing happens when idle.
    virtual void abort() = 0;

    // The codes of the last translation started.
    const TranslationCodes& codes() const { return m_codes; }
    // This service's code for an entry of the shared language list; empty out of range.
    virtual QByteArray languageCode(int languageIndex) const = 0;

signals:
    void finished(const quillo::TranslationOutcome& outcome);

protected:
    // The network part of start(), once the codes are taken and no local conversion applies.
    virtual bool send(const QString& text) = 0;
    QString serviceBase() const { return m_serviceBase(); }
    void finish(TranslationFailure failure, const QString& text = {});

private:
    bool convertLocally(const QString& text);

    ServiceBase m_serviceBase;
    TranslationCodes m_codes;
};

} // namespace quillo
