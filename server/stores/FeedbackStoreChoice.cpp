// The one place that knows both kinds of feedback store, so that neither knows the other.

#include "server/stores/FeedbackStore.h"
#include "server/stores/PostgresFeedbackStore.h"
#include "server/stores/SqliteFeedbackStore.h"

namespace quillo::server {

bool FeedbackStore::isPostgresAddress(const std::string& location)
{
    return location.rfind("postgresql://", 0) == 0 || location.rfind("postgres://", 0) == 0;
}

std::unique_ptr<FeedbackStore> FeedbackStore::open(const std::string& location, Mode mode,
                                                   std::string& error)
{
    if (isPostgresAddress(location))
        return PostgresFeedbackStore::open(location, mode, error);
    return OpenSqliteFeedbackStore(location, mode, error);
}

} // namespace quillo::server
