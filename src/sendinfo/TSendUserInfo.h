#pragma once
// The feedback window: a subject, a way to reach the user and a message, handed to a
// FeedbackSession that posts them to the feedback script; the window shows in the message box what
// the session reports.
#include "sendinfo/FeedbackSession.h"
#include "ui/SideWindowKit.h"

#include <QDialog>

namespace quillo {

class TSkinButton;
class TSkinEdit;
class TSkinLabel;
class TSkinMemo;
class TSkinMessage;
class TWebRequest;

class TSendUserInfo : public QDialog
{
    Q_OBJECT
public:
    explicit TSendUserInfo(QWidget* parent = nullptr);

    // Every message goes through the message box of the window that opened this one.
    void setMessageBox(TSkinMessage* box);

    FeedbackSession* session() const { return FSession; }

    TSkinLabel* Label1;
    TSkinLabel* Label2;
    TSkinLabel* Label3;
    TSkinEdit* InfoTitle;
    TSkinEdit* UserEMail;
    TSkinMemo* InfoText;
    TSkinButton* SkinButton1;  // send
    TSkinButton* SkinButton2;  // close
    TSkinButton* SkinButton3;  // home page
    TWebRequest* WebRequest1;  // the session's

    void FormShow();
    void SkinButton1Click();
    void SkinButton3Click();
    void InfoTextKeyDown(QObject* Sender, int Key, Qt::KeyboardModifiers Shift);

    // A message still waiting out the pause before its post is not sent once the window closes.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void messagePosting();
    void messageSent(const QString& text);
    void messageFailed(FeedbackSession::Failure failure, const QString& text);

    FeedbackSession* FSession;
    SideWindowMessages FMessages{this};
};

} // namespace quillo
