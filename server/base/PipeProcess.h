#pragma once
// A child process spoken to through its standard input and output, kept running between
// exchanges. The child leads its own process group, so stopping it also stops every process
// of a shell pipeline it started. Writes and reads are interleaved under one deadline, so a
// large input cannot deadlock against a child that is already answering.

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

namespace quillo::server {

class PipeProcess {
public:
    explicit PipeProcess(std::vector<std::string> argv);
    ~PipeProcess();
    PipeProcess(const PipeProcess&) = delete;
    PipeProcess& operator=(const PipeProcess&) = delete;

    bool start(std::string& error);
    bool running() const { return pid_ > 0; }
    void stop();

    // Sends `input`, then reads until `endMark`, which is not returned. On a time-out, an early
    // end of output, an end mark before the whole input was taken, or more than `maxOutput`
    // bytes the child is stopped (a later start() gives a fresh one) and false comes back with
    // the reason.
    bool exchange(std::string_view input, std::string_view endMark, std::chrono::milliseconds timeout,
                  size_t maxOutput, std::string& output, std::string& error);
    bool exchange(std::string_view input, char terminator, std::chrono::milliseconds timeout,
                  size_t maxOutput, std::string& output, std::string& error)
    {
        return exchange(input, std::string_view(&terminator, 1), timeout, maxOutput, output, error);
    }

    // Runs a command to its end with empty input and collects its output.
    static bool run(std::vector<std::string> argv, std::chrono::milliseconds timeout,
                    std::string& output, std::string& error);

private:
    void closeInput();

    std::vector<std::string> argv_;
    pid_t pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
    std::string pending_; // output that arrived after a terminator
};

} // namespace quillo::server
