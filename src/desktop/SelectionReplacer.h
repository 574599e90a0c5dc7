#pragma once
// The selected text of the focused program replaced by its translation. The caller translates;
// this decides whether there is a selection to replace, and puts the translation in its place:
// where keys can be typed into other programs (X11), the translation is lent to the clipboard,
// the selection erased and the clipboard pasted, and the user's clipboard comes back after the
// paste; elsewhere (Wayland) the translation stays on the clipboard for the user to paste.
// Whatever goes wrong is said in a short notice, and then nothing is typed.
#include "desktop/DesktopTyping.h"

#include <QObject>

#include <memory>

namespace quillo {

class ClipboardLoan;

class SelectionReplacer : public QObject
{
    Q_OBJECT
public:
    explicit SelectionReplacer(std::unique_ptr<DesktopTyping> typing, QObject* parent = nullptr);
    ~SelectionReplacer() override;

    // Whether keys can be typed here; without, the translation is only copied.
    bool canType() const;
    // True when `selection` is there to be replaced: the caller translates it and calls
    // finish() or fail(). False after a notice.
    bool begin(const QString& selection);
    void finish(const QString& translation);
    void fail(const QString& reason);

    ClipboardLoan* Loan;

signals:
    void notice(const QString& text);
    // The translation was pasted over the selection.
    void replaced();

private:
    std::unique_ptr<DesktopTyping> m_typing;
    bool m_terminal = false;
    bool m_pending = false;
};

// The notices, as the tray shows them.
QString NoSelectionNotice();
QString CopiedForPastingNotice();
QString FailedTranslationNotice(const QString& reason);
QString TypingFailedNotice();

} // namespace quillo
