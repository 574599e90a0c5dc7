#pragma once
// The glossary in PostgreSQL, for a deployment of several instances.

#include "server/stores/GlossaryStore.h"

namespace quillo::server {

std::unique_ptr<GlossaryStore> OpenPostgresGlossaryStore(const std::string& address, std::string& error);

} // namespace quillo::server
