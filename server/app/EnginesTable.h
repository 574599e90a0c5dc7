#pragma once
// `quillo-server engines`: the 13 x 13 table of which engine serves each language pair under
// the same settings the server would start with, so a deployer sees at a glance what works.

#include "server/app/ServerOptions.h"

#include <string>

namespace quillo::server {

class TranslationService;

std::string EnginesTable(const TranslationService& service);
// Prints the table; the process exit code.
int RunEngines(const ServeOptions& options);

} // namespace quillo::server
