#include "tranURL/PageTranslationWindow.h"

#include "core/CodePage.h"
#include "core/Languages.h"
#include "http/ServiceRequest.h"
#include "http/TWebRequest.h"
#include "tranURL/BrowserAutomation.h"
#include "tranURL/PageAddress.h"
#include "translate/ReplyCuts.h"
#include "ui/Fun.h"
#include "ui/ScreenCursor.h"
#include "ui/SideWindowKit.h"
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

PageTranslationWindow::PageTranslationWindow(QWidget* parent)
    : QDialog(parent)
{
    DressSideWindow(this, QStringLiteral("URL"), QStringLiteral("网  页  翻  译"), kClientSize);
    createControls();
    connectHandlers();
}

PageTranslationWindow::~PageTranslationWindow()
{
    // The request goes first, so that none of its events can reach a window half torn down.
    delete request;
}

void PageTranslationWindow::createControls()
{
    QWidget* client = CreateClientArea(this);

    // Created in tab order: the address box comes first and has the focus when the window opens.
    addressEdit = NewEdit(client, QStringLiteral("InfoTitle"), {19, 108, 432, 20});
    addressEdit->setText(QStringLiteral("http://"));
    sourceLanguageLabel = NewLabel(client, QStringLiteral("SrcLangLabel"), QStringLiteral("原文语言："), {17, 36, 0, 0});
    sourceList = NewList(client, QStringLiteral("SourceLanguage2"), LanguageNames(), 0, {87, 32, 130, 20});
    targetLanguageLabel = NewLabel(client, QStringLiteral("TargetLabel"), QStringLiteral("译文语言："), {249, 36, 0, 0});
    targetList = NewList(client, QStringLiteral("TargetLanguage"), LanguageNames(), 2, {319, 32, 130, 20});
    addressLabel = NewLabel(client, QStringLiteral("Label1"), QStringLiteral("要翻译网页，请在下方输入网页的地址： "),
                      {19, 84, 0, 0});
    translateButton = NewButton(client, QStringLiteral("SkinButton1"), QStringLiteral("开 始 翻 译"), {85, 160, 138, 31});
    closeButton = NewButton(client, QStringLiteral("SkinButton2"), QStringLiteral("关    闭"), {312, 160, 138, 31});

    // Read returns at once; the window stays responsive and the events come through the loop.
    request = NewServiceRequest(this);
    request->setWaitTimeout(kWaitTimeout);
}

void PageTranslationWindow::connectHandlers()
{
    connect(translateButton, &QPushButton::clicked, this, &PageTranslationWindow::onTranslateClicked);
    connect(closeButton, &QPushButton::clicked, this, &PageTranslationWindow::onCloseClicked);
    for (QWidget* control : findChildren<QWidget*>())
        control->installEventFilter(this);

    request->OnDone = BindHandler(this, &PageTranslationWindow::onRequestDone);
    request->OnHTTPError = BindHandler(this, &PageTranslationWindow::onHttpError);
    request->OnHostUnreachable = BindHandler(this, &PageTranslationWindow::onHostUnreachable);
    request->OnWaitTimeoutExpired = BindHandler(this, &PageTranslationWindow::onWaitTimedOut);
}

void PageTranslationWindow::setMessageBox(TSkinMessage* box)
{
    m_messages.setBox(box);
}

// ---- Keys ----

bool PageTranslationWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (onWindowKey(key))
            return true;
        if (watched == addressEdit && onAddressKey(key))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void PageTranslationWindow::keyPressEvent(QKeyEvent* event)
{
    if (!onWindowKey(event->key()))
        QDialog::keyPressEvent(event);
}

bool PageTranslationWindow::onWindowKey(int key)
{
    if (key != Qt::Key_Escape)
        return false;
    reject();
    return true;
}

bool PageTranslationWindow::onAddressKey(int key)
{
    if (!isEnter(key))
        return false;
    onTranslateClicked();
    return true;
}

void PageTranslationWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    PlaceSideWindow(this, event, parentWidget());
}

// ---- Commands ----

void PageTranslationWindow::onTranslateClicked()
{
    const std::optional<QString> address = UsablePageAddress(addressEdit->text());
    if (!address) {
        showFailure(QStringLiteral("   网 址 无 效 ，请 输 入 以 http:// 或 https:// 开 头 的 网 页 地 址 。"));
        addressEdit->setFocus();
        return;
    }
    if (request->Busy())
        return;
    m_pageAddress = *address;
    request->setRequestMethod(rmGET);
    request->setURL(ObjectAddress());
    if (!request->Read())
        return;
    translateButton->setEnabled(false);
    SetScreenCursor(crAppBusy);
}

void PageTranslationWindow::onCloseClicked()
{
    reject();
}

// ---- Request events ----

void PageTranslationWindow::onRequestDone(QObject*, const QString&, qint64, QIODevice* Stream)
{
    // Whatever the reply held, the window is done with it.
    const auto finish = qScopeGuard([this] {
        translateButton->setEnabled(true);
        SetScreenCursor(crDefault);
        reject();
    });
    const QByteArray pageId = ExtractPageId(ReplyText(Stream->readAll()));
    if (pageId.isEmpty())
        return;
    takeCode(m_sourceCode, sourceList->currentIndex());
    takeCode(m_targetCode, targetList->currentIndex());
    openPage(FromAnsi(TranslatedPageAddress(pageId, m_pageAddress, m_sourceCode, m_targetCode)));
}

void PageTranslationWindow::onHttpError(QObject*, qint32, QIODevice*)
{
    showFailure(QStringLiteral("   计算机连接服务器错误，请稍后再试。"));
}

void PageTranslationWindow::onHostUnreachable(QObject*)
{
    showFailure(QStringLiteral("   计算机不能连接到服务器，请稍后再试。"));
}

void PageTranslationWindow::onWaitTimedOut(QObject*)
{
    showFailure(QStringLiteral("   计算机连接服务器超时，请稍后再试。"));
}

// The start button stays disabled after a failure; Enter in the address box still tries again.
void PageTranslationWindow::showFailure(const QString& text)
{
    m_messages.error(text);
    SetScreenCursor(crDefault);
}

void PageTranslationWindow::openPage(const QString& address)
{
    m_browser = AutomatedBrowser::Open(address);
    if (!m_browser)
        ShellOpen(address);
}

} // namespace quillo
