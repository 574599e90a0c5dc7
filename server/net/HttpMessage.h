#pragma once
// The request and reply the routes see. Their members carry the names the route code has always
// used (status, body, set_content, get_header_value, matches), so a route is written the same
// whatever network layer sits underneath.

#include <cstdint>
#include <functional>
#include <regex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillo::server::web {

using Headers = std::vector<std::pair<std::string, std::string>>;

struct Request {
    std::string method;
    std::string target; // as sent: path and query, undecoded
    std::string path;   // the target's path, percent-decoded
    Headers headers;
    std::string body;
    std::smatch matches; // the route pattern's groups, over `path`
    std::string remote_addr;
    std::string local_addr;
    int local_port = 0;

    bool has_header(std::string_view name) const;
    // The first field of that name ("" without one).
    std::string get_header_value(std::string_view name) const;
};

// Where a streamed reply's producer writes its pieces. Each piece leaves for the client as soon
// as it is written, never held for the rest.
class StreamWriter {
public:
    virtual ~StreamWriter() = default;
    // False once the client has gone: the producer may stop early.
    virtual bool write(std::string piece) = 0;
};

// Makes a streamed reply's body, on a thread of its own: it may wait on other servers. The reply
// ends when it returns.
using StreamProducer = std::function<void(StreamWriter&)>;

struct Response {
    int status = 200;
    std::string body;
    Headers headers;
    std::string file; // when set, the reply's body is this file, streamed from disk
    StreamProducer stream; // when set, the reply's body is what it writes, sent as it comes

    void set_content(std::string content, std::string_view contentType);
    // The body is read from the file while it is sent; a file that cannot be opened gives 500.
    void set_file_content(std::string path, std::string_view contentType);
    // The body is written by `producer` after the header has gone out (chunked on HTTP/1.1).
    void set_stream(StreamProducer producer, std::string_view contentType);
    void set_header(std::string_view name, std::string_view value);
    std::string get_header_value(std::string_view name) const;
};

// Hands the request body to a receiver in one piece; the network layer has read it whole (under
// its size limit) before the route runs.
class ContentReader {
public:
    using Receiver = std::function<bool(const char* data, size_t length)>;
    explicit ContentReader(const std::string& body) : body_(body) {}
    bool operator()(const Receiver& receiver) const
    {
        return body_.empty() || receiver(body_.data(), body_.size());
    }

private:
    const std::string& body_;
};

bool HeaderNameEquals(std::string_view a, std::string_view b);

} // namespace quillo::server::web
