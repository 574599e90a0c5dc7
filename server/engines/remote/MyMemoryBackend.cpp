#include "server/engines/remote/MyMemoryBackend.h"

#include "server/engines/remote/RemoteApi.h"
#include "server/engines/remote/TextPieces.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <utility>

namespace quillo::server {

namespace {

constexpr std::string_view kService = "MyMemory 翻译服务";

constexpr std::array<std::pair<std::string_view, std::string_view>, 13> kCodes{{
    {"zh", "zh-CN"}, {"zt", "zh-TW"}, {"en", "en"}, {"nl", "nl"}, {"fr", "fr"}, {"de", "de"}, {"el", "el"},
    {"it", "it"},    {"ja", "ja"},    {"ko", "ko"}, {"pt", "pt"}, {"ru", "ru"}, {"es", "es"},
}};

std::string percentEncoded(std::string_view text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size())).toPercentEncoding().toStdString();
}

BackendResult quotaUsedUp(const std::string& detail, bool withContact)
{
    BackendResult result(false, {}, "quota used up: " + detail);
    result.rateLimited = true;
    result.userMessage = withContact
        ? "MyMemory 翻译服务今天的免费额度已经用完，请明天再试，或改用其他翻译引擎。"
        : "MyMemory 翻译服务今天的免费额度已经用完，请明天再试；在设置中填写联系邮箱可提高每日额度。";
    return result;
}

// A refusal in the reply's own status (an unknown pair, a text it will not take).
BackendResult refused(long status, const std::string& detail)
{
    BackendResult result(false, {}, "status " + std::to_string(status) + ": " + detail);
    result.userMessage = std::string(kService) + "拒绝了这次请求（" + std::to_string(status) + "）：" + detail;
    return result;
}

} // namespace

MyMemoryBackend::MyMemoryBackend(MyMemoryOptions options) : options_(std::move(options))
{
    while (!options_.url.empty() && options_.url.back() == '/')
        options_.url.pop_back();
    if (options_.url.ends_with("/get"))
        options_.url.resize(options_.url.size() - 4);
}

std::string_view MyMemoryBackend::languageCode(std::string_view code)
{
    for (const auto& [ours, theirs] : kCodes) {
        if (ours == code)
            return theirs;
    }
    return {};
}

bool MyMemoryBackend::covers(std::string_view source, std::string_view target) const
{
    const bool bothChinese = (source == "zh" || source == "zt") && (target == "zh" || target == "zt");
    return !languageCode(source).empty() && !languageCode(target).empty() && (source == target || !bothChinese);
}

std::string MyMemoryBackend::queryUrl(std::string_view text, std::string_view source, std::string_view target) const
{
    std::string url = options_.url + "/get?q=" + percentEncoded(text) + "&langpair="
        + percentEncoded(std::string(languageCode(source)) + "|" + std::string(languageCode(target)));
    if (!options_.email.empty())
        url += "&de=" + percentEncoded(options_.email);
    return url;
}

BackendResult MyMemoryBackend::translate(const TranslationRequest& request)
{
    if (request.source == request.target)
        return {true, request.text, {}};
    const auto deadline = std::chrono::steady_clock::now() + options_.budget;
    std::string translation;
    for (const TextPiece& piece : SplitWithinBytes(request.text, kMaxQueryBytes)) {
        if (!piece.text.empty()) {
            BackendResult part = translatePiece(piece.text, request, deadline);
            if (!part.ok)
                return part;
            translation += part.text;
        }
        translation += piece.gap;
    }
    return {true, std::move(translation), {}};
}

BackendResult MyMemoryBackend::translatePiece(const std::string& text, const TranslationRequest& request,
                                              std::chrono::steady_clock::time_point deadline) const
{
    const ApiIdentity who{std::string(kService), "[mymemory] email", options_.email};
    const ApiRequest call{queryUrl(text, request.source->code, request.target->code), {}, {}};
    const ApiReply reply = CallApi(call, deadline);
    const QJsonObject body = QJsonDocument::fromJson(QByteArray::fromStdString(reply.body)).object();
    const QString details = body.value(u"responseDetails").toString();
    const std::string detail = Redacted(details.toStdString(), options_.email);
    const bool quotaFinished = body.value(u"quotaFinished").toBool()
        || body.value(u"responseStatus").toVariant().toLongLong() == 429 || reply.status == 429;
    if (reply.answered && quotaFinished)
        return quotaUsedUp(detail.empty() ? "HTTP " + std::to_string(reply.status) : detail, !options_.email.empty());
    if (!reply.answered || reply.status != 200)
        return ApiFailure(reply, who);
    const long status = body.value(u"responseStatus").toVariant().toLongLong();
    if (status >= 500) {
        ApiReply asServed = reply;
        asServed.status = status;
        return ApiFailure(asServed, who);
    }
    if (status != 200 && status != 0)
        return refused(status, detail);
    const QJsonValue translated = body.value(u"responseData").toObject().value(u"translatedText");
    if (!translated.isString())
        return UnreadableReply(reply, who, "no responseData.translatedText");
    return {true, translated.toString().toStdString(), {}};
}

} // namespace quillo::server
