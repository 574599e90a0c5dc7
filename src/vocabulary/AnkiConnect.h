#pragma once
// Sends kept words to Anki through its AnkiConnect add-on, which answers on 127.0.0.1:8765 while
// Anki runs: the deck "Quillo" is created (a deck that exists is left as it is), then the word is
// added as a Basic note, front the word and back its entry and sentence. Version 6 of its API:
// every answer is {"result": ..., "error": null or a sentence}.
#include "vocabulary/VocabularyBook.h"

#include "translate/TranslationOutcome.h"

#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QString>

namespace quillo {

class HttpExchange;

class AnkiConnect : public QObject
{
    Q_OBJECT
public:
    static constexpr const char* kDefaultUrl = "http://127.0.0.1:8765";

    AnkiConnect(HttpExchange* exchange, QString url = QString::fromLatin1(kDefaultUrl), QObject* parent = nullptr);

    // False, with nothing sent, while an earlier word is still on its way.
    bool send(const VocabularyItem& item);
    bool busy() const { return step_ != Step::Idle; }

    // The JSON of one request of the API.
    static QByteArray requestBody(const QString& action, const QJsonObject& params);

signals:
    void sent(const QString& word);
    // A Chinese sentence saying what went wrong (Anki not running, a note it refused).
    void failed(const QString& sentence);

private:
    enum class Step { Idle, CreatingDeck, AddingNote };
    void onFinished(TranslationFailure failure, const QByteArray& body);
    void addNote();
    bool post(Step step, const QByteArray& body);
    void fail(const QString& sentence);

    HttpExchange* exchange_;
    QString url_;
    Step step_ = Step::Idle;
    VocabularyItem item_;
};

} // namespace quillo
