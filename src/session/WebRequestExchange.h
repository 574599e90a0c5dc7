#pragma once
// The program's side of the engines' HTTP seam: an HttpExchange that sends through one of a
// window's TWebRequest components.
//
// The component's events are not bound here. Whoever owns the component binds them (the main
// window to its handlers, the popup straight to this exchange through bindEvents) and hands them
// on with replyArrived() and failed(). Several exchanges may share one component; whoever binds its
// events decides which of them hears a completion.
#include "translate/HttpExchange.h"

class QIODevice;

namespace quillo {

class TWebRequest;

class WebRequestExchange : public HttpExchange
{
    Q_OBJECT
public:
    WebRequestExchange(TWebRequest* request, QObject* parent);

    bool busy() const override;
    bool get(const QString& url) override;
    bool post(const QString& url, const QByteArray& formBody) override;
    void abort() override;

    // The component's completion events, handed on as this exchange's completion.
    void replyArrived(QIODevice* stream);
    // stream: the reply of an error status, which may say why.
    void failed(TranslationFailure failure, QIODevice* stream = nullptr);
    // Binds the component's completion events to this exchange alone.
    void bindEvents();

private:
    TWebRequest* m_request;
};

// The stream lives only for the event; an absent one is an empty reply.
QByteArray ReadReply(QIODevice* stream);

} // namespace quillo
