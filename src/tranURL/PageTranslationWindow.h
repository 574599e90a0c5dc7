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

class PageTranslationWindow : public QDialog
{
    Q_OBJECT
public:
    explicit PageTranslationWindow(QWidget* parent = nullptr);
    ~PageTranslationWindow() override;

    // The message box every message of the window goes through; the opener hands over its own.
    void setMessageBox(TSkinMessage* box);

    TSkinLabel* sourceLanguageLabel;
    TSkinComboBox* sourceList;
    TSkinLabel* targetLanguageLabel;
    TSkinComboBox* targetList;
    TSkinLabel* addressLabel;
    TSkinEdit* addressEdit;
    TSkinButton* translateButton;
    TSkinButton* closeButton;
    TWebRequest* request;

    void onTranslateClicked();
    void onCloseClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void createControls();
    void connectHandlers();

    // Key preview: the window sees every key of its controls first.
    bool onWindowKey(int key);
    bool onAddressKey(int key);

    void onRequestDone(QObject* Sender, const QString& ContentType, qint64 FileSize, QIODevice* Stream);
    void onHttpError(QObject* Sender, qint32 ErrorCode, QIODevice* Stream);
    void onHostUnreachable(QObject* Sender);
    void onWaitTimedOut(QObject* Sender);

    void openPage(const QString& address);
    void showFailure(const QString& text);

    // The address the running request is for, as UsablePageAddress made it.
    QString m_pageAddress;
    QByteArray m_sourceCode;
    QByteArray m_targetCode;
    std::unique_ptr<AutomatedBrowser> m_browser;
    SideWindowMessages m_messages{this};
};

} // namespace quillo
