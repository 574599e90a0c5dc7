#include "session/WebRequestExchange.h"

#include "http/TWebRequest.h"

#include <QIODevice>

namespace quillo {

WebRequestExchange::WebRequestExchange(TWebRequest* request, QObject* parent)
    : HttpExchange(parent)
    , m_request(request)
{
}

bool WebRequestExchange::busy() const
{
    return m_request->Busy();
}

bool WebRequestExchange::get(const QString& url)
{
    if (busy())
        return false;
    m_request->setRequestMethod(rmGET);
    m_request->setURL(url);
    return m_request->Read();
}

bool WebRequestExchange::post(const QString& url, const QByteArray& formBody)
{
    if (busy())
        return false;
    m_request->setRequestMethod(rmPOST);
    m_request->setURL(url);
    m_request->setPOSTData(formBody);
    return m_request->Read();
}

void WebRequestExchange::abort()
{
    m_request->Abort();
}

void WebRequestExchange::replyArrived(QIODevice* stream)
{
    emit finished(TranslationFailure::None, ReadReply(stream));
}

void WebRequestExchange::failed(TranslationFailure failure, QIODevice* stream)
{
    emit finished(failure, ReadReply(stream));
}

void WebRequestExchange::bindEvents()
{
    m_request->OnDone = [this](QObject*, const QString&, qint64, QIODevice* stream) { replyArrived(stream); };
    m_request->OnConnLost = [this](QObject*, const QString&, qint64, qint64, QIODevice*) {
        failed(TranslationFailure::ConnectionLost);
    };
    m_request->OnHTTPError = [this](QObject*, qint32, QIODevice* stream) { failed(TranslationFailure::HttpError, stream); };
    m_request->OnWaitTimeoutExpired = [this](QObject*) { failed(TranslationFailure::WaitTimeoutExpired); };
    m_request->OnHostUnreachable = [this](QObject*) { failed(TranslationFailure::HostUnreachable); };
}

QByteArray ReadReply(QIODevice* stream)
{
    return stream ? stream->readAll() : QByteArray();
}

} // namespace quillo
