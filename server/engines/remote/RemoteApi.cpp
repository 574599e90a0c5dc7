#include "server/engines/remote/RemoteApi.h"

#include <string>

namespace quillo::server {

namespace {

constexpr size_t kLoggedBodyBytes = 300;

std::string statusText(const ApiReply& reply)
{
    return "HTTP " + std::to_string(reply.status);
}

} // namespace

BackendResult ApiFailure(const ApiReply& reply, const ApiIdentity& who)
{
    BackendResult result;
    if (reply.tooLarge) {
        result.tryNext = true;
        result.error = reply.error;
        result.userMessage = who.service + "的回答过长（超过 " + std::to_string(kMaxReplyBytes >> 20)
            + " MiB），本次翻译没有完成。";
        return result;
    }
    if (!reply.answered) {
        result.tryNext = true;
        result.error = (reply.timedOut ? "timed out: " : "no answer: ") + reply.error;
        result.userMessage = reply.timedOut
            ? who.service + "没有在限定时间内应答，本次翻译没有完成，请稍后再试。"
            : "无法连接" + who.service + "，本次翻译没有完成，请稍后再试。";
        return result;
    }
    result.error = statusText(reply) + ": " + Redacted(reply.body, who.secret);
    const std::string status = "（" + statusText(reply) + "）";
    if (reply.status == 401 || reply.status == 403) {
        result.userMessage = who.service + "拒绝了服务器的密钥" + status + "，请检查 " + who.keyHint + "。";
    } else if (reply.status == 429) {
        result.rateLimited = true;
        result.userMessage = who.service + "暂时不接受更多请求（请求过于频繁），请稍后再试。";
    } else if (reply.status == 456) {
        result.userMessage = who.service + "的用量额度已经用完" + status + "。";
    } else if (reply.status >= 500) {
        result.tryNext = true;
        result.userMessage = who.service + "出错" + status + "，本次翻译没有完成，请稍后再试。";
    } else {
        result.userMessage = who.service + "不接受这次请求" + status + "，请检查服务地址和模型名称。";
    }
    return result;
}

BackendResult UnreadableReply(const ApiReply& reply, const ApiIdentity& who, std::string_view what)
{
    BackendResult result;
    result.tryNext = true;
    result.error = std::string(what) + ": " + Redacted(reply.body, who.secret);
    result.userMessage = who.service + "的回答无法识别，本次翻译没有完成，请稍后再试。";
    return result;
}

std::string Redacted(std::string text, const std::string& secret)
{
    if (!secret.empty()) {
        for (size_t at = text.find(secret); at != std::string::npos; at = text.find(secret, at))
            text.replace(at, secret.size(), "***");
    }
    if (text.size() > kLoggedBodyBytes)
        text = text.substr(0, kLoggedBodyBytes) + "...";
    return text;
}

} // namespace quillo::server
