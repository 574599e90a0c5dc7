#pragma once
// The clipboard lent to a paste: the text goes on it, and what the user had there comes back
// once another program has taken the text (or, failing that, after a while), unless the user
// has copied something new meanwhile.
#include <QObject>
#include <QTimer>

class QMimeData;

namespace quillo {

class ClipboardLoan : public QObject
{
    Q_OBJECT
public:
    explicit ClipboardLoan(QObject* parent = nullptr);
    ~ClipboardLoan() override;

    // Puts `text` on the clipboard; a loan still open is returned first.
    void lend(const QString& text);
    bool open() const { return m_previous != nullptr; }
    // Leaves the text on the clipboard for good: nothing pasted it.
    void keep();

signals:
    // The text was asked for by a program.
    void taken();
    // What the user had is back (or the user's own newer copy was left alone).
    void returned();

private:
    void onTaken();
    void giveBack();

    QMimeData* m_previous = nullptr;
    const QMimeData* m_lent = nullptr;
    // A paste may ask for the text more than once (the list of formats, then one of them): the
    // clipboard comes back when the asking has stopped for a moment.
    QTimer m_settle;
    QTimer m_giveUp;
};

} // namespace quillo
