// The one place that knows both kinds of glossary store.

#include "server/stores/FeedbackStore.h"
#include "server/stores/GlossaryStore.h"
#include "server/stores/PostgresGlossaryStore.h"
#include "server/stores/SqliteGlossaryStore.h"

namespace quillo::server {

std::unique_ptr<GlossaryStore> GlossaryStore::open(const std::string& location, std::string& error)
{
    if (FeedbackStore::isPostgresAddress(location))
        return OpenPostgresGlossaryStore(location, error);
    return OpenSqliteGlossaryStore(location, error);
}

std::string GlossaryStore::defaultPath(const std::string& dataDirectory)
{
    return dataDirectory + "/glossary.sqlite3";
}

} // namespace quillo::server
