#include "server/net/HttpServer.h"

#include "server/base/Log.h"
#include "server/base/TextCodec.h"
#include "server/base/WorkCancel.h"

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <algorithm>
#include <array>
#include <atomic>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>

#include <fcntl.h>

namespace quillo::server::web {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = net::ip::tcp;
using Clock = std::chrono::steady_clock;

namespace {

class Session;

constexpr size_t kReplyBytesPerSecond = 32 * 1024;
constexpr size_t kDrainBytes = 1024 * 1024;
constexpr std::chrono::milliseconds kDrainTime{2000};
constexpr std::chrono::milliseconds kAcceptRetry{100};
// Deadlines are checked by one sweep over the connections rather than a timer per connection:
// re-arming a timer at every phase of every request costs more than the request itself. The
// sweep runs only while there are connections, so an idle server sleeps.
constexpr std::chrono::milliseconds kSweep{100};
constexpr size_t kLoggedPathBytes = 200;

void closeOnExec(int fd)
{
    ::fcntl(fd, F_SETFD, FD_CLOEXEC); // the apertium children must not inherit sockets
}

std::string decodedPath(std::string_view target)
{
    const std::string_view path = target.substr(0, target.find('?'));
    return PercentDecode(path, false).value_or(std::string(path));
}

std::string textOf(beast::string_view view)
{
    return std::string(view.data(), view.size());
}

using RequestHeader = http::request_parser<http::string_body>::value_type::header_type;

// Fields a request may carry once: with two, the parts of a chain (proxy, guard, route) could
// each read another one.
std::optional<std::string_view> repeatedSingleField(const RequestHeader& header)
{
    for (const std::string_view name : {"Content-Length", "Host", "Origin", "Sec-Fetch-Site"}) {
        const auto count = std::count_if(header.begin(), header.end(), [name](const auto& field) {
            return beast::iequals(field.name_string(), beast::string_view(name.data(), name.size()));
        });
        if (count > 1)
            return name;
    }
    return std::nullopt;
}

// RFC 9112 6.1 and 6.3: we decode no transfer coding but chunked, and a request whose framing we
// cannot read must not leave its body in the stream to be taken for the next request (the
// refusal closes the connection). The parser itself reads any other coding as "no body".
std::optional<std::string> transferEncodingProblem(const RequestHeader& header)
{
    std::vector<std::string> codings;
    for (const auto& field : header) {
        if (field.name() != http::field::transfer_encoding)
            continue;
        const http::token_list tokens(field.value());
        if (tokens.begin() == tokens.end())
            codings.emplace_back(); // an empty value is no coding we know either
        for (const auto coding : tokens)
            codings.push_back(textOf(coding));
    }
    if (codings.empty())
        return std::nullopt;
    if (header.version() < 11)
        return "Transfer-Encoding in an HTTP/1.0 request";
    if (codings.size() != 1 || !beast::iequals(codings.front(), "chunked"))
        return "Transfer-Encoding other than chunked alone";
    return std::nullopt;
}

} // namespace

std::string StatusSentence(int status)
{
    switch (status) {
    case 403: return "不接受来自其他网站的请求。";
    case 404: return "没有这个地址。";
    case 405: return "不支持这种请求方法。";
    case 408: return "请求发送超时。";
    case 413: return "请求内容过长，服务器不予处理。";
    case 414: return "请求地址过长。";
    case 421: return "请求的主机名不属于本服务器。";
    case 431: return "请求头过长，服务器不予处理。";
    case 503: return "服务器繁忙，请稍后再试。";
    default: return status >= 500 ? "服务器内部错误。" : "请求有误。";
    }
}

// The threads of one lane and how many of its requests are running or queued.
struct LanePool {
    LanePool(size_t threads, size_t waiting) : pool(std::max<size_t>(threads, 1)), capacity(threads + waiting) {}
    net::thread_pool pool;
    std::atomic<size_t> taken{0};
    const size_t capacity;
};

struct HttpServer::State {
    State(const Router& router, ServerLimits limits, Screen screen)
        : router(router), limits(limits), screen(std::move(screen)), contexts(makeContexts(limits.threads)),
          acceptor(*contexts.front()),
          lanes{std::make_unique<LanePool>(limits.outsideThreads, limits.outsideWaiting),
                std::make_unique<LanePool>(limits.engineThreads, limits.engineWaiting),
                std::make_unique<LanePool>(limits.storeThreads, limits.storeWaiting),
                std::make_unique<LanePool>(limits.probeThreads, limits.probeWaiting)}
    {
    }

