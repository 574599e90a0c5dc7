#include "desktop/SelectionText.h"

#include <QClipboard>
#include <QGuiApplication>

namespace quillo {

QString CurrentSelectionText()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard->supportsSelection()) {
        const QString selected = clipboard->text(QClipboard::Selection).trimmed();
        if (!selected.isEmpty())
            return selected;
    }
    return clipboard->text(QClipboard::Clipboard).trimmed();
}

QString PrimarySelectionText()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard->supportsSelection() ? clipboard->text(QClipboard::Selection).trimmed() : QString();
}

} // namespace quillo
