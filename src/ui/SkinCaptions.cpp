#include "ui/SkinCaptions.h"

#include <QStringList>

namespace quillo {

namespace {

const QStringList& captionLines()
{
    static const QStringList lines = {
        QStringLiteral("EDIT_UNDO=撤销"),
        QStringLiteral("EDIT_COPY=复制"),
        QStringLiteral("EDIT_CUT=剪切"),
        QStringLiteral("EDIT_PASTE=粘贴"),
        QStringLiteral("EDIT_DELETE=删除"),
        QStringLiteral("EDIT_SELECTALL=全部选定"),
        QStringLiteral("MSG_BTN_YES=是"),
        QStringLiteral("MSG_BTN_NO=否"),
        QStringLiteral("MSG_BTN_OK= 确  定 "),
        QStringLiteral("MSG_BTN_CANCEL=取  消"),
        QStringLiteral("MSG_BTN_ABORT=终  止"),
        QStringLiteral("MSG_BTN_RETRY=重  试"),
        QStringLiteral("MSG_BTN_IGNORE=忽  略"),
        QStringLiteral("MSG_BTN_ALL=全  部"),
        QStringLiteral("MSG_BTN_NOTOALL=全部否"),
        QStringLiteral("MSG_BTN_YESTOALL=全部是"),
        QStringLiteral("MSG_BTN_HELP=帮  助"),
        QStringLiteral("MSG_CAP_WARNING=警 告"),
        QStringLiteral("MSG_CAP_ERROR=错 误"),
        QStringLiteral("MSG_CAP_INFORMATION=信 息"),
        QStringLiteral("MSG_CAP_CONFIRM=确 认"),
    };
    return lines;
}

} // namespace

QString SkinCaption(QStringView key)
{
    for (const QString& line : captionLines()) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (QStringView(line).left(equals) == key)
            return line.mid(equals + 1);
    }
    return {};
}

} // namespace quillo