    // Every lane but the local one, which runs on the connection's loop.
    LanePool& lane(Lane lane) { return *lanes.at(static_cast<size_t>(lane) - 1); }

    // One event loop per thread, each single-threaded: a connection lives on one of them, and
    // no lock or hand-over between threads is needed on its way.
    static std::vector<std::unique_ptr<net::io_context>> makeContexts(size_t count)
    {
        std::vector<std::unique_ptr<net::io_context>> contexts;
        for (size_t i = 0; i < std::max<size_t>(count, 1); ++i)
            contexts.push_back(std::make_unique<net::io_context>(1));
        return contexts;
    }

    void accept();
    void resumeAccepting();
    void beginStop();
    void sweep();
    void armSweep();
    void forEachSession(const std::function<void(const std::shared_ptr<Session>&)>& action);
    size_t sessionCount();

    const Router& router;
    const ServerLimits limits;
    const Screen screen;
    std::vector<std::unique_ptr<net::io_context>> contexts; // the first also runs the acceptor
    std::vector<net::executor_work_guard<net::io_context::executor_type>> keepRunning;
    size_t nextContext = 0;
    tcp::acceptor acceptor;
    net::steady_timer acceptRetry{acceptor.get_executor()};
    net::steady_timer sweepTimer{acceptor.get_executor()};
    Clock::time_point stopDeadline;
    Clock::time_point callOffAt;
    bool calledOff = false;           // on the first loop, with the sweep
    bool sweepArmed = false;          // on the first loop
    std::atomic<bool> cancelled{false}; // what the lanes' routes read through WorkCancelled()
    bool acceptPaused = false; // on the first loop, with the acceptor
    std::array<std::unique_ptr<LanePool>, 4> lanes;
    std::atomic<bool> stopping{false};
    std::atomic<bool> serving{false};
    int port = -1;
    bool loopback = false;
    std::mutex sessionsMutex;
    std::unordered_map<Session*, std::weak_ptr<Session>> sessions;
};

namespace {

// One connection, from accept to close. Everything runs on the connection's loop; `deadline_`
// is the end of whatever phase the connection is in, and the server's sweep enforces it.
class Session : public std::enable_shared_from_this<Session> {
public:
    Session(HttpServer::State& server, tcp::socket socket)
        : server_(server), limits_(server.limits), socket_(std::move(socket))
    {
        beast::error_code ec;
        const auto remote = socket_.remote_endpoint(ec);
        remote_ = ec ? std::string() : remote.address().to_string();
        const auto local = socket_.local_endpoint(ec);
        if (!ec) {
            local_ = local.address().to_string();
            localPort_ = local.port();
        }
    }

    ~Session()
    {
        {
            std::lock_guard lock(server_.sessionsMutex);
            server_.sessions.erase(this);
        }
        if (!server_.stopping)
            server_.resumeAccepting();
    }

    void start()
    {
        bool first = false;
        {
            std::lock_guard lock(server_.sessionsMutex);
            first = server_.sessions.empty();
            server_.sessions.emplace(this, weak_from_this());
        }
        if (first)
            net::post(server_.acceptor.get_executor(), [&server = server_] { server.armSweep(); });
        net::dispatch(socket_.get_executor(), [self = shared_from_this()] { self->awaitRequest(); });
    }

    // Posted at stop(): what has no request in yet ends now, the rest finishes without keep-alive.
    void onStop()
    {
        keepAlive_ = false;
        if (phase_ == Phase::Header)
            return close();
        if (phase_ == Phase::Body && deadline_ > (Clock::now() + limits_.stopReading).time_since_epoch().count())
            arm(limits_.stopReading);
    }

    // Posted when the stop grace is nearly over: a request whose route still runs on a lane is
    // answered now. The route's own answer, when it comes, is dropped.
    void callOff()
    {
        if (phase_ != Phase::Handling || answeredEarly_)
            return;
        answeredEarly_ = true;
        keepAlive_ = false;
        late_.status = 503;
        late_.set_content(StatusSentence(503) + "\nthe server is stopping\n", "text/plain; charset=utf-8");
        reply(late_);
    }

