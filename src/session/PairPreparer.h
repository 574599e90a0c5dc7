#pragma once
// Tells a translation server on this machine which pair the user picked, so that the engine for
// it starts before the first text arrives (an offline direction takes seconds to start; the
// server starts none ahead for pairs nobody picked). A server elsewhere is not told: the user's
// choices are none of its business, and it keeps its own engines warm.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>

namespace quillo {

class TranslationChoices;
class TWebRequest;

class PairPreparer : public QObject
{
    Q_OBJECT
public:
    // `serviceBase` is asked only when the pair changes, never while the window is being built.
    PairPreparer(TranslationChoices* choices, std::function<QString()> serviceBase, QObject* parent = nullptr);

    // Tells the pair chosen now once the run's server answers: the server the program starts warms
    // nothing ahead, and the pair the user starts with is the one most likely wanted first.
    void prepareCurrentPairWhenServerAnswers();

private:
    void choicesChanged();
    void tell(const QByteArray& pair);

    TranslationChoices* m_choices;
    std::function<QString()> m_serviceBase;
    TWebRequest* m_request;
    QByteArray m_pair; // the last pair told, as the request's form body
};

// "source=en&target=es", or empty when either side is not chosen.
QByteArray PreparePairBody(const TranslationChoices& choices);
// Whether the address names this machine, where the program's own server runs.
bool IsLoopbackService(const QString& base);

} // namespace quillo
