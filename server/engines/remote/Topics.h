#pragma once
// The 21 topics of the program's topic list arrive as glossary codes "gl1" .. "gl21". Engines
// that take a hint about the subject field get it in English words; "gl1" (一般, general) and
// anything unknown give no hint.

#include <string_view>

namespace quillo::server {

std::string_view TopicDomain(std::string_view code);

} // namespace quillo::server
