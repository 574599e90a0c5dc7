#pragma once
// The update server's version file: what it announces, how its reply is stored beside the
// program, and which of its download addresses is taken.
#include <QByteArray>
#include <QString>
#include <QStringList>

class QRandomGenerator;

namespace quillo {

// The longest version reply the update window accepts; anything longer is not a version file.
inline constexpr qint64 kMaxVersionFileBytes = 64 * 1024;

struct VersionInfo
{
    QString version;          // [information] version, empty when missing
    qint64 fileSize = 0;      // [information] FileSize, 0 when missing or not a number
    QString sha256;           // [information] SHA256, hex; empty when the server gave none
    QString signature;        // [information] Signature, base64; empty when the server gave none
    QStringList downloadPaths; // [DownLoadPath] values in file order, empty ones left out

    // A missing or unreadable file gives the defaults above.
    static VersionInfo fromFile(const QString& path);
    static VersionInfo fromBytes(const QByteArray& gbkText);
};

// The reply as it is stored: split into lines at CR, LF or CR LF, each line ended by CR LF.
QByteArray VersionFileText(const QByteArray& reply);

// The address to download from: the only entry, or one drawn uniformly from several; empty when
// there is none.
QString ChooseDownloadAddress(const QStringList& entries, QRandomGenerator& random);

} // namespace quillo
