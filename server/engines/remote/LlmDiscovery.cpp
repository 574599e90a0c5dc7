#include "server/engines/remote/LlmDiscovery.h"

#include "server/engines/remote/RemoteApi.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace quillo::server {

namespace {

constexpr std::chrono::milliseconds kOllamaBudget{1500};

std::optional<std::string> firstName(const std::string& body, const char16_t* list, const char16_t* field)
{
    const QJsonArray models =
        QJsonDocument::fromJson(QByteArray::fromStdString(body)).object().value(QStringView(list)).toArray();
    if (models.isEmpty())
        return std::nullopt;
    const QString name = models.first().toObject().value(QStringView(field)).toString();
    return name.isEmpty() ? std::nullopt : std::optional(name.toStdString());
}

bool isLoopback(std::string_view origin)
{
    for (std::string_view host : {"http://127.", "http://localhost:", "http://[::1]:"}) {
        if (origin.starts_with(host))
            return true;
    }
    return false;
}

} // namespace

std::optional<std::string> FirstListedModel(const std::string& baseUrl, const std::string& key,
                                            std::chrono::milliseconds budget)
{
    ApiRequest call{baseUrl + "/models", {}, {}};
    if (!key.empty())
        call.headers.push_back("Authorization: Bearer " + key);
    const ApiReply reply = CallApi(call, std::chrono::steady_clock::now() + budget);
    if (!reply.answered || reply.status != 200)
        return std::nullopt;
    return firstName(reply.body, u"data", u"id");
}

std::optional<FoundOllama> FindOllama(std::string_view origin)
{
    if (!isLoopback(origin))
        return std::nullopt;
    ApiRequest call{std::string(origin) + "/api/tags", {}, {}};
    call.connectTimeout = std::chrono::milliseconds(300);
    const ApiReply reply = CallApi(call, std::chrono::steady_clock::now() + kOllamaBudget);
    if (!reply.answered || reply.status != 200)
        return std::nullopt;
    const auto model = firstName(reply.body, u"models", u"name");
    if (!model)
        return std::nullopt;
    return FoundOllama{std::string(origin) + "/v1", *model};
}

} // namespace quillo::server
