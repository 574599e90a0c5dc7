#pragma once
// The stored form of a user name and password ("LInfo"): a length byte N, then N bytes (the user
// name's length, the user name, the password), each XORed with N ^ kLoginScramble. It only keeps
// the two out of plain sight; it is not encryption.
#include <QByteArray>

namespace quillo {

constexpr quint8 kLoginScramble = 0xA7;

// Empty when both are empty, or when they do not fit the one-byte lengths of the block (storing
// them would corrupt them).
QByteArray WriteLoginInfo(const QByteArray& username, const QByteArray& password);

// False, leaving both untouched, for a block that is short or inconsistent.
bool ReadLoginInfo(const QByteArray& block, QByteArray& username, QByteArray& password);

} // namespace quillo
