#include "server/app/ClientWatch.h"

#include <fstream>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quillo::server {

namespace {

// Closed on exec, so that the Apertium pipelines this server starts never hold a lock for it.
class LockFile {
public:
    explicit LockFile(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600))
    {
    }
    ~LockFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;

    bool tryExclusive() const { return fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0; }

private:
    int fd_;
};

// The address file names this process on its first line.
bool namesThisProcess(const std::string& path)
{
    std::ifstream file(path);
    long long pid = 0;
    return file >> pid && pid == static_cast<long long>(::getpid());
}

} // namespace

ClientWatch::ClientWatch(std::string folder, std::chrono::milliseconds interval)
    : folder_(std::move(folder))
    , interval_(interval)
    , nextLook_(std::chrono::steady_clock::now() + interval)
{
}

bool ClientWatch::nobodyLeft()
{
    const auto now = std::chrono::steady_clock::now();
    if (now < nextLook_)
        return false;
    nextLook_ = now + interval_;
    return lookNow();
}

bool ClientWatch::lookNow() const
{
    const LockFile joining(folder_ + "/server.lock");
    if (!joining.tryExclusive())
        return false; // a copy is joining or leaving: look again later
    const LockFile clients(folder_ + "/clients.lock");
    if (!clients.tryExclusive())
        return false;
    const std::string address = folder_ + "/server";
    if (namesThisProcess(address))
        ::unlink(address.c_str());
    return true;
}

} // namespace quillo::server
