#pragma once
#include "http/NetworkState.h"
// Makes the computer on line or off line for the program, whatever its network interfaces say,
// until the end of the scope; a test that stops early still hands the machine's answer back.

namespace quillo::test {

class ScopedConnectedState
{
public:
    explicit ScopedConnectedState(bool connected) { SetConnectedStateOverride(connected); }
    ~ScopedConnectedState() { SetConnectedStateOverride(std::nullopt); }
    ScopedConnectedState(const ScopedConnectedState&) = delete;
    ScopedConnectedState& operator=(const ScopedConnectedState&) = delete;
};

} // namespace quillo::test
