#include "http/ServiceRequest.h"

namespace quillo {

TWebRequest* NewServiceRequest(QObject* owner)
{
    auto* request = new TWebRequest(owner);
    request->setObjectName(QStringLiteral("WebRequest1"));
    request->setUseCache(false);
    request->setUseCookies(false);
    request->setWaitThread(false);
    return request;
}

void SetTimeouts(TWebRequest& request, quint32 milliseconds)
{
    request.Timeouts().setConnectTimeout(milliseconds);
    request.Timeouts().setReceiveTimeout(milliseconds);
    request.Timeouts().setSendTimeout(milliseconds);
    request.setWaitTimeout(static_cast<qint32>(milliseconds));
}

} // namespace quillo
