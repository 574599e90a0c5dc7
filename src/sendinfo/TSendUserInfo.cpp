#include "sendinfo/TSendUserInfo.h"

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

TSendUserInfo::TSendUserInfo(QWidget* parent)
    : QDialog(parent)
    , FSession(new FeedbackSession(this))
{
    DressSideWindow(this, QStringLiteral("SendUserInfo"), QStringLiteral(" 提 交 信 息 "), kClientSize);
    setFont(SongFont(13));
    CreateControls();
    WebRequest1 = FSession->request();
    connect(FSession, &FeedbackSession::posting, this, &TSendUserInfo::messagePosting);
    connect(FSession, &FeedbackSession::sent, this, &TSendUserInfo::messageSent);
    connect(FSession, &FeedbackSession::failed, this, &TSendUserInfo::messageFailed);
}

void TSendUserInfo::CreateControls()
{
    QWidget* client = CreateClientArea(this);
    Label1 = NewLabel(client, QStringLiteral("Label1"), QStringLiteral("内容主题："), {18, 20, 65, 13});
    Label2 = NewLabel(client, QStringLiteral("Label2"), QStringLiteral("联系方式："), {18, 56, 65, 13});
    Label3 = NewLabel(client, QStringLiteral("Label3"), QStringLiteral("提交内容："), {18, 90, 65, 13});

    InfoTitle = NewEdit(client, QStringLiteral("InfoTitle"), {80, 14, 399, 20});
    UserEMail = NewEdit(client, QStringLiteral("UserEMail"), {80, 50, 399, 20});
    InfoText = NewMemo(client, QStringLiteral("InfoText"), {80, 88, 399, 129});
    InfoText->setMaxLength(kMaxMessageLength);
    // Tab leaves the message for the buttons instead of typing a tab into it.
    InfoText->setTabChangesFocus(true);
    InfoText->OnKeyDown = BindHandler(this, &TSendUserInfo::InfoTextKeyDown);

    SkinButton1 = NewButton(client, QStringLiteral("SkinButton1"), QStringLiteral("发 送 信 息"), {238, 233, 120, 25});
    SkinButton2 = NewButton(client, QStringLiteral("SkinButton2"), QStringLiteral("关  闭"), {388, 233, 80, 25});
    SkinButton3 = NewButton(client, QStringLiteral("SkinButton3"), QStringLiteral("访 问 主 页"), {90, 233, 120, 25});
    connect(SkinButton1, &QPushButton::clicked, this, &TSendUserInfo::SkinButton1Click);
    connect(SkinButton2, &QPushButton::clicked, this, &QDialog::reject);
    connect(SkinButton3, &QPushButton::clicked, this, &TSendUserInfo::SkinButton3Click);

    setTabOrder(InfoTitle, UserEMail);
    setTabOrder(UserEMail, InfoText);
    setTabOrder(InfoText, SkinButton1);
    setTabOrder(SkinButton1, SkinButton2);
    setTabOrder(SkinButton2, SkinButton3);
}

void TSendUserInfo::setMessageBox(TSkinMessage* box)
{
    FMessages.setBox(box);
}

void TSendUserInfo::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    PlaceSideWindow(this, event, parentWidget());
    if (!event->spontaneous())
        FormShow();
}

void TSendUserInfo::FormShow()
{
    SkinButton1->setText(QStringLiteral("发 送 信 息"));
    SkinButton2->setText(QStringLiteral("关  闭"));
    UserEMail->setToolTip(QStringLiteral("请填写E-Mail或其它联系方式，以方便我们与您联系"));
    InfoText->setToolTip(QStringLiteral("提交的内容"));
    SkinButton1->setToolTip(QStringLiteral("将信息发送给我们,我们将予以回复"));
    SkinButton3->setToolTip(QStringLiteral("访问Quillo翻译软件的主页"));
}

void TSendUserInfo::SkinButton1Click()
{
    FSession->send({InfoTitle->text(), UserEMail->text(), InfoText->toPlainText()});
}

void TSendUserInfo::InfoTextKeyDown(QObject*, int Key, Qt::KeyboardModifiers Shift)
{
    const bool enter = Key == Qt::Key_Return || Key == Qt::Key_Enter;
    if (!enter || !(Shift & (Qt::ControlModifier | Qt::ShiftModifier)))
        return;
    SkinButton1Click();
    // The key goes on to the message, which breaks the line for Shift+Enter itself; with Ctrl
    // held a Qt text box types nothing, so the break is put in here.
    if (Shift & Qt::ControlModifier)
        InfoText->insertPlainText(QStringLiteral("\n"));
}

void TSendUserInfo::SkinButton3Click()
{
    ShellOpen(ProductWebSite());
}

void TSendUserInfo::done(int result)
{
    // The user no longer waits for an answer.
    if (FSession->cancel())
        SetScreenCursor(crDefault);
    QDialog::done(result);
}

void TSendUserInfo::messagePosting()
{
    SetScreenCursor(crAppBusy);
}

void TSendUserInfo::messageSent(const QString& text)
{
    FMessages.information(text);
    accept();
    SetScreenCursor(crDefault);
}

// Refused input leaves the cursor alone: it may belong to a message still on its way.
void TSendUserInfo::messageFailed(FeedbackSession::Failure failure, const QString& text)
{
    FMessages.error(text);
    switch (failure) {
    case FeedbackSession::Failure::EmptyTitle: InfoTitle->setFocus(); break;
    case FeedbackSession::Failure::EmptyText: InfoText->setFocus(); break;
    case FeedbackSession::Failure::OffLine: break;
    case FeedbackSession::Failure::Unreachable:
    case FeedbackSession::Failure::ServerError:
    case FeedbackSession::Failure::NotStored: SetScreenCursor(crDefault); break;
    }
}

} // namespace quillo
