#include "ui/SkinCaptions.h"

#include "skins/ResourceStrData.h"

namespace quillo {

const QStringList& SimpleChinaLines()
{
    static const QStringList lines = {
        QStringLiteral("MI_MINCAPTION=最小化(&N)"),
        QStringLiteral("MI_MAXCAPTION=最大化(&X)"),
        QStringLiteral("MI_CLOSECAPTION=关  闭(&C)"),
        QStringLiteral("MI_RESTORECAPTION=恢  复(&R)"),
        QStringLiteral("MI_MINTOTRAYCAPTION=最小化到托盘(&T)"),
        QStringLiteral("MI_ROLLUPCAPTION=卷起"),
        QStringLiteral("MINBUTTON_HINT=最小化"),
        QStringLiteral("MAXBUTTON_HINT=最大化"),
        QStringLiteral("CLOSEBUTTON_HINT=关  闭"),
        QStringLiteral("TRAYBUTTON_HINT=最小化到托盘"),
        QStringLiteral("ROLLUPBUTTON_HINT=卷起"),
        QStringLiteral("MENUBUTTON_HINT=系统菜单"),
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

const TResourceStrData& SimpleChina()
{
    static const TResourceStrData table(SimpleChinaLines());
    return table;
}

QString SkinCaption(const QString& key)
{
    return SimpleChina().value(key);
}

} // namespace quillo
