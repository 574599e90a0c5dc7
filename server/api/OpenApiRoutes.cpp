// The open JSON API, version 1, for clients other than the program:
//   GET  /api/v1/engines    every engine with the pairs it serves
//   POST /api/v1/translate  {"text","source","target","engines"?,"stream"?}
//   POST /api/v1/detect     {"text"}
//   POST /api/v1/engines/reload  read the engines' settings again, swap the engine set
//   POST /api/v1/engines/test    {"engine","settings":{...},"text"?,"source"?,"target"?}
// The two engine routes act for the machine's owner (the second makes the server send a request
// to any address it is given), so only a loopback client of a loopback server may call them, or,
// with --api-keys, a client that sends a key.
//   POST /api/v1/prepare    {"source","target"}: the pair's engine gets ready for its first text
// A streamed translation is a text/event-stream: "delta" events carry the pieces of each
// engine's reply as they arrive, a "done" event each engine's outcome, and "end" closes it.

#include "server/api/ApiContext.h"
#include "server/api/ApiInput.h"
#include "server/api/ApiLanguages.h"
#include "server/net/Router.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>
#include <map>

namespace quillo::server {

namespace {

QString openCode(const ServiceLanguage& language)
{
    return QString::fromStdString(ApiCode(language, CodeStyle::Open));
}

QJsonObject outcomeJson(const EngineOutcome& outcome)
{
    QJsonObject json{{QStringLiteral("engine"), JsonString(outcome.engine)}};
    if (!outcome.ok) {
        json.insert(QStringLiteral("error"), JsonString(outcome.error));
        return json;
    }
    json.insert(QStringLiteral("kind"), JsonString(outcome.kind));
    json.insert(QStringLiteral("text"), JsonString(outcome.text));
    if (!outcome.missingTerms.empty()) {
        QJsonArray missing;
        for (const std::string& term : outcome.missingTerms)
            missing.append(JsonString(term));
        json.insert(QStringLiteral("missingTerms"), missing);
    }
    return json;
}

std::string event(std::string_view name, const QJsonObject& data)
{
    return "event: " + std::string(name) + "\ndata: " + QJsonDocument(data).toJson(QJsonDocument::Compact).toStdString()
        + "\n\n";
}

void listEngines(const ApiContext& context, const web::Request& request, web::Response& response)
{
    if (!CheckKey(context, request, nullptr, response))
        return;
    QJsonArray list;
    for (const EngineSummary& engine : context.engines.engines()) {
        QJsonArray pairs;
        for (const auto& [source, target] : engine.pairs)
            pairs.append(QJsonArray{openCode(*source), openCode(*target)});
        list.append(QJsonObject{{QStringLiteral("id"), JsonString(engine.id)},
                                {QStringLiteral("name"), JsonString(engine.name)},
                                {QStringLiteral("kind"), JsonString(engine.kind)},
                                {QStringLiteral("online"), engine.online},
                                {QStringLiteral("pairs"), pairs}});
    }
    RespondJson(response, 200, QJsonDocument(list));
}

struct TranslateCall {
    TranslationRequest request;
    EngineSelection selection;
};

// The call a request body asks for, or nullopt after answering 400.
std::optional<TranslateCall> translateCall(const ApiContext& context, const ApiInput& input, web::Response& response)
{
    if (!input.has("text") || input.isList("text") || !input.has("target")) {
        RespondApiError(response, 400, "Invalid request: \"text\" (a string) and \"target\" are required");
        return std::nullopt;
    }
    TranslateCall call;
    call.request.text = input.text("text");
    if (CharacterCount(call.request.text) > context.charLimit) {
        RespondApiError(response, 400, "Invalid request: the text is longer than " + std::to_string(context.charLimit) + " characters");
        return std::nullopt;
    }
    const std::string target = input.text("target");
    call.request.target = ApiLanguage(target);
    call.request.targetAsSent = std::string(call.request.target ? call.request.target->code : "");
    const std::string source = input.has("source") ? input.text("source") : "auto";
    if (source == "auto") {
        const auto detected = DetectApiLanguages(call.request.text);
        call.request.source = detected.empty() ? nullptr : detected.front().language;
        if (!call.request.source) {
            RespondApiError(response, 400, "Cannot tell the language of the text: give \"source\"");
            return std::nullopt;
        }
    } else {
        call.request.source = ApiLanguage(source);
    }
    if (!call.request.source || !call.request.target) {
        RespondApiError(response, 400, (call.request.source ? target : source) + " is not a supported language");
        return std::nullopt;
    }
    if (input.has("engines")) {
        const bool all = !input.isList("engines") && input.text("engines") == "all";
        call.selection.mode = all ? EngineSelection::Mode::All : EngineSelection::Mode::Named;
        if (!all)
            call.selection.ids = input.values("engines");
        if (!all && call.selection.ids.empty()) {
            RespondApiError(response, 400, "Invalid request: \"engines\" is an empty list");
            return std::nullopt;
        }
    }
    return call;
}

void streamTranslation(const ApiContext& context, TranslateCall call, web::Response& response)
{
    response.set_header("Cache-Control", "no-cache");
    response.set_header("X-Accel-Buffering", "no"); // a proxy in front must not hold the pieces
    response.set_stream([&context, call = std::move(call)](web::StreamWriter& out) {
        context.engines.translate(
            call.request, call.selection,
            [&out](const std::string& engine, std::string_view piece) {
                out.write(event("delta", {{QStringLiteral("engine"), JsonString(engine)}, {QStringLiteral("text"), JsonString(piece)}}));
            },
            [&out](const EngineOutcome& outcome) { out.write(event("done", outcomeJson(outcome))); });
        out.write(event("end", {{QStringLiteral("source"), openCode(*call.request.source)}}));
    }, "text/event-stream; charset=utf-8");
}

void translate(const ApiContext& context, const web::Request& request, web::Response& response)
{
    const auto input = ReadApiInput(context, request, response);
    if (!input || !CheckKey(context, request, &*input, response))
        return;
    auto call = translateCall(context, *input, response);
    if (!call)
        return;
    if (input->flag("stream"))
        return streamTranslation(context, std::move(*call), response);
    QJsonArray results;
    for (const EngineOutcome& outcome : context.engines.translate(call->request, call->selection, {}, {}))
        results.append(outcomeJson(outcome));
    RespondJson(response, 200, QJsonDocument(QJsonObject{{QStringLiteral("source"), openCode(*call->request.source)},
                                                         {QStringLiteral("results"), results}}));
}

void detect(const ApiContext& context, const web::Request& request, web::Response& response)
{
    const auto input = ReadApiInput(context, request, response);
    if (!input || !CheckKey(context, request, &*input, response))
        return;
    if (!input->has("text") || input->isList("text"))
        return RespondApiError(response, 400, "Invalid request: \"text\" (a string) is required");
    QJsonArray guesses;
    for (const DetectedLanguage& guess : DetectApiLanguages(input->text("text")))
        guesses.append(QJsonObject{{QStringLiteral("language"), openCode(*guess.language)},
                                   {QStringLiteral("confidence"), std::round(guess.confidence * 1000) / 1000}});
    RespondJson(response, 200, QJsonDocument(guesses));
}

bool loopbackAddress(const std::string& address)
{
    return address.starts_with("127.") || address == "::1" || address.starts_with("::ffff:127.");
}

bool mayControlEngines(const ApiContext& context, const web::Request& request, web::Response& response)
{
    if (context.keys.required())
        return CheckKey(context, request, nullptr, response);
    if (loopbackAddress(request.local_addr) && loopbackAddress(request.remote_addr))
        return true;
    RespondApiError(response, 403, "Only a client on this machine, or one with an API key, may change the engines");
    return false;
}

void reloadEngines(const ApiContext& context, const web::Request& request, web::Response& response)
{
    if (!mayControlEngines(context, request, response))
        return;
    const EngineControl::Reload reloaded = context.control->reload();
    if (!reloaded.ok)
        return RespondApiError(response, 500, "The settings were not taken, the engines stay as they were: " + reloaded.error);
    QJsonArray engines;
    for (const std::string& id : reloaded.engines)
        engines.append(JsonString(id));
    RespondJson(response, 200, QJsonDocument(QJsonObject{{QStringLiteral("engines"), engines}}));
}

struct EngineTest {
    std::string engine;
    std::map<std::string, std::string> settings;
    TranslationRequest request;
};

std::optional<EngineTest> engineTest(const QJsonObject& body, web::Response& response)
{
    EngineTest test;
    test.engine = body.value(u"engine").toString().toStdString();
    const QJsonValue settings = body.value(u"settings");
    if (test.engine.empty() || !(settings.isObject() || settings.isUndefined())) {
        RespondApiError(response, 400, "Invalid request: \"engine\" (an id) and \"settings\" (an object) are required");
        return std::nullopt;
    }
    const QJsonObject values = settings.toObject();
    for (auto it = values.begin(); it != values.end(); ++it) {
        const QJsonValue value = it.value();
        test.settings[it.key().toStdString()] =
            value.isString() ? value.toString().toStdString() : value.toVariant().toString().toStdString();
    }
    test.request.text = body.value(u"text").toString(QStringLiteral("今天天气很好。")).toStdString();
    const std::string source = body.value(u"source").toString(QStringLiteral("zh-Hans")).toStdString();
    const std::string target = body.value(u"target").toString(QStringLiteral("en")).toStdString();
    test.request.source = ApiLanguage(source);
    test.request.target = ApiLanguage(target);
    if (!test.request.source || !test.request.target || test.request.text.empty()) {
        RespondApiError(response, 400, "Invalid request: \"text\" is empty or a language is not supported");
        return std::nullopt;
    }
    test.request.targetAsSent = std::string(test.request.target->code);
    return test;
}

void testEngine(const ApiContext& context, const web::Request& request, web::Response& response)
{
    if (!mayControlEngines(context, request, response))
        return;
    if (request.body.size() > context.bodyBytes)
        return RespondApiError(response, 413, "The request is larger than " + std::to_string(context.bodyBytes / 1024) + " KiB");
    const QJsonDocument body = QJsonDocument::fromJson(QByteArray::fromStdString(request.body));
    if (!body.isObject())
        return RespondApiError(response, 400, "Invalid request: the body must be a JSON object");
    const auto test = engineTest(body.object(), response);
    if (!test)
        return;
    RespondJson(response, 200, QJsonDocument(outcomeJson(context.control->test(test->engine, test->settings, test->request))));
}

// A client that lets its user pick a pair ahead of the text calls this on the pick, so the
// first translation does not wait for an engine to start.
void prepare(const ApiContext& context, const web::Request& request, web::Response& response)
{
    const auto input = ReadApiInput(context, request, response);
    if (!input || !CheckKey(context, request, &*input, response))
        return;
    const ServiceLanguage* source = ApiLanguage(input->text("source"));
    const ServiceLanguage* target = ApiLanguage(input->text("target"));
    if (!source || !target)
        return RespondApiError(response, 400, "Invalid request: \"source\" and \"target\" must be supported languages");
    const std::string engine = context.engines.prepare(*source, *target);
    RespondJson(response, 200, QJsonDocument(QJsonObject{{QStringLiteral("engine"),
                                                          engine.empty() ? QJsonValue() : QJsonValue(JsonString(engine))}}));
}

} // namespace

void AddOpenApiRoutes(web::Router& server, const ApiContext& context)
{
    if (context.control) {
        server.Post("/api/v1/engines/reload", [&context](const web::Request& request, web::Response& response, const web::ContentReader&) {
            reloadEngines(context, request, response);
        }, web::Lane::Engine);
        server.Post("/api/v1/engines/test", [&context](const web::Request& request, web::Response& response, const web::ContentReader&) {
            testEngine(context, request, response);
        }, web::Lane::Engine);
    }
    server.Get("/api/v1/engines", [&context](const web::Request& request, web::Response& response) {
        listEngines(context, request, response);
    });
    server.Post("/api/v1/translate", [&context](const web::Request& request, web::Response& response, const web::ContentReader&) {
        translate(context, request, response);
    }, web::Lane::Engine);
    server.Post("/api/v1/detect", [&context](const web::Request& request, web::Response& response, const web::ContentReader&) {
        detect(context, request, response);
    }, web::Lane::Engine); // the first detection loads the n-gram tables
    server.Post("/api/v1/prepare", [&context](const web::Request& request, web::Response& response, const web::ContentReader&) {
        prepare(context, request, response);
    }, web::Lane::Engine); // an engine may ask its server what it covers
}

} // namespace quillo::server
