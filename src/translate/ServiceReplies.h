#pragma once
// Reading the text services' replies: the reply body as lines, the translated piece cut out by
// its markers and decoded, ready for the result box. A reply that lacks its start marker is not
// a translation, and gives nothing.
#include <QByteArray>
#include <QString>
#include <optional>

namespace quillo {

// UTF-8 bytes of a reply, decoded, with the line breaks of a Qt text box.
QString MemoText(const QByteArray& utf8);

// The translation in a text service result page.
std::optional<QString> BabelFishResultText(const QByteArray& body);

// The translation in a WorldLingo stage-two reply: the whole reply from the session address,
// the result area's content from the translation page.
std::optional<QString> WorldLingoResultText(const QByteArray& body, bool sessionTranslate);

// The sentence a service put in the result's place of a reply with an error status, which says
// better than any of our own texts why the translation failed (a refused key, an engine's
// error, a used-up quota). Nothing for an ordinary error page: a session reply, which has no
// result block, counts only when it is short plain text.
std::optional<QString> BabelFishFailureSentence(const QByteArray& body);
std::optional<QString> WorldLingoFailureSentence(const QByteArray& body, bool sessionTranslate);

} // namespace quillo
