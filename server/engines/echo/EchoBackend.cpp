#include "server/engines/echo/EchoBackend.h"

namespace quillo::server {

BackendResult EchoBackend::translate(const TranslationRequest& request)
{
    return {true, "[" + request.targetAsSent + "] " + request.text, {}};
}

} // namespace quillo::server
