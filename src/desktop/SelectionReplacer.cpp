#include "desktop/SelectionReplacer.h"

#include "desktop/ClipboardLoan.h"

#include <QClipboard>
#include <QGuiApplication>

#include <utility>

namespace quillo {

QString NoSelectionNotice()
{
    return QStringLiteral("没有可替换的选中文字");
}

QString CopiedForPastingNotice()
{
    return QStringLiteral("已复制译文，请粘贴");
}

QString FailedTranslationNotice(const QString& reason)
{
    return QStringLiteral("翻译失败，原文未改动：") + reason.trimmed();
}

QString TypingFailedNotice()
{
    return QStringLiteral("无法输入译文，译文已复制，请粘贴");
}

SelectionReplacer::SelectionReplacer(std::unique_ptr<DesktopTyping> typing, QObject* parent)
    : QObject(parent)
    , Loan(new ClipboardLoan(this))
    , m_typing(std::move(typing))
{
}

SelectionReplacer::~SelectionReplacer() = default;

bool SelectionReplacer::canType() const
{
    return m_typing->available();
}

bool SelectionReplacer::begin(const QString& selection)
{
    m_pending = false;
    if (selection.trimmed().isEmpty()) {
        emit notice(NoSelectionNotice());
        return false;
    }
    if (canType()) {
        // Text selected in some other window than the focused one cannot be typed over.
        const FocusedProgram focused = m_typing->focusedProgram();
        if (!focused.ownsSelection) {
            emit notice(NoSelectionNotice());
            return false;
        }
        m_terminal = focused.terminal;
    }
    m_pending = true;
    return true;
}

void SelectionReplacer::finish(const QString& translation)
{
    if (!std::exchange(m_pending, false))
        return;
    if (!canType()) {
        QGuiApplication::clipboard()->setText(translation, QClipboard::Clipboard);
        emit notice(CopiedForPastingNotice());
        return;
    }
    Loan->lend(translation);
    if (!m_typing->eraseAndPaste(m_terminal)) {
        Loan->keep();
        emit notice(TypingFailedNotice());
        return;
    }
    emit replaced();
}

void SelectionReplacer::fail(const QString& reason)
{
    if (std::exchange(m_pending, false))
        emit notice(FailedTranslationNotice(reason));
}

} // namespace quillo
