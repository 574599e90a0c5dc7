#include "http/LoginInfo.h"

namespace quillo {

QByteArray WriteLoginInfo(const QByteArray& username, const QByteArray& password)
{
    const qsizetype n = username.size() + password.size() + 1;
    if ((username.isEmpty() && password.isEmpty()) || n > 255)
        return {};
    const char key = char(quint8(n) ^ kLoginScramble);
    QByteArray block;
    block.reserve(n + 1);
    block.append(char(n));
    QByteArray body = char(username.size()) + username + password;
    for (char& c : body)
        c ^= key;
    return block + body;
}

bool ReadLoginInfo(const QByteArray& block, QByteArray& username, QByteArray& password)
{
    if (block.isEmpty())
        return false;
    const quint8 n = quint8(block[0]);
    if (n == 0 || block.size() < 1 + n)
        return false;
    const char key = char(n ^ kLoginScramble);
    QByteArray body = block.mid(1, n);
    for (char& c : body)
        c ^= key;
    const quint8 userLength = quint8(body[0]);
    if (userLength > n - 1)
        return false;
    username = body.mid(1, userLength);
    password = body.mid(1 + userLength);
    return true;
}

} // namespace quillo
