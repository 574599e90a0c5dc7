#include "sendinfo/InstallationId.h"

#include <QCryptographicHash>
#include <QDir>
#include <QSysInfo>

namespace quillo {

QByteArray InstallationId()
{
    // Hashed, so neither the machine's identity nor the user's name leaves the computer. Some
    // machines (containers among them) have no machine identifier: the host name stands in.
    QByteArray machine = QSysInfo::machineUniqueId();
    if (machine.isEmpty())
        machine = QSysInfo::machineHostName().toUtf8();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(machine);
    hash.addData(QByteArrayView("\n"));
    hash.addData(QDir::homePath().toUtf8());
    return hash.result().toHex().toUpper().left(16);
}

} // namespace quillo
