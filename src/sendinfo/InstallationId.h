#pragma once
// A short identifier of this user on this computer, sent with feedback so that messages from one
// installation can be told apart without saying who sent them.
#include <QByteArray>

namespace quillo {

// Sixteen upper-case hexadecimal digits, the same on every call for the same user and machine.
// Made only of letters and digits, so it travels in a form body without encoding.
QByteArray InstallationId();

} // namespace quillo
