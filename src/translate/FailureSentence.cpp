#include "translate/FailureSentence.h"

#include "translate/TranslationOutcome.h"

#include <QRegularExpression>

namespace quillo {

namespace {

// The service's sentences, each told by its own wording: no engine for the pair or by that name
// (followed by a line on adding one), and an engine's failure, refused key, refused requests or
// spent quota (one line, after the engine's name).
const QRegularExpression& serviceFailure()
{
    static const QRegularExpression pattern(QStringLiteral(
        "\\A(?:本服务器没有(?:从\\S+翻译到\\S+|名为“[^”]*”)的翻译引擎。(?:\\n.*)?"
        "|[^\\n]{0,80}(?:本次翻译没有完成，请稍后再试|拒绝了服务器的密钥|暂时不接受更多请求|的用量额度已经用完"
        "|不接受这次请求)[^\\n]*)\\z"),
        QRegularExpression::DotMatchesEverythingOption);
    return pattern;
}

} // namespace

bool IsFailureSentence(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return false;
    for (const TranslationFailure failure : {TranslationFailure::ConnectionLost, TranslationFailure::HostUnreachable,
                                             TranslationFailure::UnrecognisedReply})
        if (trimmed == FailureMessage(failure).trimmed())
            return true;
    return trimmed == kHostUnreachableHelp.trimmed() || serviceFailure().match(trimmed).hasMatch();
}

} // namespace quillo
