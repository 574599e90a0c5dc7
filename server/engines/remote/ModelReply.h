#pragma once
// Chat models sometimes wrap a translation: a reasoning block before it, a "Here is the
// translation:" line, quotation marks or a code fence around it. These are taken off only
// where the reply's shape leaves no doubt and the source text had no such thing itself.

#include <string>
#include <string_view>

namespace quillo::server {

std::string CleanModelReply(std::string_view reply, std::string_view source);

// The same for a reply that arrives in pieces: a reasoning block at its start is held back and
// dropped, however the pieces cut its tags; everything after it is passed on as it comes.
class ReasoningFilter {
public:
    // What of the reply so far can be shown now.
    std::string feed(std::string_view piece);
    // At the reply's end: what is still held (a block that never closed is the reply after all).
    std::string finish();

private:
    enum class State { Start, InsideBlock, AfterBlock, Passing };
    State state_ = State::Start;
    std::string held_;
};

} // namespace quillo::server
