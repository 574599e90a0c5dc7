#include "translate/ServiceReplies.h"

#include "translate/Encoding.h"
#include "translate/ReplyCuts.h"

#include <QUtf8StringView>

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

namespace {

constexpr qsizetype kMaxPlainSentenceBytes = 4096;

std::optional<QString> nonBlank(std::optional<QString> sentence)
{
    if (!sentence || sentence->trimmed().isEmpty())
        return std::nullopt;
    return sentence->trimmed();
}

} // namespace

std::optional<QString> BabelFishFailureSentence(const QByteArray& body)
{
    return nonBlank(BabelFishResultText(body));
}

std::optional<QString> WorldLingoFailureSentence(const QByteArray& body, bool sessionTranslate)
{
    if (sessionTranslate && (body.size() > kMaxPlainSentenceBytes || body.contains('<') || !QUtf8StringView(body).isValidUtf8()))
        return std::nullopt;
    return nonBlank(WorldLingoResultText(body, sessionTranslate));
}

} // namespace quillo
