#pragma once
// The options that only tell something (--help, --version): answered on standard output before
// anything else starts, so that they work without a display and never reach a running copy.
#include <optional>

namespace quillo {

// The exit status when argv asks for help or the version (after printing the answer); null when
// it asks for neither.
std::optional<int> AnswerInformationOptions(int argc, char** argv);

} // namespace quillo
