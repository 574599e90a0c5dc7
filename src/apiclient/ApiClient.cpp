#include "apiclient/ApiClient.h"

#include "apiclient/CurlTransfers.h"
#include "apiclient/EventStream.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaObject>

namespace quillo {

struct ApiClient::Call
{
    Kind kind;
    EventStream events;
    QByteArray body;
    bool streaming = false;
    bool ended = false;
};

ApiClient::ApiClient(std::function<QString()> base, QObject* parent)
    : QObject(parent)
    , m_base(std::move(base))
    , m_transfers(std::make_unique<CurlTransfers>(
          [this] { QMetaObject::invokeMethod(this, &ApiClient::drain, Qt::QueuedConnection); }))
{
}

ApiClient::~ApiClient()
{
    // Joins the transfer thread before the calls it reports to go.
    m_transfers.reset();
}

int ApiClient::listEngines()
{
    return start(Kind::Engines, QStringLiteral("engines"), QByteArray(), {});
}

int ApiClient::translate(const TranslateCall& call)
{
    QJsonObject body{{QStringLiteral("text"), call.text}, {QStringLiteral("source"), call.source}, {QStringLiteral("target"), call.target},
                     {QStringLiteral("stream"), true}};
    body.insert(QStringLiteral("engines"), call.engines.isEmpty() ? QJsonValue(QStringLiteral("all")) : QJsonArray::fromStringList(call.engines));
    return start(Kind::Stream, QStringLiteral("translate"), QJsonDocument(body).toJson(QJsonDocument::Compact),
                 {"Accept: text/event-stream"});
}

int ApiClient::get(const QString& path)
{
    return start(Kind::Plain, path, QByteArray(), {});
}

int ApiClient::post(const QString& path, const QByteArray& json)
{
    return start(Kind::Plain, path, json, {});
}

int ApiClient::remove(const QString& path)
{
    return start(Kind::Plain, path, QByteArray(), {}, "DELETE");
}

int ApiClient::start(Kind kind, const QString& path, const QByteArray& body, const QList<QByteArray>& headers,
                     const QByteArray& method)
{
    TransferRequest request;
    request.url = (m_base() + QStringLiteral("/api/v1/") + path).toUtf8();
    request.body = body;
    request.method = method;
    request.headers = headers;
    if (!body.isNull())
        request.headers.append("Content-Type: application/json");
    // Registered before the transfer starts: its first event may be taken at once.
    auto call = std::make_shared<Call>();
    call->kind = kind;
    const int id = m_transfers->start(std::move(request));
    m_calls.insert(id, std::move(call));
    return id;
}

void ApiClient::cancel(int call)
{
    if (m_calls.remove(call))
        m_transfers->cancel(call);
}

void ApiClient::drain()
{
    for (TransferEvent& event : m_transfers->take()) {
        // Each handler may cancel or start calls, so the call is looked up anew every time.
        const auto call = m_calls.value(event.id);
        if (!call)
            continue;
        if (event.kind == TransferEvent::Data)
            onData(event.id, *call, event.status, event.bytes);
        else
            onFinished(event.id, event.status, event.error);
    }
}

void ApiClient::onData(int id, Call& call, long status, const QByteArray& bytes)
{
    if (call.kind != Kind::Stream || status != 200) {
        call.body += bytes;
        return;
    }
    call.streaming = true;
    for (const StreamEvent& event : call.events.feed(bytes)) {
        if (!m_calls.contains(id))
            return;
        if (event.name == "end") {
            call.ended = true;
            emit ended(id, QJsonDocument::fromJson(event.data).object().value(u"source").toString());
        } else if (const auto result = ParseEngineEvent(event.data)) {
            if (event.name == "delta")
                emit delta(id, result->engine, result->text);
            else if (event.name == "done")
                emit engineDone(id, *result);
        }
    }
}

void ApiClient::onFinished(int id, long status, const QString& error)
{
    const std::shared_ptr<Call> call = m_calls.take(id);
    if (!error.isEmpty())
        return emit failed(id, {ApiFailure::Unreachable, error});
    if (call->kind == Kind::Plain)
        return emit replied(id, int(status), call->body);
    if (status == 404)
        return emit failed(id, {ApiFailure::NoApi, ErrorOfBody(call->body)});
    if (status != 200)
        return emit failed(id, {ApiFailure::Refused, ErrorOfBody(call->body)});
    if (call->kind == Kind::Engines) {
        if (const auto engines = ParseEngines(call->body))
            return emit enginesListed(id, *engines);
        return emit failed(id, {ApiFailure::BadReply, QStringLiteral("unreadable engine list")});
    }
    if (!call->ended)
        emit failed(id, {ApiFailure::BadReply, QStringLiteral("the reply ended early")});
}

} // namespace quillo
