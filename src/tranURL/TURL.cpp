#include "tranURL/TURL.h"

#include "core/CodePage.h"
#include "core/Languages.h"
#include "http/TWebRequest.h"
#include "tranURL/BrowserAutomation.h"
#include "tranURL/PageAddress.h"
#include "translate/ReplyCuts.h"
#include "ui/Fun.h"
#include "ui/ScreenCursor.h"
#include "ui/SkinControls.h"
#include "ui/SkinForm.h"
#include "ui/TSkinMessage.h"

#include <QIODevice>
#include <QKeyEvent>
#include <QScopeGuard>

namespace quillo {

namespace {

constexpr int kWaitTimeout = 30000;
const QSize kClientSize(480, 216);

TSkinLabel* label(const char* name, const QString& caption, QWidget* parent, int x, int y)
{
    auto* control = new TSkinLabel(QString::fromLatin1(name), caption, parent);
    control->move(x, y);
    control->adjustSize();
    return control;
}

TSkinComboBox* languageList(const char* name, int selected, QWidget* parent, int x, int y)
{
    auto* control = new TSkinComboBox(QString::fromLatin1(name), parent);
    control->addItems(LanguageNames());
    control->setCurrentIndex(selected);
    control->setGeometry(x, y, 130, 20);
    return control;
}

TSkinButton* button(const char* name, const QString& caption, QWidget* parent, int x)
{
    auto* control = new TSkinButton(QString::fromLatin1(name), caption, parent);
    control->setGeometry(x, 160, 138, 31);
    return control;
}

bool isEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// A list without a selection leaves the code as it was.
void takeCode(QByteArray& code, int selected)
{
    const QByteArray chosen = WorldLingoCode(selected);
    if (!chosen.isEmpty())
        code = chosen;
}

} // namespace

TURL::TURL(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("URL"));
    setWindowTitle(QStringLiteral("网  页  翻  译"));
    // A tool window whose frame carries no caption buttons: it is left through its own buttons.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    resize(kClientSize);
    CreateControls();
    ConnectHandlers();
}

TURL::~TURL()
{
    // The request goes first, so that none of its events can reach a window half torn down.
    delete WebRequest1;
}

void TURL::CreateControls()
{
    QWidget* client = CreateClientArea(this);

    // Created in tab order: the address box comes first and has the focus when the window opens.
    InfoTitle = new TSkinEdit(QStringLiteral("InfoTitle"), client);
    InfoTitle->setGeometry(19, 108, 432, 20);
    InfoTitle->setText(QStringLiteral("http://"));
    SrcLangLabel = label("SrcLangLabel", QStringLiteral("原文语言："), client, 17, 36);
    SourceLanguage2 = languageList("SourceLanguage2", 0, client, 87, 32);
    TargetLabel = label("TargetLabel", QStringLiteral("译文语言："), client, 249, 36);
    TargetLanguage = languageList("TargetLanguage", 2, client, 319, 32);
    Label1 = label("Label1", QStringLiteral("要翻译网页，请在下方输入网页的地址： "), client, 19, 84);
    SkinButton1 = button("SkinButton1", QStringLiteral("开 始 翻 译"), client, 85);
    SkinButton2 = button("SkinButton2", QStringLiteral("关    闭"), client, 312);

    WebRequest1 = new TWebRequest(this);
    WebRequest1->setObjectName(QStringLiteral("WebRequest1"));
    WebRequest1->setUseCache(false);
    WebRequest1->setUseCookies(false);
    WebRequest1->setWaitTimeout(kWaitTimeout);
    // Read returns at once; the window stays responsive and the events come through the loop.
    WebRequest1->setWaitThread(false);
}

