#pragma once
// The program's own quillo-server.
//
// A program started from the desktop has no QUILLO_SERVICE and usually nothing answering at the
// build's default address. It then runs the quillo-server installed beside it on a free loopback
// port, and every copy of the program that the user runs shares that one server. Three files in
// the runtime folder hold this together:
//
//   server        "PID\nhttp://127.0.0.1:PORT\n" of the running server
//   server.lock   held exclusively while a copy joins or leaves, so those steps never interleave
//   clients.lock  every copy using the server holds a shared lock on it for its whole run; the
//                 kernel drops it when the copy ends, whether it closed or crashed
//
// Leaving, a copy gives up its shared lock and tries for the exclusive one. When it gets it no copy
// is left, and it stops the server, whichever copy started it; otherwise the server stays for the
// others. Copies that were all killed or crashed stop nothing: the server, told the folder with
// --clients-folder, tests the same locks itself every ten seconds, and when no copy holds
// clients.lock it removes its address from `server` (under server.lock, so no copy joins it on its
// way out) and ends. (A server that timed itself out after some idle time would end while a copy
// still relies on it.)
//
// The server's first line (the port) goes to runtime/server.out rather than a pipe: the copy that
// started it may close first, and a pipe without a reader would end the server at its next write.
// Its error channel goes to server.log beside the program's log. It runs in a session of its own,
// so a hang-up or Ctrl+C meant for the copy started from a terminal does not end it under the
// others.
#include <QString>

#include <memory>
#include <mutex>
#include <future>
#include <thread>

namespace quillo {

class ServiceLauncher
{
public:
    struct Setup
    {
        QString serverProgram;
        QString runtimeFolder;
        QString dataFolder;
        QString logFolder;
        int startTimeoutMs = 5000; // for the server's first line
        int lockTimeoutMs = 10000; // for another copy's join or leave to finish
    };
    // quillo-server beside this program; the user's XDG folders.
    static Setup DefaultSetup();

    explicit ServiceLauncher(Setup setup);
    // Leaves.
    ~ServiceLauncher();
    ServiceLauncher(const ServiceLauncher&) = delete;
    ServiceLauncher& operator=(const ServiceLauncher&) = delete;

    // The base address of the shared server, started when none runs; empty when none could be had
    // (the reason is in the log). Bounded by the two time-outs, never longer.
    QString Join();

    // Stops the server when this is the last copy using it. Joining again is not supported.
    void Leave();

    // When QUILLO_SERVICE is not set: the program's requests go to the build's default address if
    // something answers there (a server started by hand or by systemd) or if that address is not on
    // this machine (the deployer's own service); otherwise to the shared server, joined on a thread
    // of its own. The looking starts at LookForThisRun(), which the program calls once its window is
    // on screen, or at the first request that waits for the address, whichever comes first.
    void UseForThisRun();
    void LookForThisRun();

    // The process of the server joined; -1 before joining.
    qint64 ServerPid() const { return m_serverPid; }

private:
    QString start();
    void log(const QString& line) const;

    Setup m_setup;
    std::shared_ptr<std::promise<QString>> m_runAddress;
    std::shared_future<QString> m_runFuture;
    std::once_flag m_looking;
    std::thread m_joining;
    int m_clientLock = -1;
    qint64 m_serverPid = -1;
    qint64 m_startedPid = -1; // our own child, to be reaped
};

// Whether something accepts a TCP connection at the host and port of `base` within `timeoutMs`.
bool AddressAnswers(const QString& base, int timeoutMs);

} // namespace quillo
