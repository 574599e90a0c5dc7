#include "ui/SkinLook.h"

#include "ui/SkinCaptions.h"
#include "ui/SkinForm.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace quillo {

static SkinLookHook& installedHook()
{
    static SkinLookHook hook;
    return hook;
}

void SetSkinLookHook(SkinLookHook hook)
{
    installedHook() = std::move(hook);
}

void ApplySkinLook(QWidget* control, const char* skinDataName)
{
    control->setProperty("SkinDataName", QString::fromLatin1(skinDataName));
    if (qstrcmp(skinDataName, "form") == 0)
        AttachSkinForm(control);
    if (const SkinLookHook& hook = installedHook())
        hook(control, skinDataName);
}

QFont SongFont(int pixelSize, bool bold)
{
    QFont font;
    // Windows names the face "宋体" or "SimSun"; elsewhere the Noto Song faces carry the same
    // characters, and the sans face is the last resort before boxes.
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(pixelSize);
    if (bold) {
        font.setStyleName(QStringLiteral("Regular"));
        font.setBold(true);
    }
    return font;
}

bool IsSongFace(const QString& name)
{
    return name.isEmpty() || name == QStringLiteral("宋体") || name.compare(QStringLiteral("SimSun"), Qt::CaseInsensitive) == 0;
}

void LocalizeEditMenu(QMenu* menu)
{
    struct Caption
    {
        const char* action;
        const char* key;
    };
    // Object names Qt gives the actions of its standard edit menus.
    static const Caption captions[] = {
        {"edit-undo", "EDIT_UNDO"},   {"edit-cut", "EDIT_CUT"},     {"edit-copy", "EDIT_COPY"},
        {"edit-paste", "EDIT_PASTE"}, {"edit-delete", "EDIT_DELETE"}, {"select-all", "EDIT_SELECTALL"},
    };
    const auto actions = menu->actions();
    for (QAction* action : actions) {
        if (action->objectName() == QLatin1String("edit-redo")) {
            // The caption table has no redo; the edit menus of the platform never had one.
            action->setVisible(false);
            continue;
        }
        for (const Caption& caption : captions) {
            if (action->objectName() != QLatin1String(caption.action))
                continue;
            // Keep the shortcut Qt writes after a tab.
            const QString text = action->text();
            const qsizetype tab = text.indexOf(QLatin1Char('\t'));
            action->setText(SkinCaption(QString::fromLatin1(caption.key)) + (tab < 0 ? QString() : text.mid(tab)));
        }
    }
}

void SetHintHidePause(QWidget* root, int milliseconds)
{
    root->setToolTipDuration(milliseconds);
    const auto children = root->findChildren<QWidget*>();
    for (QWidget* child : children)
        child->setToolTipDuration(milliseconds);
}

} // namespace quillo
