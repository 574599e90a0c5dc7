#pragma once
// What in a page can run, as a browser's HTML5 parser (the same gumbo the service uses) reads
// it: every script element with its text, every event-handler attribute, every javascript:
// address and srcdoc document, one line each in document order. Two pages that give the same
// list run the same code.

#include <string>
#include <string_view>
#include <vector>

namespace quillo::server::testing {

std::vector<std::string> ActiveContent(std::string_view html);

} // namespace quillo::server::testing
