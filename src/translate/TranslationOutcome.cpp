#include "translate/TranslationOutcome.h"

namespace quillo {

const QString kNoSourceText = QStringLiteral("   请 输 入 要 翻 译 的 原 文 文 本 ！");
const QString kSameLanguages = QStringLiteral("   原 文 语 言 不 能 与 译 文 语 言 相 同 ！");
const QString kHostUnreachableHelp = QStringLiteral("访问服务器错误！请先连接到互联网，然后再翻译！") + QStringLiteral("\n\n")
                                     + QStringLiteral("如果安装了防火墙请先关闭或设置允许访问网络，然后重试 。")
                                     + QStringLiteral("\n\n");

QString FailureMessage(TranslationFailure failure)
{
    switch (failure) {
    case TranslationFailure::ConnectionLost:
    case TranslationFailure::HttpError:
    case TranslationFailure::WaitTimeoutExpired:
        return QStringLiteral("   连 接 服 务 器 超 时 ，请 稍 后 重 试 。");
    case TranslationFailure::HostUnreachable:
        return QStringLiteral(" 如 果 安 装 了 防 火 墙 请 先 关 闭 或 设 置 允 许 访 问 网 络，然 后 重 试 。");
    case TranslationFailure::UnrecognisedReply:
        return QStringLiteral("   服 务 器 返 回 的 内 容 无 法 识 别 ，请 稍 后 重 试 。");
    case TranslationFailure::None:
    case TranslationFailure::Aborted:
    case TranslationFailure::ServiceExplained:
        break;
    }
    return {};
}

QString FailureMessage(const TranslationOutcome& outcome)
{
    if (outcome.failure == TranslationFailure::ServiceExplained)
        return outcome.text;
    return FailureMessage(outcome.failure);
}

} // namespace quillo
