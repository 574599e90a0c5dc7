#pragma once
// The default glossary store: one SQLite file.

#include "server/stores/GlossaryStore.h"

namespace quillo::server {

std::unique_ptr<GlossaryStore> OpenSqliteGlossaryStore(const std::string& path, std::string& error);

} // namespace quillo::server
