#pragma once
// The reply of an OpenAI-compatible chat model asked with "stream": true: server-sent events
// whose data lines each hold a chunk {"choices":[{"delta":{"content":"..."}}]}, ended by
// "data: [DONE]". Bytes are fed as they arrive, cut anywhere; each feed gives the reply's text
// that became complete in them, so it can be passed on at once.

#include <string>
#include <string_view>

namespace quillo::server {

class ChatStream {
public:
    // The new text of the reply in these bytes ("" when they complete no event with content).
    std::string feed(std::string_view bytes);

    bool finished() const { return finished_; } // "[DONE]" arrived
    const std::string& text() const { return text_; }
    // An event's data was not a chunk of that shape (an error object, most likely): its data.
    const std::string& unreadable() const { return unreadable_; }

private:
    void line(std::string_view line, std::string& fresh);
    void dispatch(std::string& fresh);

    std::string pending_; // an incomplete line
    std::string data_;    // the data lines of the event being read
    bool afterCarriageReturn_ = false;
    bool finished_ = false;
    std::string text_;
    std::string unreadable_;
};

} // namespace quillo::server
