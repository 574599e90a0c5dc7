#pragma once
// The offline dictionary's place in the registry.

#include <string>

namespace quillo::server {

// Where setup puts CC-CEDICT unless the build says otherwise.
std::string DefaultDictionaryFile();

} // namespace quillo::server
