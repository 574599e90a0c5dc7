#pragma once
// The addresses of the web page translation service: the object address the window asks for an
// identifier, and the translated-page address it hands to the browser.
#include <QByteArray>
#include <QString>

#include <optional>

namespace quillo {

// The page address the text in the address box stands for: blanks around it dropped, and
// "http://" put before an address without a scheme. Nothing when that is still no http or https
// address with a host, which neither the service nor a browser could open.
std::optional<QString> UsablePageAddress(const QString& text);

// The service's object address, whose reply carries a page-translation identifier.
QString ObjectAddress();

// "http://host/" + identifier + "translation?wl_url=" + the page address encoded over its GBK
// bytes + "&wl_srclang=" + source + "&wl_trglang=" + target. The identifier keeps the backslash
// it ends with, so the address reads ".../<id>\translation?...".
QByteArray TranslatedPageAddress(const QByteArray& pageId, const QString& pageAddress,
                                 const QByteArray& sourceCode, const QByteArray& targetCode);

} // namespace quillo
