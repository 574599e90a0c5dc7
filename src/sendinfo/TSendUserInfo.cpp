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
#include "ui/TSkinMessage.h"

#include <QIODevice>
#include <QPointer>

namespace quillo {

namespace {

constexpr int kClientWidth = 501;
constexpr int kClientHeight = 268;
constexpr int kMaxMessageLength = 1000;
constexpr int kPauseBeforePost = 1000;

const char* const kConnectionError = "   计 算 机 连 接 服 务 器 错 误 ，请 稍 后 再 试 。";

} // namespace

TSendUserInfo::TSendUserInfo(QWidget* parent)
    : QDialog(parent)
    , InstallationIdentifier([] { return InstallationId(); })
    , SkinMessage1(new TSkinMessage(this))
{
    setObjectName(QStringLiteral("SendUserInfo"));
    setWindowTitle(QStringLiteral(" 提 交 信 息 "));
    // A tool window without caption buttons: it is left through its own buttons.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFont(SongFont(13));
    ApplySkinLook(this, "form");
    SetClientSize(this, QSize(kClientWidth, kClientHeight));
    CreateControls();
    SetUpWebRequest();
}

void TSendUserInfo::CreateControls()
{
    QWidget* client = CreateClientArea(this);
    const auto place = [](QWidget* control, int left, int top, int width, int height) {
        control->setGeometry(left, top, width, height);
        return control;
    };
    Label1 = new TSkinLabel(QStringLiteral("Label1"), QStringLiteral("内容主题："), client);
    Label2 = new TSkinLabel(QStringLiteral("Label2"), QStringLiteral("联系方式："), client);
    Label3 = new TSkinLabel(QStringLiteral("Label3"), QStringLiteral("提交内容："), client);
    place(Label1, 18, 20, 65, 13);
    place(Label2, 18, 56, 65, 13);
    place(Label3, 18, 90, 65, 13);

    InfoTitle = new TSkinEdit(QStringLiteral("InfoTitle"), client);
    UserEMail = new TSkinEdit(QStringLiteral("UserEMail"), client);
    InfoText = new TSkinMemo(QStringLiteral("InfoText"), client);
    InfoText->setMaxLength(kMaxMessageLength);
    // Tab leaves the message for the buttons instead of typing a tab into it.
    InfoText->setTabChangesFocus(true);
    InfoText->OnKeyDown = [this](QObject*, int key, Qt::KeyboardModifiers shift) { InfoTextKeyDown(key, shift); };
    place(InfoTitle, 80, 14, 399, 20);
    place(UserEMail, 80, 50, 399, 20);
    place(InfoText, 80, 88, 399, 129);

    SkinButton1 = new TSkinButton(QStringLiteral("SkinButton1"), QStringLiteral("发 送 信 息"), client);
    SkinButton2 = new TSkinButton(QStringLiteral("SkinButton2"), QStringLiteral("关  闭"), client);
    SkinButton3 = new TSkinButton(QStringLiteral("SkinButton3"), QStringLiteral("访 问 主 页"), client);
    place(SkinButton1, 238, 233, 120, 25);
    place(SkinButton2, 388, 233, 80, 25);
    place(SkinButton3, 90, 233, 120, 25);
    connect(SkinButton1, &QPushButton::clicked, this, &TSendUserInfo::SkinButton1Click);
    connect(SkinButton2, &QPushButton::clicked, this, &QDialog::reject);
    connect(SkinButton3, &QPushButton::clicked, this, &TSendUserInfo::SkinButton3Click);

    setTabOrder(InfoTitle, UserEMail);
    setTabOrder(UserEMail, InfoText);
    setTabOrder(InfoText, SkinButton1);
    setTabOrder(SkinButton1, SkinButton2);
    setTabOrder(SkinButton2, SkinButton3);
}

void TSendUserInfo::SetUpWebRequest()
{
    WebRequest1 = new TWebRequest(this);
    WebRequest1->setObjectName(QStringLiteral("WebRequest1"));
    WebRequest1->setUseCache(false);
    WebRequest1->setUseCookies(false);
    WebRequest1->setRequestMethod(rmPOST);
    WebRequest1->setWaitThread(false);
    using namespace std::placeholders;
    WebRequest1->OnDone = std::bind(&TSendUserInfo::WebRequest1Done, this, _1, _2, _3, _4);
    WebRequest1->OnHTTPError = std::bind(&TSendUserInfo::WebRequest1HTTPError, this, _1, _2, _3);
    WebRequest1->OnHostUnreachable = std::bind(&TSendUserInfo::WebRequest1HostUnreachable, this, _1);
    WebRequest1->OnConnLost = std::bind(&TSendUserInfo::WebRequest1ConnLost, this, _1, _2, _3, _4, _5);
}

void TSendUserInfo::setMessageBox(TSkinMessage* box)
{
    if (!box || box == SkinMessage1)
        return;
    if (SkinMessage1->parent() == this)
        delete SkinMessage1;
    SkinMessage1 = box;
}

void TSendUserInfo::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    CentreOver(this, parentWidget());
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
    if (InfoTitle->text().isEmpty()) {
        ShowMessage(QStringLiteral("   标 题 不 能 为 空 ，请 输 入 标 题 ！"), true);
        InfoTitle->setFocus();
        return;
    }
    if (InfoText->toPlainText().isEmpty()) {
        ShowMessage(QStringLiteral("   请 输 入 您 要 提 交 的 内 容！"), true);
        InfoText->setFocus();
        return;
    }
    const QString address = ServiceUrl(FeedbackScriptPath());
    if (!InternetGetConnectedState(address)) {
        ShowMessage(QStringLiteral("   计 算 机 没 有 连 接 到 网 络 !"), true);
        return;
    }
    const QByteArray body = FeedbackBody({InfoTitle->text(), UserEMail->text(), InfoText->toPlainText()}, Now(),
                                         InstallationIdentifier());
    if (WebRequest1->Busy())
        return;

