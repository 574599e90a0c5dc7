#pragma once
// The message box every window shows its messages in: a modal box centred on the screen, its
// caption chosen by the kind of message, its buttons laid out in a fixed order.
#include <QDialog>
#include <QFlags>
#include <QObject>

class QAbstractButton;

namespace quillo {

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn : unsigned {
    mbYes = 1u << 0,
    mbNo = 1u << 1,
    mbOK = 1u << 2,
    mbCancel = 1u << 3,
    mbAbort = 1u << 4,
    mbRetry = 1u << 5,
    mbIgnore = 1u << 6,
    mbAll = 1u << 7,
    mbNoToAll = 1u << 8,
    mbYesToAll = 1u << 9,
    mbHelp = 1u << 10,
};
Q_DECLARE_FLAGS(TMsgDlgButtons, TMsgDlgBtn)
Q_DECLARE_OPERATORS_FOR_FLAGS(TMsgDlgButtons)

// Modal results of the buttons.
enum TModalResult {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
    mrNoToAll = 9,
    mrYesToAll = 10,
};

// Caption of a kind of message; the custom kind takes the application title.
QString MessageCaption(TMsgDlgType type);

// The box itself, for those who need to look at it while it is open (tests, the skin layer).
// Buttons carry object names "mbYes", "mbOK", ...; the text label is "MessageText".
class SkinMessageDialog : public QDialog
{
    Q_OBJECT
public:
    SkinMessageDialog(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, QWidget* parent);

    QAbstractButton* defaultButton() const { return m_default; }
    QAbstractButton* escapeButton() const { return m_escape; }

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QAbstractButton* m_default = nullptr;
    QAbstractButton* m_escape = nullptr;
};

class TSkinMessage : public QObject
{
    Q_OBJECT
public:
    explicit TSkinMessage(QObject* parent = nullptr);

    // Shows the box and returns the modal result of the button pressed. `helpContext` is kept for
    // the callers' sake; there is no help system behind it.
    int MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext) const;
};

} // namespace quillo
