#include "server/api/ApiContext.h"

#include "server/api/ApiInput.h"

#include "core/Languages.h"
#include "detect/LanguageDetect.h"

#include <QJsonObject>

namespace quillo::server {

QString JsonString(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

void RespondJson(web::Response& response, int status, const QJsonDocument& document)
{
    response.status = status;
    response.set_content(document.toJson(QJsonDocument::Compact).toStdString(), "application/json");
}

void RespondApiError(web::Response& response, int status, const std::string& message)
{
    RespondJson(response, status, QJsonDocument(QJsonObject{{QStringLiteral("error"), QString::fromStdString(message)}}));
}

std::string SentKey(const web::Request& request, const ApiInput* input)
{
    const std::string authorization = request.get_header_value("Authorization");
    if (authorization.size() > 7 && (authorization.starts_with("Bearer ") || authorization.starts_with("bearer ")))
        return authorization.substr(7);
    if (request.has_header("X-API-Key"))
        return request.get_header_value("X-API-Key");
    return input ? input->text("api_key") : std::string();
}

bool CheckKey(const ApiContext& context, const web::Request& request, const ApiInput* input, web::Response& response)
{
    if (context.keys.accepts(SentKey(request, input)))
        return true;
    RespondApiError(response, 403, "Invalid API key");
    return false;
}

std::optional<ApiInput> ReadApiInput(const ApiContext& context, const web::Request& request, web::Response& response)
{
    if (request.body.size() > context.bodyBytes) {
        RespondApiError(response, 413, "The request is larger than " + std::to_string(context.bodyBytes / 1024) + " KiB");
        return std::nullopt;
    }
    std::string error;
    auto input = ApiInput::parse(request.get_header_value("Content-Type"), request.body, error);
    if (!input)
        RespondApiError(response, 400, "Invalid request: " + error);
    return input;
}

std::vector<DetectedLanguage> DetectApiLanguages(const std::string& utf8)
{
    std::vector<DetectedLanguage> found;
    for (const LanguageGuess& guess : DetectLanguages(QString::fromStdString(utf8))) {
        if (const ServiceLanguage* language = LanguageByCode(BabelFishCode(guess.index).toStdString()))
            found.push_back({language, guess.confidence});
    }
    return found;
}

size_t CharacterCount(const std::string& utf8)
{
    size_t count = 0;
    for (const char c : utf8)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return count;
}

} // namespace quillo::server
