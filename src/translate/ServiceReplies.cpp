#include "translate/ServiceReplies.h"

#include "translate/Encoding.h"
#include "translate/ReplyCuts.h"

namespace quillo {

QString MemoText(const QByteArray& utf8)
{
    QString text = Utf8Decode(utf8);
    // ReplyText has already made every line end CR LF.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

std::optional<QString> BabelFishResultText(const QByteArray& body)
{
    const std::optional<QByteArray> piece = ExtractBabelFishResult(ReplyText(body));
    if (!piece)
        return std::nullopt;
    return MemoText(*piece);
}

std::optional<QString> WorldLingoResultText(const QByteArray& body, bool sessionTranslate)
{
    const QByteArray s = ReplyText(body);
    if (sessionTranslate)
        return MemoText(s);
    const std::optional<QByteArray> piece = ExtractWorldLingoResult(s);
    if (!piece)
        return std::nullopt;
    return MemoText(DecodeCharacterReferences(*piece));
}

} // namespace quillo
