// A chat-completions server that answers every request after a fixed delay, so that what a
// benchmark measures beyond that delay is the cost of whoever stands in front of it.
// usage: bench_llm_standin DELAY_MICROSECONDS; prints "listening on 127.0.0.1:PORT".

#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

int main(int argc, char** argv)
{
    const auto delay = std::chrono::microseconds(argc > 1 ? std::stol(argv[1]) : 1000);
    httplib::Server server;
    server.new_task_queue = [] { return new httplib::ThreadPool(32); };
    server.set_tcp_nodelay(true);
    server.Post("/v1/chat/completions", [delay](const httplib::Request&, httplib::Response& response) {
        std::this_thread::sleep_for(delay);
        response.set_content(R"({"id":"chatcmpl-1","object":"chat.completion","model":"bench","choices":)"
                             R"([{"index":0,"message":{"role":"assistant","content":"The weather is nice today."},)"
                             R"("finish_reason":"stop"}]})",
                             "application/json");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    if (port <= 0)
        return 1;
    std::printf("listening on 127.0.0.1:%d\n", port);
    std::fflush(stdout);
    server.listen_after_bind();
    return 0;
}
