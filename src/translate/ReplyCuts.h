#pragma once
// Cutting the wanted piece out of the services' replies by fixed text markers. Every function
// works on bytes, never decodes, and never reads outside its input.

#include <QByteArray>
#include <QString>
#include <optional>

namespace quillo {

// The reply body as a list of lines (split at CR LF, CR or LF) joined with CR LF after every
// line, the last one included.
QByteArray ReplyText(const QByteArray& body);

// The translated bytes of a text-translation result page; std::nullopt when the page lacks the
// start marker (an error page, say), an empty piece when the end marker is missing.
std::optional<QByteArray> ExtractBabelFishResult(const QByteArray& s);
// The content of the result text area of the translation page; std::nullopt without the start
// marker, an empty piece when the end of the area is missing.
std::optional<QByteArray> ExtractWorldLingoResult(const QByteArray& s);
// A text area's content (UTF-8) as a browser shows it: the service escapes what it puts there, so
// the numeric references and the five the escaping uses (&amp; &lt; &gt; &quot; &apos;) are
// decoded; anything else is kept as written.
QByteArray DecodeCharacterReferences(const QByteArray& text);
// The per-visit address prefix from the site's root address up to and including the slash
// before "/object"; empty when either is missing.
QByteArray ExtractSessionPrefix(const QByteArray& s, const QByteArray& rootAddress);

// The page-translation identifier between wl_id=\" and \"> (the backslash of the end marker
// included); empty when not found.
QByteArray ExtractPageId(const QByteArray& s);
// A query parameter over the GB18030 bytes of the text (GBK's for its characters): blank "+",
// letters and digits unchanged, every other byte "%XX".
QByteArray EncodeUrlParam(const QString& text);

} // namespace quillo
