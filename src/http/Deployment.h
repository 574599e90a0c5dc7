#pragma once
// Where the outside services live. One base address serves them all: the environment variable
// QUILLO_SERVICE when set (tests point the program at their own server this way), otherwise the
// address this run settled on (the program's own server), otherwise the address fixed at build time.
#include <QByteArray>
#include <QString>

#include <future>
#include <optional>

namespace quillo {

// Base address without a trailing slash, for example "http://127.0.0.1:8437".
QString ServiceBase();

// The address for the rest of this run when QUILLO_SERVICE is not set. A future, because the
// program's own server may still be starting while the window opens: the first request waits for
// it. An empty result, or no future (the default), means the address fixed at build time.
// Process-wide and not inherited by child processes, unlike the environment variable.
void SetRunServiceBase(std::shared_future<QString> base);

// The base address followed by an absolute path ("/translate_txt").
QString ServiceUrl(const QString& path);

// "http://host:port/": the root address that the WorldLingo loader page names.
QByteArray ServiceRootAddress();

// Host and port of the base address ("127.0.0.1:8437").
QString ServiceHost();

// The product's web site, shown in messages and opened by the web-site commands.
QString ProductWebSite();

// The maker's contact address used in the help text.
QString ProductEmail();

// Whether `host` names this machine: "localhost", a loopback address, or an address of one of
// its interfaces that is up.
bool IsThisMachine(const QString& host);

// Whether `host` is a loopback address (127.0.0.0/8, ::1, ::ffff:127.x.y.z) or "localhost":
// traffic to it never leaves this machine.
bool IsLoopbackHost(const QString& host);

// Whether an interface other than the loopback is up and running.
bool HasActiveNetworkInterface();

// Stands in for the platform's "is this computer on line" question: true when a non-loopback
// interface is up and running, or when the given address names this machine.
bool InternetGetConnectedState(const QString& serverUrl);

// While an answer is set, InternetGetConnectedState gives it without looking at the machine:
// tests make the computer off line this way, which no loopback server can. std::nullopt goes
// back to the machine's own answer. Process-wide.
void SetConnectedStateOverride(std::optional<bool> answer);

} // namespace quillo
