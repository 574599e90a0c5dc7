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

} // namespace quillo
