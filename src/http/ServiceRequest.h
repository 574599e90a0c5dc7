#pragma once
// The request a side window sends to the product's services: the window's one component, named
// as the windows name it, that neither caches (a service's answer is never stale) nor keeps
// cookies (no exchange builds on an earlier one), and whose Read returns at once. A window sets
// what differs (the method, waiting for the request, time limits) on the component itself.
#include "http/TWebRequest.h"

namespace quillo {

// A fresh component owned by `owner`, named "WebRequest1".
TWebRequest* NewServiceRequest(QObject* owner);

// One limit for connecting, sending, receiving and the wait for the whole request.
void SetTimeouts(TWebRequest& request, quint32 milliseconds);

} // namespace quillo
