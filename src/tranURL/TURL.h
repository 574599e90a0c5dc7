#pragma once
// The web page translation window: the user gives a page address and a language pair, the window
// asks the service for a page-translation identifier and opens the translated page in a browser.
// The program never fetches the page itself. The window closes by itself once the service has
// answered; a transport failure is reported and leaves it open.
#include "ui/SideWindowKit.h"

#include <QByteArray>
#include <QDialog>
#include <memory>

class QIODevice;

namespace quillo {

class AutomatedBrowser;
class TSkinButton;
class TSkinComboBox;
class TSkinEdit;
class TSkinLabel;
class TWebRequest;

class TURL : public QDialog
{
    Q_OBJECT
public:
    explicit TURL(QWidget* parent = nullptr);
    ~TURL() override;

    // The message box every message of the window goes through; the opener hands over its own.
    void setMessageBox(TSkinMessage* box);

    TSkinLabel* SrcLangLabel;
    TSkinComboBox* SourceLanguage2;
    TSkinLabel* TargetLabel;
    TSkinComboBox* TargetLanguage;
    TSkinLabel* Label1;
    TSkinEdit* InfoTitle;
    TSkinButton* SkinButton1;  // start
    TSkinButton* SkinButton2;  // close
    TWebRequest* WebRequest1;

    void SkinButton1Click();
    void SkinButton2Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void ConnectHandlers();

    // Key preview: the window sees every key of its controls first.
    bool FormKeyDown(int key);
    bool InfoTitleKeyDown(int key);

    void WebRequest1Done(QObject* Sender, const QString& ContentType, qint64 FileSize, QIODevice* Stream);
    void WebRequest1HTTPError(QObject* Sender, qint32 ErrorCode, QIODevice* Stream);
    void WebRequest1HostUnreachable(QObject* Sender);
    void WebRequest1WaitTimeoutExpired(QObject* Sender);

    void OpenPage(const QString& address);
    void ShowFailure(const QString& text);

    // The address the running request is for, as UsablePageAddress made it.
    QString FPageAddress;
    QByteArray FSrcLangCode;
    QByteArray FTrgLangCode;
    std::unique_ptr<AutomatedBrowser> FBrowser;
    SideWindowMessages FMessages{this};
};

} // namespace quillo
