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

class FeedbackWindow : public QDialog
{
    Q_OBJECT
public:
    explicit FeedbackWindow(QWidget* parent = nullptr);

    // Every message goes through the message box of the window that opened this one.
    void setMessageBox(TSkinMessage* box);

    FeedbackSession* session() const { return m_session; }

    TSkinLabel* subjectLabel;
    TSkinLabel* contactLabel;
    TSkinLabel* messageLabel;
    TSkinEdit* subjectEdit;
    TSkinEdit* contactEdit;
    TSkinMemo* messageText;
    TSkinButton* sendButton;
    TSkinButton* closeButton;
    TSkinButton* homePageButton;
    TWebRequest* request;  // the session's

    void onShown();
    void onSendClicked();
    void onHomePageClicked();
    void onMessageKeyDown(QObject* Sender, int Key, Qt::KeyboardModifiers Shift);

    // A message still waiting out the pause before its post is not sent once the window closes.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void createControls();
    void messagePosting();
    void messageSent(const QString& text);
    void messageFailed(FeedbackSession::Failure failure, const QString& text);

    FeedbackSession* m_session;
    SideWindowMessages m_messages{this};
};

} // namespace quillo
