#include "server/engines/remote/LibreTranslateBackend.h"

#include "server/base/Log.h"
#include "server/fetch/ApiCall.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QUrl>

#include <array>

namespace quillo::server {

namespace {

constexpr std::chrono::seconds kRetryInterval{30};

// LibreTranslate has spelled the two Chinese scripts differently over its versions.
std::vector<std::string_view> spellings(std::string_view code)
{
    if (code == "zh")
        return {"zh", "zh-Hans", "zh-CN", "zh_CN"};
    if (code == "zt")
        return {"zt", "zh-Hant", "zh-TW", "zh_TW"};
    return {code};
}

ApiReply call(const std::string& url, std::string body, const LibreTranslateOptions& options)
{
    ApiRequest request{url, {}, std::move(body), std::chrono::duration_cast<std::chrono::milliseconds>(options.connectTimeout)};
    if (!request.body.empty())
        request.headers.push_back("Content-Type: application/json");
    return CallApi(request, std::chrono::steady_clock::now() + options.timeout);
}

std::string describe(const ApiReply& reply)
{
    if (!reply.answered)
        return "no answer (" + reply.error + ")";
    const QJsonObject answer = QJsonDocument::fromJson(QByteArray::fromStdString(reply.body)).object();
    const QString error = answer.value(u"error").toString();
    return "HTTP " + std::to_string(reply.status)
        + (error.isEmpty() ? std::string() : ": " + error.toStdString());
}

} // namespace

LibreTranslateBackend::LibreTranslateBackend(LibreTranslateOptions options)
    : options_(std::move(options))
{
    const QUrl url(QString::fromStdString(options_.url));
    origin_ = url.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment)
                  .toString(QUrl::FullyEncoded)
                  .toStdString();
    prefix_ = url.path(QUrl::FullyEncoded).toStdString();
    while (!prefix_.empty() && prefix_.back() == '/')
        prefix_.pop_back();
}

std::shared_ptr<const LibreTranslateBackend::Languages> LibreTranslateBackend::languages() const
{
    std::lock_guard lock(mutex_);
    if (languages_)
        return languages_;
    const auto now = std::chrono::steady_clock::now();
    if (lastAttempt_ != std::chrono::steady_clock::time_point{} && now - lastAttempt_ < kRetryInterval)
        return nullptr;
    lastAttempt_ = now;

    const ApiReply reply = call(origin_ + prefix_ + "/languages", {}, options_);
    if (!reply.answered || reply.status != 200) {
        LogWarning("libretranslate " + options_.url + ": language list unavailable, " + describe(reply));
        return nullptr;
    }
    const QJsonArray list = QJsonDocument::fromJson(QByteArray::fromStdString(reply.body)).array();
    Languages found;
    std::set<std::string> all;
    for (const QJsonValue& entry : list)
        all.insert(entry.toObject().value(u"code").toString().toStdString());
    for (const QJsonValue& entry : list) {
        const QJsonObject language = entry.toObject();
        const std::string code = language.value(u"code").toString().toStdString();
        if (code.empty())
            continue;
        std::set<std::string> targets;
        // Older servers give no "targets": every language is then a target.
        const QJsonValue listed = language.value(u"targets");
        if (listed.isArray()) {
            for (const QJsonValue& target : listed.toArray())
                targets.insert(target.toString().toStdString());
        } else {
            targets = all;
        }
        found.targets.emplace(code, std::move(targets));
    }
    if (found.targets.empty()) {
        LogWarning("libretranslate " + options_.url + ": empty language list");
        return nullptr;
    }
    LogInfo("libretranslate " + options_.url + ": " + std::to_string(found.targets.size()) + " languages");
    languages_ = std::make_shared<const Languages>(std::move(found));
    return languages_;
}

bool LibreTranslateBackend::reachable() const
{
    return languages() != nullptr;
}

std::optional<std::string> LibreTranslateBackend::serverCode(const Languages& languages,
                                                             std::string_view code)
{
    for (std::string_view spelling : spellings(code)) {
        if (languages.targets.count(std::string(spelling)))
            return std::string(spelling);
    }
    return std::nullopt;
}

bool LibreTranslateBackend::covers(std::string_view source, std::string_view target) const
{
    const auto known = languages();
    if (!known)
        return false;
    const auto from = serverCode(*known, source);
    const auto to = serverCode(*known, target);
    return from && to && (*from == *to || known->targets.at(*from).count(*to));
}

BackendResult LibreTranslateBackend::translate(const TranslationRequest& request)
{
    const auto known = languages();
    const auto from = known ? serverCode(*known, request.source->code) : std::nullopt;
    const auto to = known ? serverCode(*known, request.target->code) : std::nullopt;
    if (!from || !to)
        return {false, {}, "language list unavailable or pair not offered"};
    if (*from == *to)
        return {true, request.text, {}};

    QJsonObject body{{QStringLiteral("q"), QString::fromStdString(request.text)},
                     {QStringLiteral("source"), QString::fromStdString(*from)},
                     {QStringLiteral("target"), QString::fromStdString(*to)},
                     {QStringLiteral("format"), QStringLiteral("text")}};
    if (!options_.apiKey.empty())
        body.insert(QStringLiteral("api_key"), QString::fromStdString(options_.apiKey));

    const ApiReply reply =
        call(origin_ + prefix_ + "/translate", QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString(), options_);
    if (!reply.answered || reply.status != 200)
        return {false, {}, describe(reply)};
    const QJsonValue translated =
        QJsonDocument::fromJson(QByteArray::fromStdString(reply.body)).object().value(u"translatedText");
    if (!translated.isString())
        return {false, {}, "reply without translatedText"};
    return {true, translated.toString().toStdString(), {}};
}

} // namespace quillo::server
