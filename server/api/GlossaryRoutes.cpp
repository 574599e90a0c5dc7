#include "server/api/GlossaryRoutes.h"

#include "server/api/ApiContext.h"
#include "server/api/ApiInput.h"
#include "server/api/ApiLanguages.h"
#include "server/base/Log.h"
#include "server/net/HttpSupport.h"
#include "server/net/Router.h"
#include "server/stores/GlossaryStore.h"

#include <QJsonArray>
#include <QJsonObject>

namespace quillo::server {

namespace {

// DeepL takes entries of up to 1024 bytes; a term longer than a phrase is no term.
constexpr size_t kTermCharacters = 300;
constexpr size_t kNoteCharacters = 1000;

void storeFailed(web::Response& response, const std::string& error)
{
    LogError("glossary: " + error);
    RespondApiError(response, 500, "The glossary cannot be read or written now");
}

// The pair's codes in the API's own spelling ("zh" -> "zh-Hans"), or false after answering 400.
bool pairCodes(const ApiInput& input, std::string& source, std::string& target, web::Response& response)
{
    const ServiceLanguage* from = ApiLanguage(input.text("source"));
    const ServiceLanguage* to = ApiLanguage(input.text("target"));
    if (!from || !to) {
        RespondApiError(response, 400, (from ? input.text("target") : input.text("source")) + " is not a supported language");
        return false;
    }
    if (from == to) {
        RespondApiError(response, 400, "Invalid request: \"source\" and \"target\" are the same language");
        return false;
    }
    source = ApiCode(*from, CodeStyle::Open);
    target = ApiCode(*to, CodeStyle::Open);
    return true;
}

void list(const ApiContext& context, GlossaryStore& store, const web::Request& request, web::Response& response)
{
    std::string error;
    const auto query = ApiInput::parse("application/x-www-form-urlencoded", std::string(RawQuery(request)), error);
    if (!query)
        return RespondApiError(response, 400, "Invalid request: " + error);
    if (!CheckKey(context, request, &*query, response))
        return;
    std::string source, target;
    if (query->has("source") != query->has("target"))
        return RespondApiError(response, 400, "Invalid request: \"source\" and \"target\" go together");
    if (query->has("source") && !pairCodes(*query, source, target, response))
        return;
    std::vector<GlossaryEntry> entries;
    if (store.list(source, target, entries, error) != GlossaryStore::Outcome::Done)
        return storeFailed(response, error);
    QJsonArray json;
    for (const GlossaryEntry& entry : entries)
        json.append(GlossaryEntryJson(entry));
    RespondJson(response, 200, QJsonDocument(json));
}

void add(const ApiContext& context, GlossaryStore& store, const web::Request& request, web::Response& response)
{
    const auto input = ReadApiInput(context, request, response);
    if (!input || !CheckKey(context, request, &*input, response))
        return;
    for (const char* field : {"source", "target", "term", "translation"}) {
        if (input->text(field).empty() || input->isList(field))
            return RespondApiError(response, 400, std::string("Invalid request: \"") + field + "\" (a string) is required");
    }
    GlossaryEntry entry;
    if (!pairCodes(*input, entry.source, entry.target, response))
        return;
    entry.term = input->text("term");
    entry.translation = input->text("translation");
    entry.note = input->text("note");
    if (CharacterCount(entry.term) > kTermCharacters || CharacterCount(entry.translation) > kTermCharacters
        || CharacterCount(entry.note) > kNoteCharacters)
        return RespondApiError(response, 400, "Invalid request: a term or its translation is longer than "
                                                  + std::to_string(kTermCharacters) + " characters, or its note than "
                                                  + std::to_string(kNoteCharacters));
    bool replaced = false;
    std::string error;
    if (store.add(entry, replaced, error) != GlossaryStore::Outcome::Done)
        return storeFailed(response, error);
    RespondJson(response, replaced ? 200 : 201, QJsonDocument(GlossaryEntryJson(entry)));
}

void remove(const ApiContext& context, GlossaryStore& store, const web::Request& request, web::Response& response)
{
    if (!CheckKey(context, request, nullptr, response))
        return;
    std::string error;
    const std::string id = request.matches[1].str();
    if (id.size() > 18)
        return RespondApiError(response, 404, "No glossary entry " + id);
    switch (store.remove(std::stoll(id), error)) {
    case GlossaryStore::Outcome::Done:
        response.status = 204;
        return;
    case GlossaryStore::Outcome::NotFound:
        return RespondApiError(response, 404, "No glossary entry " + id);
    case GlossaryStore::Outcome::Failed:
        return storeFailed(response, error);
    }
}

} // namespace

QJsonObject GlossaryEntryJson(const GlossaryEntry& entry)
{
    return {{QStringLiteral("id"), static_cast<qint64>(entry.id)},
            {QStringLiteral("source"), JsonString(entry.source)},
            {QStringLiteral("target"), JsonString(entry.target)},
            {QStringLiteral("term"), JsonString(entry.term)},
            {QStringLiteral("translation"), JsonString(entry.translation)},
            {QStringLiteral("note"), JsonString(entry.note)}};
}

void AddGlossaryRoutes(web::Router& server, const ApiContext& context, GlossaryStore& store)
{
    server.Get("/api/v1/glossary", [&context, &store](const web::Request& request, web::Response& response) {
        list(context, store, request, response);
    }, web::Lane::Store);
    server.Post("/api/v1/glossary", [&context, &store](const web::Request& request, web::Response& response,
                                                       const web::ContentReader&) {
        add(context, store, request, response);
    }, web::Lane::Store);
    server.Delete("/api/v1/glossary/([0-9]+)", [&context, &store](const web::Request& request, web::Response& response) {
        remove(context, store, request, response);
    }, web::Lane::Store);
}

} // namespace quillo::server
