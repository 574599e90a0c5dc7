#include "update/VersionInfo.h"

#include "core/ProfileReader.h"

#include <QRandomGenerator>

namespace quillo {

namespace {

VersionInfo readProfile(const ProfileReader& profile)
{
    const QString information = QStringLiteral("information");
    VersionInfo info;
    info.version = profile.value(information, QStringLiteral("version"));
    bool isNumber = false;
    const qint64 size = profile.value(information, QStringLiteral("FileSize")).toLongLong(&isNumber);
    info.fileSize = isNumber ? size : 0;
    info.sha256 = profile.value(information, QStringLiteral("SHA256"));
    info.signature = profile.value(information, QStringLiteral("Signature"));
    for (const QString& line : profile.sectionLines(QStringLiteral("DownLoadPath"))) {
        const QString address = line.mid(line.indexOf(u'=') + 1);
        if (!address.isEmpty())
            info.downloadPaths << address;
    }
    return info;
}

} // namespace

VersionInfo VersionInfo::fromFile(const QString& path)
{
    return readProfile(ProfileReader::fromFile(path));
}

VersionInfo VersionInfo::fromBytes(const QByteArray& gbkText)
{
    return readProfile(ProfileReader::fromBytes(gbkText));
}

QByteArray VersionFileText(const QByteArray& reply)
{
    QByteArray text;
    text.reserve(reply.size() + reply.size() / 16);
    qsizetype start = 0;
    for (qsizetype i = 0; i < reply.size(); ++i) {
        const char c = reply[i];
        if (c != '\r' && c != '\n')
            continue;
        text += QByteArrayView(reply).sliced(start, i - start);
        text += "\r\n";
        if (c == '\r' && i + 1 < reply.size() && reply[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < reply.size()) {
        text += QByteArrayView(reply).sliced(start);
        text += "\r\n";
    }
    return text;
}

QString ChooseDownloadAddress(const QStringList& entries, QRandomGenerator& random)
{
    if (entries.isEmpty())
        return {};
    if (entries.size() < 2)
        return entries.front();
    return entries.at(static_cast<qsizetype>(random.bounded(static_cast<quint32>(entries.size()))));
}

} // namespace quillo
