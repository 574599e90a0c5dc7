#include "session/TranslationRequests.h"

#include "core/ServiceAddresses.h"
#include "http/ServiceRequest.h"
#include "http/TWebRequest.h"
#include "translate/ServiceRequests.h"

namespace quillo {

namespace {

constexpr quint32 kTranslationTimeoutMs = 50000;
constexpr quint32 kSpareTimeoutMs = 15000;

} // namespace

TWebRequest* SpareRequest(QObject* owner)
{
    // The side windows' preset under the main window's name for it.
    TWebRequest* request = NewServiceRequest(owner);
    request->setObjectName(QStringLiteral("WebRequest0"));
    SetTimeouts(*request, kSpareTimeoutMs);
    request->setThreadPriority(tpHigher);
    request->setWaitThread(true);
    return request;
}

TWebRequest* TranslationRequest(const char* name, QObject* owner)
{
    auto* request = new TWebRequest(owner);
    request->setObjectName(QString::fromLatin1(name));
    request->setAcceptTypes(QStringLiteral("image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
                                           "application/vnd.ms-excel, application/msword, */*"));
    request->setAddHeaders({QStringLiteral("Connection: Keep-Alive")});
    request->setAgent(QStringLiteral("Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)"));
    request->setUseCache(false);
    request->setReferer([] { return BabelFishReferer(ServiceBase()); });
    request->setRequestMethod(rmPOST);
    SetTimeouts(*request, kTranslationTimeoutMs);
    request->setThreadPriority(tpHigher);
    request->setWaitThread(true);
    return request;
}

} // namespace quillo
