#pragma once
// Chat models sometimes wrap a translation: a reasoning block before it, a "Here is the
// translation:" line, quotation marks or a code fence around it. These are taken off only
// where the reply's shape leaves no doubt and the source text had no such thing itself.

#include <string>
#include <string_view>

namespace quillo::server {

std::string CleanModelReply(std::string_view reply, std::string_view source);

} // namespace quillo::server