    auto get_executor() { return socket_.get_executor(); }
    Clock::rep deadline() const { return deadline_; }

    // From the sweep: acts only when the deadline it saw is still the connection's.
    void expire(Clock::rep seen)
    {
        if (seen == deadline_)
            onDeadline();
    }

    void close()
    {
        phase_ = Phase::Closed;
        gone_ = true;
        disarm();
        beast::error_code ec;
        socket_.close(ec);
    }

private:
    enum class Phase { Header, Body, Handling, Streaming, Writing, Draining, Closed };

    void arm(std::chrono::milliseconds limit)
    {
        timedOut_ = false;
        deadline_ = (Clock::now() + limit).time_since_epoch().count();
    }

    void disarm() { deadline_ = 0; }

    void onDeadline()
    {
        disarm();
        timedOut_ = true;
        beast::error_code ec;
        switch (phase_) {
        case Phase::Header:
        case Phase::Body:
            socket_.cancel(ec); // the read's handler answers
            break;
        case Phase::Handling:
            break;
        default:
            close();
        }
    }

    // A kept-alive connection waits for its next request under the header's deadline.
    void awaitRequest()
    {
        if (server_.stopping || phase_ == Phase::Closed)
            return close();
        parser_.emplace();
        parser_->header_limit(static_cast<std::uint32_t>(limits_.headerBytes));
        parser_->body_limit(limits_.bodyBytes);
        request_ = Request{};
        response_ = Response{};
        streamDone_ = false;
        readHeader();
    }

    void readHeader()
    {
        phase_ = Phase::Header;
        arm(limits_.header);
        http::async_read_header(socket_, buffer_, *parser_,
                                [self = shared_from_this()](beast::error_code ec, size_t) {
                                    self->onHeader(ec);
                                });
    }

    void onHeader(beast::error_code ec)
    {
        if (ec)
            return onReadFailure(ec);
        const auto& header = parser_->get();
        const auto fields = static_cast<size_t>(std::distance(header.begin(), header.end()));
        if (fields > limits_.headerFields)
            return refuse(431, "more than " + std::to_string(limits_.headerFields) + " header fields");
        if (const auto repeated = repeatedSingleField(header))
            return refuse(400, "more than one " + std::string(*repeated));
        if (const auto problem = transferEncodingProblem(header))
            return refuse(400, *problem);
        if (parser_->content_length() && *parser_->content_length() > limits_.bodyBytes)
            return refuse(413, "request body larger than " + std::to_string(limits_.bodyBytes / 1024) + " KiB");
        phase_ = Phase::Body;
        arm(limits_.body);
        if (parser_->is_done())
            return net::post(socket_.get_executor(), [self = shared_from_this()] { self->handle(); });
        if (beast::iequals(header[http::field::expect], "100-continue"))
            return sendContinue();
        readBody();
    }

    void sendContinue()
    {
        static constexpr std::string_view kContinue = "HTTP/1.1 100 Continue\r\n\r\n";
        net::async_write(socket_, net::buffer(kContinue.data(), kContinue.size()),
                         [self = shared_from_this()](beast::error_code ec, size_t) {
                             if (ec)
                                 return self->close();
                             self->readBody();
                         });
    }

    void readBody()
    {
        http::async_read(socket_, buffer_, *parser_, [self = shared_from_this()](beast::error_code ec, size_t) {
            if (ec)
                return self->onReadFailure(ec);
            self->handle();
        });
    }

    // A request that could not be read whole: answered when the client can still hear it.
    void onReadFailure(beast::error_code ec)
    {
        const bool bodyPhase = phase_ == Phase::Body;
        if (phase_ == Phase::Closed)
            return;
        if (ec == net::error::operation_aborted && timedOut_) {
            if (bodyPhase)
                return refuse(400, "request body incomplete");
            if (!parser_->got_some())
                return close(); // an idle connection, not a request
            return refuse(408, "request header not complete in time");
        }
        if (ec == http::error::header_limit)
            return refuse(431, "request header larger than " + std::to_string(limits_.headerBytes / 1024) + " KiB");
        if (ec == http::error::body_limit)
            return refuse(413, "request body larger than " + std::to_string(limits_.bodyBytes / 1024) + " KiB");
        if (ec == http::error::partial_message && bodyPhase)
            return refuse(400, "request body incomplete"); // half-closed mid-body: it still listens
        if (ec.category() == http::make_error_code(http::error::bad_field).category()
            && ec != http::error::end_of_stream && ec != http::error::partial_message)
            return refuse(400, "malformed request: " + ec.message());
        close(); // the client went away
    }

