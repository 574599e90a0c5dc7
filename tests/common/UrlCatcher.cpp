#include "UrlCatcher.h"

#include <QDesktopServices>

namespace quillo::test {

UrlCatcher::UrlCatcher(const QString& scheme)
    : m_scheme(scheme)
{
    QDesktopServices::setUrlHandler(m_scheme, this, "open");
}

UrlCatcher::~UrlCatcher()
{
    QDesktopServices::unsetUrlHandler(m_scheme);
}

void UrlCatcher::open(const QUrl& url)
{
    opened.append(url);
}

} // namespace quillo::test
