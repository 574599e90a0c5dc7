#pragma once
// The language codes of the open API and of the LibreTranslate-compatible routes. Both accept
// every spelling: "zh-Hans" and "zh-Hant" (the open API's own), "zh" and "zt" (LibreTranslate's
// and the program's), the two-letter codes of the rest, in any case. Each answers in its own.

#include "server/base/ServiceLanguages.h"

#include <string>
#include <string_view>

namespace quillo::server {

enum class CodeStyle { Open, LibreTranslate };

// nullptr for a code outside the list ("auto" included: callers handle it first).
const ServiceLanguage* ApiLanguage(std::string_view code);
std::string ApiCode(const ServiceLanguage& language, CodeStyle style);

} // namespace quillo::server