    void refuse(int status, const std::string& detail)
    {
        response_ = Response{};
        response_.status = status;
        response_.set_content(StatusSentence(status) + "\n" + detail + "\n", "text/plain; charset=utf-8");
        keepAlive_ = false;
        request_.method = "?";
        reply();
    }

    void fillRequest()
    {
        http::request<http::string_body> message = parser_->release();
        request_.method = textOf(message.method_string());
        request_.target = textOf(message.target());
        request_.path = decodedPath(request_.target);
        for (const auto& field : message)
            request_.headers.emplace_back(textOf(field.name_string()), textOf(field.value()));
        request_.body = std::move(message.body());
        request_.remote_addr = remote_;
        request_.local_addr = local_;
        request_.local_port = localPort_;
        keepAlive_ = message.keep_alive() && !server_.stopping;
        http11_ = message.version() >= 11;
    }

    void handle()
    {
        if (phase_ == Phase::Closed)
            return;
        fillRequest();
        phase_ = Phase::Handling;
        disarm();
        if (server_.screen && server_.screen(request_, response_))
            return reply();
        int status = 404;
        const Router::Route* route = server_.router.find(request_, status);
        if (!route) {
            response_.status = status;
            return reply();
        }
        if (route->lane == Lane::Local) {
            run(*route);
            if (response_.stream) // its producer may wait: never on the loop
                return net::post(server_.lane(Lane::Engine).pool, [self = shared_from_this()] { self->produce(); });
            return reply();
        }
        LanePool& lane = server_.lane(route->lane);
        if (lane.taken.fetch_add(1) >= lane.capacity) {
            --lane.taken;
            response_.status = 503;
            return reply();
        }
        net::post(lane.pool, [self = shared_from_this(), route, &lane, work = net::make_work_guard(socket_.get_executor())] {
            const bool streamed = [&] {
                const CancelScope scope(self->server_.cancelled);
                self->run(*route);
                if (!self->response_.stream)
                    return false;
                self->produce();
                return true;
            }();
            --lane.taken;
            if (!streamed)
                net::post(self->socket_.get_executor(), [self] {
                    if (!self->answeredEarly_)
                        self->reply();
                });
        });
    }

    void run(const Router::Route& route)
    {
        try {
            route.handler(request_, response_, ContentReader(request_.body));
        } catch (const std::exception& e) {
            failed(e.what());
        } catch (...) {
            failed("unknown exception");
        }
    }

    void failed(const std::string& what)
    {
        LogError(request_.method + " " + request_.path + ": " + what);
        response_ = Response{};
        response_.status = 500;
    }

    // A writer the producer's thread hands pieces to; each goes to the connection's loop at once.
    class PieceWriter final : public StreamWriter {
    public:
        explicit PieceWriter(std::shared_ptr<Session> session) : session_(std::move(session)) {}
        bool write(std::string piece) override
        {
            if (session_->gone_)
                return false;
            if (!piece.empty()) // an empty chunk would end the body
                net::post(session_->socket_.get_executor(),
                          [session = session_, piece = std::move(piece)]() mutable { session->queuePiece(std::move(piece)); });
            return true;
        }

    private:
        std::shared_ptr<Session> session_;
    };

    // On a pool thread. The header, the pieces and the end are posted to the connection's loop,
    // which runs them in the order they were posted; the producer no longer touches response_.
    void produce()
    {
        StreamProducer producer = std::move(response_.stream);
        response_.stream = nullptr;
        auto self = shared_from_this();
        net::post(socket_.get_executor(), [self] { self->beginStream(); });
        PieceWriter writer(self);
        try {
            producer(writer);
        } catch (const std::exception& e) {
            LogError(request_.method + " " + request_.path + ": stream: " + e.what());
        } catch (...) {
            LogError(request_.method + " " + request_.path + ": stream: unknown exception");
        }
        net::post(socket_.get_executor(), [self] {
            self->streamDone_ = true;
            self->pump();
        });
    }

