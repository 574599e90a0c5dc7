#pragma once
// One translation outside the main window (the popup's), through the same engines, addresses,
// bodies and reply cuts as the main window's translate action, with its own request components
// so that it never disturbs a translation running there.
//
// Like the main window's, the components wait in Read while pumping events: translate() returns
// once the outcome has been signalled, and a second stage (the English chain, the WorldLingo
// second request) runs nested inside the first one's handler.
#include "app/ServiceRequests.h"

#include <QObject>
#include <QString>

namespace quillo {

class TWebRequest;

struct TranslationJob
{
    QString text;
    int source = 0; // indexes in the shared language list
    int target = 2;
    int engine = 1; // 0 WorldLingo, 1 the text service
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
    void connectFailures(TWebRequest* request);
    void startTextService(const QString& text, const QByteArray& pair);
    void textServiceReplied(const QByteArray& body);
    void loaderReplied(const QByteArray& body);
    void stageTwoReplied(const QByteArray& body);
    void finish(const QString& result);
    void fail(const QString& message);

    TWebRequest* m_first;
    TWebRequest* m_second;
    TranslationJob m_job;
    TranslationCodes m_codes;
    bool m_viaEnglish = false;
    bool m_sessionTranslate = false;
    bool m_busy = false;
};

// The language pair's texts the window would refuse, or nothing.
QString RefusedJobText(const TranslationJob& job);

} // namespace quillo
