#pragma once
// The glossary of the open API:
//   GET    /api/v1/glossary?source=..&target=..  the terms of a pair (without both: of every pair)
//   POST   /api/v1/glossary  {"source","target","term","translation","note"?}  201 with the entry
//                            (200 when it replaced the pair's entry for that term)
//   DELETE /api/v1/glossary/{id}  204, or 404 when there is no such entry
// Keys as on the rest of the open API.

#include <QJsonObject>

namespace quillo::server {

namespace web {
class Router;
}

struct ApiContext;
class GlossaryStore;
struct GlossaryEntry;

void AddGlossaryRoutes(web::Router& server, const ApiContext& context, GlossaryStore& store);

// An entry as the API shows it: {"id","source","target","term","translation","note"}.
QJsonObject GlossaryEntryJson(const GlossaryEntry& entry);

} // namespace quillo::server