    // An HTTP/1.0 client gets the pieces as they are and the end of the body by the close.
    void beginStream()
    {
        if (phase_ == Phase::Closed || answeredEarly_)
            return;
        if (server_.stopping)
            keepAlive_ = false;
        chunked_ = http11_ && request_.method != "HEAD";
        keepAlive_ = keepAlive_ && chunked_;
        auto head = std::make_shared<http::response<http::empty_body>>();
        head->version(http11_ ? 11 : 10);
        head->result(static_cast<unsigned>(response_.status));
        for (const auto& [name, value] : response_.headers)
            head->set(name, value);
        head->keep_alive(keepAlive_);
        if (chunked_)
            head->chunked(true);
        LogInfo(remote_ + " " + request_.method + " " + request_.path.substr(0, kLoggedPathBytes) + " "
                + std::to_string(response_.status) + " stream");
        phase_ = Phase::Streaming;
        writing_ = true;
        arm(limits_.reply);
        auto serializer = std::make_shared<http::response_serializer<http::empty_body>>(*head);
        http::async_write_header(socket_, *serializer, [self = shared_from_this(), head, serializer](beast::error_code ec, size_t) {
            self->onPieceWritten(ec);
        });
    }

    void queuePiece(std::string piece)
    {
        if (phase_ == Phase::Closed || request_.method == "HEAD")
            return;
        pending_.push_back(std::move(piece));
        pump();
    }

    // Writes the next piece; while the producer is between pieces no deadline runs (its own
    // limits bound it), and once it is done the body ends.
    void pump()
    {
        if (writing_ || phase_ != Phase::Streaming)
            return;
        auto done = [self = shared_from_this()](beast::error_code ec, size_t) { self->onPieceWritten(ec); };
        if (!pending_.empty()) {
            piece_ = std::move(pending_.front());
            pending_.pop_front();
            writing_ = true;
            arm(limits_.reply);
            if (chunked_)
                return net::async_write(socket_, http::make_chunk(net::buffer(piece_)), std::move(done));
            return net::async_write(socket_, net::buffer(piece_), std::move(done));
        }
        if (!streamDone_)
            return disarm();
        phase_ = Phase::Writing;
        arm(limits_.reply);
        if (!chunked_)
            return onWritten({});
        net::async_write(socket_, http::make_chunk_last(), [self = shared_from_this()](beast::error_code ec, size_t) {
            self->onWritten(ec);
        });
    }

    void onPieceWritten(beast::error_code ec)
    {
        writing_ = false;
        if (ec || phase_ == Phase::Closed)
            return close();
        pump();
    }

    void reply() { reply(response_); }

    void reply(Response& response)
    {
        if (phase_ == Phase::Closed)
            return;
        if (response.status >= 400 && response.body.empty() && response.file.empty())
            response.set_content(StatusSentence(response.status) + "\n", "text/plain; charset=utf-8");
        if (beast::iequals(response.get_header_value("Connection"), "close") || server_.stopping)
            keepAlive_ = false;
        if (!response.file.empty()) {
            http::response<http::file_body> message;
            beast::error_code ec;
            message.body().open(response.file.c_str(), beast::file_mode::scan, ec);
            if (!ec)
                return send(response, std::move(message));
            LogError("cannot open " + response.file + ": " + ec.message());
            response = Response{};
            response.status = 500;
            response.set_content(StatusSentence(500) + "\n", "text/plain; charset=utf-8");
        }
        http::response<http::string_body> message;
        message.body() = std::move(response.body);
        send(response, std::move(message));
    }

    template <class Body>
    void send(const Response& response, http::response<Body> message)
    {
        message.version(11);
        message.result(static_cast<unsigned>(response.status));
        for (const auto& [name, value] : response.headers)
            message.set(name, value);
        message.keep_alive(keepAlive_);
        message.prepare_payload();
        const std::uint64_t size = message.payload_size().value_or(0);
        LogInfo(remote_ + " " + request_.method + " " + request_.path.substr(0, kLoggedPathBytes) + " "
                + std::to_string(response.status) + " " + std::to_string(size));
        phase_ = Phase::Writing;
        arm(limits_.reply + std::chrono::seconds(size / kReplyBytesPerSecond));
        if (request_.method == "HEAD") {
            auto head = std::make_shared<http::response<http::empty_body>>(message.base());
            head->content_length(size);
            return write(head);
        }
        write(std::make_shared<http::response<Body>>(std::move(message)));
    }

