// Routes shaped like LibreTranslate's API, so that its existing clients (desktop translators,
// browser extensions, scripts) can use this service as their instance. They take what those
// clients send (a form or JSON; q a string or a list; source "auto"), answer in that API's
// shapes and language codes ("zh", "zt", ...), and fail as it does: {"error": ...} with 400 for
// a bad request, 403 for a missing or unknown key, 429 when an engine refuses for too many
// requests, 500 when the translation fails.

#include "server/api/ApiContext.h"
#include "server/api/ApiInput.h"
#include "server/api/ApiLanguages.h"
#include "server/net/Router.h"
#include "server/pages/HtmlTranslator.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>
#include <map>
#include <set>
#include <variant>

namespace quillo::server {

namespace {

QString ltCode(const ServiceLanguage& language)
{
    return QString::fromStdString(ApiCode(language, CodeStyle::LibreTranslate));
}

QJsonObject detectedJson(const DetectedLanguage& guess)
{
    return {{QStringLiteral("confidence"), std::round(guess.confidence * 1000) / 10},
            {QStringLiteral("language"), ltCode(*guess.language)}};
}

// The translation failed: the status and sentence LibreTranslate would give.
struct Failure {
    int status;
    std::string error;
};

// One text in the chosen format through the chain's choice of engine.
std::variant<std::string, Failure> translateOne(const ApiContext& context, TranslationRequest request, bool html)
{
    std::optional<Failure> failure;
    auto run = [&](const std::string& text) -> std::optional<std::string> {
        request.text = text;
        const std::vector<EngineOutcome> outcomes = context.engines.translate(request, {}, {}, {});
        if (!outcomes.empty() && outcomes.front().ok)
            return outcomes.front().text;
        const bool limited = !outcomes.empty() && outcomes.front().rateLimited;
        failure = Failure{limited ? 429 : 500,
                          "Cannot translate text: " + (outcomes.empty() ? std::string("no engine answered") : outcomes.front().error)};
        return std::nullopt;
    };
    if (!html) {
        auto translated = run(request.text);
        if (!translated)
            return *failure;
        return *translated;
    }
    const std::string page = std::move(request.text); // run() reuses the request for each text run
    HtmlTranslator translator{HtmlTranslator::TranslateRun(run)};
    const auto translated = translator.translate(page, "");
    if (failure)
        return *failure;
    if (translated.refusal)
        return Failure{400, "Invalid request: " + translated.refusal->detail};
    return translated.page;
}

void translate(const ApiContext& context, const web::Request& request, web::Response& response)
{
    const auto input = ReadApiInput(context, request, response);
    if (!input || !CheckKey(context, request, &*input, response))
        return;
    if (!input->has("q"))
        return RespondApiError(response, 400, "Invalid request: missing q parameter");
    if (!input->has("target"))
        return RespondApiError(response, 400, "Invalid request: missing target parameter");
    const std::vector<std::string>& texts = input->values("q");
    size_t characters = 0;
    for (const std::string& text : texts)
        characters += CharacterCount(text);
    if (characters > context.charLimit)
        return RespondApiError(response, 400, "Invalid request: request (" + std::to_string(characters)
                                                  + ") exceeds text limit (" + std::to_string(context.charLimit) + ")");
    const std::string format = input->has("format") ? input->text("format") : "text";
    if (format != "text" && format != "html")
        return RespondApiError(response, 400, "Invalid request: format must be text or html");
    const std::string sourceCode = input->has("source") ? input->text("source") : "auto";
    const std::string targetCode = input->text("target");
    const ServiceLanguage* target = ApiLanguage(targetCode);
    const ServiceLanguage* source = sourceCode == "auto" ? nullptr : ApiLanguage(sourceCode);
    if (!target || (sourceCode != "auto" && !source))
        return RespondApiError(response, 400, (target ? sourceCode : targetCode) + " is not supported");

    QJsonArray translated;
    QJsonArray detected;
    for (const std::string& text : texts) {
        TranslationRequest call{text, source, target, std::string(target->code), {}};
        if (!source) {
            const auto guesses = DetectApiLanguages(text);
            // What cannot be told is taken as English, as LibreTranslate's own detector falls back.
            const DetectedLanguage guess = guesses.empty() ? DetectedLanguage{ApiLanguage("en"), 0} : guesses.front();
            call.source = guess.language;
            detected.append(detectedJson(guess));
        }
        const auto result = translateOne(context, std::move(call), format == "html");
        if (const Failure* failure = std::get_if<Failure>(&result))
            return RespondApiError(response, failure->status, failure->error);
        translated.append(JsonString(std::get<std::string>(result)));
    }
    QJsonObject answer;
    const bool list = input->isList("q");
    answer.insert(QStringLiteral("translatedText"), list ? QJsonValue(translated) : translated.first());
    if (!source)
        answer.insert(QStringLiteral("detectedLanguage"), list ? QJsonValue(detected) : detected.first());
    RespondJson(response, 200, QJsonDocument(answer));
}

void detect(const ApiContext& context, const web::Request& request, web::Response& response)
{
    const auto input = ReadApiInput(context, request, response);
    if (!input || !CheckKey(context, request, &*input, response))
        return;
    if (!input->has("q"))
        return RespondApiError(response, 400, "Invalid request: missing q parameter");
    QJsonArray guesses;
    for (const DetectedLanguage& guess : DetectApiLanguages(input->text("q")))
        guesses.append(detectedJson(guess));
    RespondJson(response, 200, QJsonDocument(guesses));
}

void languages(const ApiContext& context, web::Response& response)
{
    std::map<const ServiceLanguage*, std::set<const ServiceLanguage*>> targets;
    for (const EngineSummary& engine : context.engines.engines()) {
        for (const auto& [source, target] : engine.pairs)
            targets[source].insert(target);
    }
    QJsonArray list;
    for (const ServiceLanguage& language : AllLanguages()) {
        const auto found = targets.find(&language);
        if (found == targets.end())
            continue;
        QJsonArray codes;
        for (const ServiceLanguage& target : AllLanguages()) {
            if (found->second.contains(&target))
                codes.append(ltCode(target));
        }
        list.append(QJsonObject{{QStringLiteral("code"), ltCode(language)},
                                {QStringLiteral("name"), JsonString(language.english)},
                                {QStringLiteral("targets"), codes}});
    }
    RespondJson(response, 200, QJsonDocument(list));
}

void settings(const ApiContext& context, web::Response& response)
{
    const auto language = [](const char* code, const char* name) {
        return QJsonObject{{QStringLiteral("code"), QString::fromLatin1(code)}, {QStringLiteral("name"), QString::fromLatin1(name)}};
    };
    RespondJson(response, 200, QJsonDocument(QJsonObject{
        {QStringLiteral("charLimit"), static_cast<qint64>(context.charLimit)},
        {QStringLiteral("frontendTimeout"), 500},
        {QStringLiteral("apiKeys"), context.keys.required()},
        {QStringLiteral("keyRequired"), context.keys.required()},
        {QStringLiteral("suggestions"), false},
        {QStringLiteral("filesTranslation"), false},
        {QStringLiteral("supportedFilesFormat"), QJsonArray()},
        {QStringLiteral("language"), QJsonObject{{QStringLiteral("source"), language("auto", "Auto Detect")},
                                                 {QStringLiteral("target"), language("en", "English")}}}}));
}

} // namespace

void AddLibreTranslateRoutes(web::Router& server, const ApiContext& context)
{
    server.Post("/translate", [&context](const web::Request& request, web::Response& response, const web::ContentReader&) {
        translate(context, request, response);
    }, web::Lane::Engine);
    server.Post("/detect", [&context](const web::Request& request, web::Response& response, const web::ContentReader&) {
        detect(context, request, response);
    }, web::Lane::Engine);
    server.Get("/languages", [&context](const web::Request&, web::Response& response) { languages(context, response); });
    server.Get("/frontend/settings", [&context](const web::Request&, web::Response& response) { settings(context, response); });
    server.Get("/spec", [](const web::Request&, web::Response& response) {
        response.set_content(std::string(ApiSpecification()), "application/json");
    });
}

} // namespace quillo::server
