#pragma once
// One translation outside the main window (the popup's), through the same engines as the main
// window's translate action, with request components of its own so that it never disturbs a
// translation running there.
//
// Like the main window's, the components wait in Read while pumping events: translate() returns
// once the outcome has been signalled.
#include "session/EngineId.h"

#include <QObject>
#include <QString>

namespace quillo {

class TranslationEngine;
struct TranslationOutcome;

struct TranslationJob
{
    QString text;
    int source = 0; // indexes in the shared language list
    int target = 2;
    EngineId engine = EngineId::TextService;
    int topic = 0;
};

class TextTranslator : public QObject
{
    Q_OBJECT
public:
    explicit TextTranslator(QObject* parent = nullptr);

    // False, with no signal, while an earlier translation is still running.
    bool translate(const TranslationJob& job);
    bool busy() const { return m_busy; }

signals:
    void finished(const QString& result);
    void failed(const QString& message);

private:
    void engineFinished(const TranslationOutcome& outcome);
    void fail(const QString& message);

    TranslationEngine* m_worldLingo;
    TranslationEngine* m_textService;
    bool m_busy = false;
};

// The language pair's texts the window would refuse, or nothing.
QString RefusedJobText(const TranslationJob& job);

} // namespace quillo