    template <class Message>
    void write(std::shared_ptr<Message> message)
    {
        http::async_write(socket_, *message, [self = shared_from_this(), message](beast::error_code ec, size_t) {
            self->onWritten(ec);
        });
    }

    void onWritten(beast::error_code ec)
    {
        if (ec || phase_ == Phase::Closed)
            return close();
        if (keepAlive_)
            return awaitRequest();
        drainThenClose();
    }

    // Closing with unread bytes in the socket would reset the connection, and the client could
    // lose the reply it has not read yet: first say we are done, then read what is still coming
    // for a short while.
    void drainThenClose()
    {
        phase_ = Phase::Draining;
        beast::error_code ec;
        socket_.shutdown(tcp::socket::shutdown_send, ec);
        if (ec)
            return close();
        arm(kDrainTime);
        drain();
    }

    void drain()
    {
        socket_.async_read_some(net::buffer(drainBuffer_), [self = shared_from_this()](beast::error_code ec, size_t n) {
            self->drained_ += n;
            if (ec || self->drained_ > kDrainBytes || self->phase_ != Phase::Draining)
                return self->close();
            self->drain();
        });
    }

    HttpServer::State& server_;
    const ServerLimits& limits_;
    tcp::socket socket_;
    std::atomic<Clock::rep> deadline_{0}; // 0: none
    bool timedOut_ = false;
    Phase phase_ = Phase::Header;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    Request request_;
    Response response_; // written by the route, on a lane's thread while the phase is Handling
    Response late_;     // the answer when the route was called off
    bool answeredEarly_ = false;
    bool keepAlive_ = true;
    bool http11_ = true;
    // A streamed reply: the pieces not yet written, the one being written, and whether more come.
    std::atomic<bool> gone_{false};
    bool chunked_ = false;
    bool writing_ = false;
    bool streamDone_ = false;
    std::deque<std::string> pending_;
    std::string piece_;
    std::array<char, 2048> drainBuffer_{};
    size_t drained_ = 0;
    std::string remote_;
    std::string local_;
    int localPort_ = 0;
};

} // namespace

void HttpServer::State::accept()
{
    if (stopping)
        return;
    if (sessionCount() >= limits.maxConnections) {
        acceptPaused = true; // the backlog holds newcomers until a connection ends
        return;
    }
    net::io_context& context = *contexts[nextContext++ % contexts.size()];
    acceptor.async_accept(context.get_executor(), [this](beast::error_code ec, tcp::socket socket) {
        if (ec == net::error::operation_aborted || stopping)
            return;
        if (ec) { // out of descriptors, most likely: try again shortly rather than spin
            LogWarning("accept: " + ec.message());
            acceptRetry.expires_after(kAcceptRetry);
            acceptRetry.async_wait([this](beast::error_code waitError) {
                if (!waitError)
                    accept();
            });
            return;
        }
        closeOnExec(socket.native_handle());
        beast::error_code ignored;
        socket.set_option(tcp::no_delay(true), ignored); // small replies must not wait for the peer's ACK
        std::make_shared<Session>(*this, std::move(socket))->start();
        accept();
    });
}

void HttpServer::State::resumeAccepting()
{
    net::post(acceptor.get_executor(), [this] {
        if (acceptPaused && !stopping) {
            acceptPaused = false;
            accept();
        }
    });
}

size_t HttpServer::State::sessionCount()
{
    std::lock_guard lock(sessionsMutex);
    return sessions.size();
}

void HttpServer::State::forEachSession(const std::function<void(const std::shared_ptr<Session>&)>& action)
{
    std::vector<std::shared_ptr<Session>> alive;
    {
        std::lock_guard lock(sessionsMutex);
        for (const auto& [key, session] : sessions) {
            if (auto strong = session.lock())
                alive.push_back(std::move(strong));
        }
    }
    for (const auto& session : alive)
        action(session);
}

void HttpServer::State::beginStop()
{
    beast::error_code ignored;
    acceptor.close(ignored);
    acceptRetry.cancel();
    forEachSession([](const std::shared_ptr<Session>& session) {
        net::post(session->get_executor(), [session] { session->onStop(); });
    });
    stopDeadline = Clock::now() + limits.stopGrace;
    callOffAt = stopDeadline - std::min(limits.stopAnswer, limits.stopGrace);
    armSweep();
}

// On the first loop. A sweep that is already coming does the work.
void HttpServer::State::armSweep()
{
    if (!sweepArmed)
        sweep();
}

// Ends the connections whose deadline has passed; once stopping, runs until the last connection
// is gone, and past the stop grace closes whatever is left.
void HttpServer::State::sweep()
{
    const auto now = Clock::now();
    const bool graceOver = stopping && now >= stopDeadline;
    if (stopping && !calledOff && now >= callOffAt) {
        calledOff = true;
        cancelled = true;
        forEachSession([](const std::shared_ptr<Session>& session) {
            net::post(session->get_executor(), [session] { session->callOff(); });
        });
    }
    forEachSession([now, graceOver](const std::shared_ptr<Session>& session) {
        const Clock::rep deadline = session->deadline();
        if (graceOver)
            net::post(session->get_executor(), [session] { session->close(); });
        else if (deadline != 0 && deadline <= now.time_since_epoch().count())
            net::post(session->get_executor(), [session, deadline] { session->expire(deadline); });
    });
    const bool none = sessionCount() == 0;
    sweepArmed = !none;
    if (stopping && none) {
        keepRunning.clear(); // the loops end when their last connection has
        return;
    }
    if (none)
        return; // the next connection arms it again
    sweepTimer.expires_after(kSweep);
    sweepTimer.async_wait([this](beast::error_code ec) {
        if (!ec)
            sweep();
    });
}

HttpServer::HttpServer(const Router& router, ServerLimits limits, Screen screen)
    : state_(std::make_unique<State>(router, limits, std::move(screen)))
{
}

HttpServer::~HttpServer() = default;

bool HttpServer::listen(const std::string& host, int port, std::string& error)
{
    State& s = *state_;
    beast::error_code ec;
    tcp::resolver resolver(*s.contexts.front());
    const auto endpoints = resolver.resolve(host, std::to_string(port), tcp::resolver::passive, ec);
    if (ec || endpoints.empty()) {
        error = "cannot listen on " + host + ":" + std::to_string(port) + ": " + (ec ? ec.message() : "no address");
        return false;
    }
    const tcp::endpoint endpoint = endpoints.begin()->endpoint();
    s.acceptor.open(endpoint.protocol(), ec);
    if (!ec) {
        closeOnExec(s.acceptor.native_handle());
        // Address reuse only: SO_REUSEPORT would let a second server share a port in use.
        s.acceptor.set_option(net::socket_base::reuse_address(true), ec);
    }
    if (!ec)
        s.acceptor.bind(endpoint, ec);
    if (!ec)
        s.acceptor.listen(s.limits.backlog, ec);
    if (ec) {
        error = "cannot listen on " + host + ":" + std::to_string(port) + ": " + ec.message();
        s.acceptor.close(ec);
        return false;
    }
    s.port = s.acceptor.local_endpoint().port();
    s.loopback = endpoint.address().is_loopback();
    return true;
}

int HttpServer::port() const
{
    return state_->port;
}

bool HttpServer::listensOnLoopback() const
{
    return state_->loopback;
}

void HttpServer::run()
{
    State& s = *state_;
    for (const auto& context : s.contexts)
        s.keepRunning.push_back(net::make_work_guard(*context));
    net::post(s.acceptor.get_executor(), [&s] {
        s.accept();
    });
    s.serving = true;
    std::vector<std::thread> threads;
    for (size_t i = 1; i < s.contexts.size(); ++i)
        threads.emplace_back([&s, i] { s.contexts[i]->run(); });
    s.contexts.front()->run();
    for (std::thread& thread : threads)
        thread.join();
    for (const auto& lane : s.lanes)
        lane->pool.join();
    s.serving = false;
}

void HttpServer::stop()
{
    State& s = *state_;
    if (s.stopping.exchange(true))
        return;
    net::post(s.acceptor.get_executor(), [&s] { s.beginStop(); });
}

bool HttpServer::running() const
{
    return state_->serving && !state_->stopping;
}

} // namespace quillo::server::web
