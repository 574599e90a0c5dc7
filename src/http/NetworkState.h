#pragma once
// Whether this computer is on line, and whether a host names this machine.
#include <QString>

#include <optional>

namespace quillo {

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
