#include "vocabulary/AnkiConnect.h"

#include "translate/HttpExchange.h"
#include "vocabulary/VocabularyExport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace quillo {

namespace {

constexpr int kApiVersion = 6;

QString NotAnswering()
{
    return QStringLiteral("Anki 没有应答。请先打开 Anki 并装好 AnkiConnect 插件（它在 127.0.0.1:8765 上应答），再发送一次。");
}

} // namespace

AnkiConnect::AnkiConnect(HttpExchange* exchange, QString url, QObject* parent)
    : QObject(parent), exchange_(exchange), url_(std::move(url))
{
    connect(exchange_, &HttpExchange::finished, this, &AnkiConnect::onFinished);
}

QByteArray AnkiConnect::requestBody(const QString& action, const QJsonObject& params)
{
    return QJsonDocument(QJsonObject{{QStringLiteral("action"), action},
                                     {QStringLiteral("version"), kApiVersion},
                                     {QStringLiteral("params"), params}})
        .toJson(QJsonDocument::Compact);
}

bool AnkiConnect::send(const VocabularyItem& item)
{
    if (busy() || exchange_->busy())
        return false;
    item_ = item;
    return post(Step::CreatingDeck, requestBody(QStringLiteral("createDeck"),
                                                {{QStringLiteral("deck"), QLatin1String(kAnkiDeck)}}));
}

bool AnkiConnect::post(Step step, const QByteArray& body)
{
    // The exchange may complete before post() returns: the step is set first.
    step_ = step;
    if (exchange_->post(url_, body))
        return true;
    step_ = Step::Idle;
    return false;
}

void AnkiConnect::onFinished(TranslationFailure failure, const QByteArray& body)
{
    if (step_ == Step::Idle)
        return;
    const QJsonObject answer = QJsonDocument::fromJson(body).object();
    if (failure != TranslationFailure::None || !answer.contains(QStringLiteral("error")))
        return fail(NotAnswering());
    const QJsonValue error = answer.value(QStringLiteral("error"));
    if (!error.isNull())
        return fail(QStringLiteral("Anki 没有收下“%1”：%2").arg(item_.word, error.toVariant().toString()));
    if (step_ == Step::AddingNote) {
        step_ = Step::Idle;
        emit sent(item_.word);
        return;
    }
    // The exchange is still finishing its request while it reports it.
    QMetaObject::invokeMethod(this, &AnkiConnect::addNote, Qt::QueuedConnection);
}

void AnkiConnect::addNote()
{
    const QJsonObject note{
        {QStringLiteral("deckName"), QLatin1String(kAnkiDeck)},
        {QStringLiteral("modelName"), QStringLiteral("Basic")},
        {QStringLiteral("fields"), QJsonObject{{QStringLiteral("Front"), item_.word.toHtmlEscaped()},
                                               {QStringLiteral("Back"), CardBackHtml(item_)}}},
        {QStringLiteral("tags"), QJsonArray{QLatin1String(kAnkiTag)}},
    };
    if (!post(Step::AddingNote, requestBody(QStringLiteral("addNote"), {{QStringLiteral("note"), note}})))
        fail(NotAnswering());
}

void AnkiConnect::fail(const QString& sentence)
{
    step_ = Step::Idle;
    emit failed(sentence);
}

} // namespace quillo
