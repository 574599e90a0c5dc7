#include "sendinfo/FeedbackWindow.h"

#include "core/ProductIdentity.h"
#include "core/ServiceAddresses.h"
#include "http/NetworkState.h"
#include "http/TWebRequest.h"
#include "sendinfo/FeedbackScript.h"
#include "sendinfo/InstallationId.h"
#include "ui/Fun.h"
#include "ui/ScreenCursor.h"
#include "ui/SkinControls.h"
#include "ui/SkinForm.h"
#include "ui/SkinLook.h"

namespace quillo {

namespace {

const QSize kClientSize(501, 268);
constexpr int kMaxMessageLength = 1000;

} // namespace

FeedbackWindow::FeedbackWindow(QWidget* parent)
    : QDialog(parent)
    , m_session(new FeedbackSession(this))
{
    DressSideWindow(this, QStringLiteral("SendUserInfo"), QStringLiteral(" 提 交 信 息 "), kClientSize);
    setFont(SongFont(13));
    createControls();
    request = m_session->request();
    connect(m_session, &FeedbackSession::posting, this, &FeedbackWindow::messagePosting);
    connect(m_session, &FeedbackSession::sent, this, &FeedbackWindow::messageSent);
    connect(m_session, &FeedbackSession::failed, this, &FeedbackWindow::messageFailed);
}

void FeedbackWindow::createControls()
{
    QWidget* client = CreateClientArea(this);
    subjectLabel = NewLabel(client, QStringLiteral("Label1"), QStringLiteral("内容主题："), {18, 20, 65, 13});
    contactLabel = NewLabel(client, QStringLiteral("Label2"), QStringLiteral("联系方式："), {18, 56, 65, 13});
    messageLabel = NewLabel(client, QStringLiteral("Label3"), QStringLiteral("提交内容："), {18, 90, 65, 13});

    subjectEdit = NewEdit(client, QStringLiteral("InfoTitle"), {80, 14, 399, 20});
    contactEdit = NewEdit(client, QStringLiteral("UserEMail"), {80, 50, 399, 20});
    messageText = NewMemo(client, QStringLiteral("InfoText"), {80, 88, 399, 129});
    messageText->setMaxLength(kMaxMessageLength);
    // Tab leaves the message for the buttons instead of typing a tab into it.
    messageText->setTabChangesFocus(true);
    messageText->OnKeyDown = BindHandler(this, &FeedbackWindow::onMessageKeyDown);

    sendButton = NewButton(client, QStringLiteral("SkinButton1"), QStringLiteral("发 送 信 息"), {238, 233, 120, 25});
    closeButton = NewButton(client, QStringLiteral("SkinButton2"), QStringLiteral("关  闭"), {388, 233, 80, 25});
    homePageButton = NewButton(client, QStringLiteral("SkinButton3"), QStringLiteral("访 问 主 页"), {90, 233, 120, 25});
    connect(sendButton, &QPushButton::clicked, this, &FeedbackWindow::onSendClicked);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(homePageButton, &QPushButton::clicked, this, &FeedbackWindow::onHomePageClicked);

    setTabOrder(subjectEdit, contactEdit);
    setTabOrder(contactEdit, messageText);
    setTabOrder(messageText, sendButton);
    setTabOrder(sendButton, closeButton);
    setTabOrder(closeButton, homePageButton);
}

void FeedbackWindow::setMessageBox(TSkinMessage* box)
{
    m_messages.setBox(box);
}

void FeedbackWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    PlaceSideWindow(this, event, parentWidget());
    if (!event->spontaneous())
        onShown();
}

void FeedbackWindow::onShown()
{
    sendButton->setText(QStringLiteral("发 送 信 息"));
    closeButton->setText(QStringLiteral("关  闭"));
    contactEdit->setToolTip(QStringLiteral("请填写E-Mail或其它联系方式，以方便我们与您联系"));
    messageText->setToolTip(QStringLiteral("提交的内容"));
    sendButton->setToolTip(QStringLiteral("将信息发送给我们,我们将予以回复"));
    homePageButton->setToolTip(QStringLiteral("访问Quillo翻译软件的主页"));
}

void FeedbackWindow::onSendClicked()
{
    m_session->send({subjectEdit->text(), contactEdit->text(), messageText->toPlainText()});
}

void FeedbackWindow::onMessageKeyDown(QObject*, int Key, Qt::KeyboardModifiers Shift)
{
    const bool enter = Key == Qt::Key_Return || Key == Qt::Key_Enter;
    if (!enter || !(Shift & (Qt::ControlModifier | Qt::ShiftModifier)))
        return;
    onSendClicked();
    // The key goes on to the message, which breaks the line for Shift+Enter itself; with Ctrl
    // held a Qt text box types nothing, so the break is put in here.
    if (Shift & Qt::ControlModifier)
        messageText->insertPlainText(QStringLiteral("\n"));
}

void FeedbackWindow::onHomePageClicked()
{
    ShellOpen(ProductWebSite());
}

void FeedbackWindow::done(int result)
{
    // The user no longer waits for an answer.
    if (m_session->cancel())
        SetScreenCursor(crDefault);
    QDialog::done(result);
}

void FeedbackWindow::messagePosting()
{
    SetScreenCursor(crAppBusy);
}

void FeedbackWindow::messageSent(const QString& text)
{
    m_messages.information(text);
    accept();
    SetScreenCursor(crDefault);
}

// Refused input leaves the cursor alone: it may belong to a message still on its way.
void FeedbackWindow::messageFailed(FeedbackSession::Failure failure, const QString& text)
{
    m_messages.error(text);
    switch (failure) {
    case FeedbackSession::Failure::EmptyTitle: subjectEdit->setFocus(); break;
    case FeedbackSession::Failure::EmptyText: messageText->setFocus(); break;
    case FeedbackSession::Failure::OffLine: break;
    case FeedbackSession::Failure::Unreachable:
    case FeedbackSession::Failure::ServerError:
    case FeedbackSession::Failure::NotStored: SetScreenCursor(crDefault); break;
    }
}

} // namespace quillo
