#pragma once
// What the open API and the LibreTranslate-compatible routes are handed, and the helpers both
// share: JSON replies, errors as {"error": ...}, the key a client sent, language detection.

#include "server/api/ApiEngines.h"
#include "server/api/ApiKeys.h"
#include "server/net/HttpMessage.h"

#include <QJsonDocument>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillo::server {

namespace web {
class Router;
}

class ApiInput;

struct ApiContext {
    const ApiEngines& engines;
    const ApiKeys& keys;
    size_t bodyBytes = 64 * 1024;
    size_t charLimit = 20000; // characters of text a request may hold, all texts together
    const EngineControl* control = nullptr; // reload and test routes; none without it
};

void AddOpenApiRoutes(web::Router& server, const ApiContext& context);
void AddLibreTranslateRoutes(web::Router& server, const ApiContext& context);

QString JsonString(std::string_view utf8);
void RespondJson(web::Response& response, int status, const QJsonDocument& document);
void RespondApiError(web::Response& response, int status, const std::string& message);

// The key the client sent: "Authorization: Bearer KEY", "X-API-Key: KEY" or the api_key field.
std::string SentKey(const web::Request& request, const ApiInput* input);
// Answers 403 and returns false when a key is required and the one sent is not known.
bool CheckKey(const ApiContext& context, const web::Request& request, const ApiInput* input, web::Response& response);
// The body's fields, or nullopt after answering 400 or 413.
std::optional<ApiInput> ReadApiInput(const ApiContext& context, const web::Request& request, web::Response& response);

struct DetectedLanguage {
    const ServiceLanguage* language;
    double confidence; // 0 to 1
};
// The languages of the list the text may be in, likeliest first; empty when it cannot tell.
std::vector<DetectedLanguage> DetectApiLanguages(const std::string& utf8);

// A short OpenAPI 3 document of the LibreTranslate-compatible routes and the open API (JSON).
std::string_view ApiSpecification();

// Characters (code points) in UTF-8 text.
size_t CharacterCount(const std::string& utf8);

} // namespace quillo::server