void TURL::ConnectHandlers()
{
    connect(SkinButton1, &QPushButton::clicked, this, &TURL::SkinButton1Click);
    connect(SkinButton2, &QPushButton::clicked, this, &TURL::SkinButton2Click);
    for (QWidget* control : findChildren<QWidget*>())
        control->installEventFilter(this);

    WebRequest1->OnDone = [this](QObject* sender, const QString& type, qint64 size, QIODevice* stream) {
        WebRequest1Done(sender, type, size, stream);
    };
    WebRequest1->OnHTTPError = [this](QObject* sender, qint32 code, QIODevice* stream) {
        WebRequest1HTTPError(sender, code, stream);
    };
    WebRequest1->OnHostUnreachable = [this](QObject* sender) { WebRequest1HostUnreachable(sender); };
    WebRequest1->OnWaitTimeoutExpired = [this](QObject* sender) { WebRequest1WaitTimeoutExpired(sender); };
}

void TURL::setMessageBox(TSkinMessage* box)
{
    FMessageBox = box;
}

// ---- Keys ----

bool TURL::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (FormKeyDown(key))
            return true;
        if (watched == InfoTitle && InfoTitleKeyDown(key))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TURL::keyPressEvent(QKeyEvent* event)
{
    if (!FormKeyDown(event->key()))
        QDialog::keyPressEvent(event);
}

bool TURL::FormKeyDown(int key)
{
    if (key != Qt::Key_Escape)
        return false;
    reject();
    return true;
}

bool TURL::InfoTitleKeyDown(int key)
{
    if (!isEnter(key))
        return false;
    SkinButton1Click();
    return true;
}

void TURL::showEvent(QShowEvent* event)
{
    // The frame of a tool window is not for resizing: the window keeps the size it opens with.
    setFixedSize(size());
    QDialog::showEvent(event);
    if (!event->spontaneous())
        CentreOver(this, parentWidget());
}

// ---- Commands ----

void TURL::SkinButton1Click()
{
    const std::optional<QString> address = UsablePageAddress(InfoTitle->text());
    if (!address) {
        ShowFailure(QStringLiteral("   网 址 无 效 ，请 输 入 以 http:// 或 https:// 开 头 的 网 页 地 址 。"));
        InfoTitle->setFocus();
        return;
    }
    if (WebRequest1->Busy())
        return;
    FPageAddress = *address;
    WebRequest1->setRequestMethod(rmGET);
    WebRequest1->setURL(ObjectAddress());
    if (!WebRequest1->Read())
        return;
    SkinButton1->setEnabled(false);
    SetScreenCursor(crAppBusy);
}

void TURL::SkinButton2Click()
{
    reject();
}

// ---- Request events ----

void TURL::WebRequest1Done(QObject*, const QString&, qint64, QIODevice* Stream)
{
    // Whatever the reply held, the window is done with it.
    const auto finish = qScopeGuard([this] {
        SkinButton1->setEnabled(true);
        SetScreenCursor(crDefault);
        reject();
    });
    const QByteArray pageId = ExtractPageId(ReplyText(Stream->readAll()));
    if (pageId.isEmpty())
        return;
    takeCode(FSrcLangCode, SourceLanguage2->currentIndex());
    takeCode(FTrgLangCode, TargetLanguage->currentIndex());
    OpenPage(FromAnsi(TranslatedPageAddress(pageId, FPageAddress, FSrcLangCode, FTrgLangCode)));
}

void TURL::WebRequest1HTTPError(QObject*, qint32, QIODevice*)
{
    ShowFailure(QStringLiteral("   计算机连接服务器错误，请稍后再试。"));
}

void TURL::WebRequest1HostUnreachable(QObject*)
{
    ShowFailure(QStringLiteral("   计算机不能连接到服务器，请稍后再试。"));
}

void TURL::WebRequest1WaitTimeoutExpired(QObject*)
{
    ShowFailure(QStringLiteral("   计算机连接服务器超时，请稍后再试。"));
}

// The start button stays disabled after a failure; Enter in the address box still tries again.
void TURL::ShowFailure(const QString& text)
{
    if (FMessageBox) {
        FMessageBox->MessageDlg(text, mtError, mbOK, 0);
    } else {
        const TSkinMessage own;
        own.MessageDlg(text, mtError, mbOK, 0);
    }
    SetScreenCursor(crDefault);
}

void TURL::OpenPage(const QString& address)
{
    FBrowser = AutomatedBrowser::Open(address);
    if (!FBrowser)
        ShellOpen(address);
}

} // namespace quillo
