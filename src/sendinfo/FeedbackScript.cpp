#include "sendinfo/FeedbackScript.h"

#include "core/CodePage.h"
#include "core/ProductIdentity.h"
#include "translate/Encoding.h"

#include <QRegularExpression>
#include <algorithm>

namespace quillo {

namespace {

// The script takes text with CR LF line breaks and shows it as HTML: blanks travel as "&nbsp;"
// and each CR as "<br>", the LF after it staying.
QByteArray MessageField(const QString& text)
{
    QString windowsText = text;
    windowsText.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    windowsText.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    windowsText.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    QByteArray bytes = ToGb18030(windowsText);
    bytes.replace(' ', "&nbsp;");
    bytes.replace('\r', "<br>");
    return FormEncode(bytes);
}

QByteArray TimeField(const QDateTime& now)
{
    QByteArray stamp = now.toString(QStringLiteral("yyyy-MM-dd HH:mm")).toLatin1();
    stamp.replace(' ', "&nbsp;");
    return FormEncode(stamp);
}

} // namespace

QString FeedbackScriptPath()
{
    return QStringLiteral("/translation/feedback/addinfo.asp");
}

QByteArray FeedbackBody(const FeedbackMessage& message, const QDateTime& now, const QByteArray& installationId)
{
    QByteArray contact = ToGb18030(message.contact);
    contact.replace(' ', QByteArray());
    return "user=m4rvo&name=" + ToGb18030(QStringLiteral("Quillo_注册用户_") + ProgramVersion())
        + "&email=" + FormEncode(contact)
        + "&title=" + FormEncode(ToGb18030(message.title))
        + "&text=" + MessageField(message.text)
        + "&image=" "on"
        + "&home=" + installationId
        + "&time=" + TimeField(now);
}

namespace {

QStringList replyLines(const QByteArray& reply)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    return FromAnsi(reply).split(lineBreak);
}

} // namespace

bool IsAcceptedReply(const QByteArray& reply)
{
    const QString accepted = QStringLiteral("留言成功");
    const QStringList lines = replyLines(reply);
    return std::any_of(lines.cbegin(), lines.cend(), [&](const QString& line) {
        return line.compare(accepted, Qt::CaseInsensitive) == 0;
    });
}

QString KeptLocallyLine(const QByteArray& reply)
{
    for (const QString& line : replyLines(reply)) {
        if (line.startsWith(QStringLiteral("留言只保存在")))
            return line;
    }
    return {};
}

} // namespace quillo
