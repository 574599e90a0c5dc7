#include "server/base/PipeProcess.h"

#include "server/base/WorkCancel.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quillo::server {

namespace {

using SteadyClock = std::chrono::steady_clock;

// A child that dies must not take the server with it through SIGPIPE on the next write.
void ignoreBrokenPipes()
{
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGPIPE, SIG_IGN); });
}

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

constexpr int kCancelCheckMillis = 250;

int remainingMillis(SteadyClock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - SteadyClock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

class SpawnSetup {
public:
    SpawnSetup(int stdinFd, int stdoutFd)
    {
        posix_spawn_file_actions_init(&actions_);
        posix_spawn_file_actions_adddup2(&actions_, stdinFd, STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions_, stdoutFd, STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions_, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1);
        posix_spawnattr_init(&attributes_);
        sigset_t none;
        sigemptyset(&none);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (int signal : {SIGPIPE, SIGTERM, SIGINT, SIGHUP})
            sigaddset(&defaults, signal);
        posix_spawnattr_setsigmask(&attributes_, &none);
        posix_spawnattr_setsigdefault(&attributes_, &defaults);
        posix_spawnattr_setpgroup(&attributes_, 0);
        posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK
                                                   | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attributes_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    int spawn(pid_t& pid, std::vector<std::string>& argv)
    {
        std::vector<char*> args;
        for (std::string& arg : argv)
            args.push_back(arg.data());
        args.push_back(nullptr);
        return posix_spawnp(&pid, args[0], &actions_, &attributes_, args.data(), environ);
    }

private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};

} // namespace

PipeProcess::PipeProcess(std::vector<std::string> argv) : argv_(std::move(argv))
{
    ignoreBrokenPipes();
}

PipeProcess::~PipeProcess()
{
    stop();
}

bool PipeProcess::start(std::string& error)
{
    stop();
    int input[2];
    int output[2];
    if (pipe2(input, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    if (pipe2(output, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        ::close(input[0]);
        ::close(input[1]);
        return false;
    }
    int spawned = 0;
    {
        SpawnSetup setup(input[0], output[1]);
        spawned = setup.spawn(pid_, argv_);
    }
    ::close(input[0]);
    ::close(output[1]);
    toChild_ = input[1];
    fromChild_ = output[0];
    if (spawned != 0) {
        pid_ = -1;
        closeFd(toChild_);
        closeFd(fromChild_);
        error = "cannot start " + argv_.front() + ": " + std::strerror(spawned);
        return false;
    }
    fcntl(toChild_, F_SETFL, fcntl(toChild_, F_GETFL) | O_NONBLOCK);
    fcntl(fromChild_, F_SETFL, fcntl(fromChild_, F_GETFL) | O_NONBLOCK);
    pending_.clear();
    return true;
}

void PipeProcess::stop()
{
    closeFd(toChild_);
    closeFd(fromChild_);
    if (pid_ > 0) {
        ::kill(-pid_, SIGKILL);
        while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    pid_ = -1;
    pending_.clear();
}

void PipeProcess::closeInput()
{
    closeFd(toChild_);
}

bool PipeProcess::exchange(std::string_view input, std::string_view endMark,
                           std::chrono::milliseconds timeout, size_t maxOutput,
                           std::string& output, std::string& error)
{
    output.clear();
    if (!running()) {
        error = "process not running";
        return false;
    }
    const auto deadline = SteadyClock::now() + timeout;
    auto fail = [&](std::string why) {
        error = std::move(why);
        stop();
        return false;
    };
    std::string received = std::move(pending_);
    pending_.clear();
    size_t written = 0;
    size_t scanned = 0;
    char buffer[16384];
    for (;;) {
        const size_t end = received.find(endMark, scanned);
        if (end != std::string::npos && written < input.size())
            return fail("answer came before the whole input was read");
        if (end != std::string::npos) {
            pending_ = received.substr(end + endMark.size());
            received.resize(end);
            output = std::move(received);
            return true;
        }
        // A mark may straddle two reads.
        scanned = received.size() - std::min(received.size(), endMark.size() - 1);
        if (received.size() > maxOutput)
            return fail("output larger than " + std::to_string(maxOutput) + " bytes");

        pollfd fds[2] = {{fromChild_, POLLIN, 0}, {toChild_, POLLOUT, 0}};
        const nfds_t count = written < input.size() && toChild_ >= 0 ? 2 : 1;
        // Woken now and then to see whether the request was called off (the server stopping).
        const int ready = ::poll(fds, count, std::min(remainingMillis(deadline), kCancelCheckMillis));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return fail(std::string("poll: ") + std::strerror(errno));
        if (WorkCancelled())
            return fail("called off");
        if (ready == 0 && remainingMillis(deadline) > 0)
            continue;
        if (ready == 0)
            return fail("no answer within " + std::to_string(timeout.count()) + " ms");
        if (count == 2 && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP))) {
            const ssize_t n = ::write(toChild_, input.data() + written, input.size() - written);
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return fail(std::string("write: ") + std::strerror(errno));
            if (n > 0)
                written += static_cast<size_t>(n);
        }
        if (fds[0].revents & (POLLIN | POLLERR | POLLHUP)) {
            const ssize_t n = ::read(fromChild_, buffer, sizeof buffer);
            if (n == 0)
                return fail("process ended");
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return fail(std::string("read: ") + std::strerror(errno));
            if (n > 0)
                received.append(buffer, static_cast<size_t>(n));
        }
    }
}

bool PipeProcess::run(std::vector<std::string> argv, std::chrono::milliseconds timeout,
                      std::string& output, std::string& error)
{
    PipeProcess process(std::move(argv));
    if (!process.start(error))
        return false;
    process.closeInput();
    // The end of output stands in for the terminator: read until the child closes it.
    output.clear();
    const auto deadline = SteadyClock::now() + timeout;
    char buffer[8192];
    for (;;) {
        pollfd fd{process.fromChild_, POLLIN, 0};
        const int ready = ::poll(&fd, 1, remainingMillis(deadline));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            error = "no end within " + std::to_string(timeout.count()) + " ms";
            return false;
        }
        const ssize_t n = ::read(process.fromChild_, buffer, sizeof buffer);
        if (n > 0) {
            output.append(buffer, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        break;
    }
    closeFd(process.fromChild_);
    int status = 0;
    while (::waitpid(process.pid_, &status, 0) < 0 && errno == EINTR) {
    }
    process.pid_ = -1;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = process.argv_.front() + " failed";
        return false;
    }
    return true;
}

} // namespace quillo::server
