#include "update/UpdateTransport.h"

#include "http/TWebRequest.h"

namespace quillo {

bool WebRequestTransport::busy() const
{
    return m_request->Busy();
}

void WebRequestTransport::get(const QString& url, const QString& outputFile)
{
    m_request->setURL(url);
    // Set for every request: a version request after a download in the same window is received
    // in memory again.
    m_request->setOutputFileName(outputFile);
    m_request->Read();
}

void WebRequestTransport::abort()
{
    m_request->Abort();
}

} // namespace quillo