    SetScreenCursor(crAppBusy);
    const quint64 thisSend = ++FSendCount;
    const QPointer<TSendUserInfo> alive(this);
    WaitWithMessages(kPauseBeforePost);
    if (!alive)
        return;
    // A later click during the pause posts its own body; the first post to start is the only one.
    if (thisSend != FSendCount)
        return;
    // Closed during the pause: the user no longer waits for an answer, so nothing is sent.
    if (!isVisible()) {
        SetScreenCursor(crDefault);
        return;
    }
    WebRequest1->setURL(address);
    WebRequest1->setPOSTData(body);
    WebRequest1->Read();
}

void TSendUserInfo::InfoTextKeyDown(int key, Qt::KeyboardModifiers shift)
{
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (!enter || !(shift & (Qt::ControlModifier | Qt::ShiftModifier)))
        return;
    SkinButton1Click();
    // The key goes on to the message, which breaks the line for Shift+Enter itself; with Ctrl
    // held a Qt text box types nothing, so the break is put in here.
    if (shift & Qt::ControlModifier)
        InfoText->insertPlainText(QStringLiteral("\n"));
}

void TSendUserInfo::SkinButton3Click()
{
    ShellOpen(ProductWebSite());
}

void TSendUserInfo::WebRequest1Done(QObject*, const QString&, qint64, QIODevice* Stream)
{
    // The stream lives only for this event: it is read before any box is shown.
    const bool accepted = Stream && IsAcceptedReply(Stream->readAll());
    if (!accepted) {
        ReportFailure(QStringLiteral("   提 交 信 息 失 败 ，请 稍 后 再 试 。"));
        return;
    }
    ShowMessage(QStringLiteral("   提 交 信 息 成 功 ，我 们 会 尽 快 回 复 您 。"), false);
    accept();
    SetScreenCursor(crDefault);
}

void TSendUserInfo::WebRequest1HTTPError(QObject*, qint32, QIODevice*)
{
    ReportFailure(QString::fromUtf8(kConnectionError));
}

void TSendUserInfo::WebRequest1HostUnreachable(QObject*)
{
    ReportFailure(QStringLiteral("   计 算 机 不 能 连 接 到 服 务 器 ，请 稍 后 再 试。"));
}

// A reply cut short leaves it open whether the message was stored; the user is told that the
// exchange failed instead of being left under the busy cursor without an answer.
void TSendUserInfo::WebRequest1ConnLost(QObject*, const QString&, qint64, qint64, QIODevice*)
{
    ReportFailure(QString::fromUtf8(kConnectionError));
}

void TSendUserInfo::ReportFailure(const QString& text)
{
    ShowMessage(text, true);
    SetScreenCursor(crDefault);
}

void TSendUserInfo::ShowMessage(const QString& text, bool failure)
{
    SkinMessage1->MessageDlg(text, failure ? mtError : mtInformation, mbOK, 0);
}

} // namespace quillo
