#pragma once
// The default feedback store: one SQLite file (WAL journal, synchronous FULL).

#include "server/stores/FeedbackStore.h"

#include <memory>
#include <string>

namespace quillo::server {

// Opens (and in read-write mode creates) the SQLite file at `path`; nullptr with `error` set.
std::unique_ptr<FeedbackStore> OpenSqliteFeedbackStore(const std::string& path, FeedbackStore::Mode mode,
                                                       std::string& error);

} // namespace quillo::server
