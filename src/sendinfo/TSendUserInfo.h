#pragma once
// The feedback window: a subject, a way to reach the user and a message, posted to the feedback
// script on the product's web server; the user learns in the message box whether it was stored.
#include <QDateTime>
#include <QDialog>
#include <functional>

class QIODevice;

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

    // Every message goes through the message box of the window that opened this one; until one is
    // handed over (a window created on its own), a box of its own stands in.
    void setMessageBox(TSkinMessage* box);

    // The clock and the installation identifier the message is sent with; tests replace them.
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };
    std::function<QByteArray()> InstallationIdentifier;

    TSkinLabel* Label1;
    TSkinLabel* Label2;
    TSkinLabel* Label3;
    TSkinEdit* InfoTitle;
    TSkinEdit* UserEMail;
    TSkinMemo* InfoText;
    TSkinButton* SkinButton1;  // send
    TSkinButton* SkinButton2;  // close
    TSkinButton* SkinButton3;  // home page
    TWebRequest* WebRequest1;

    void FormShow();
    void SkinButton1Click();
    void SkinButton3Click();
    void InfoTextKeyDown(int key, Qt::KeyboardModifiers shift);

    void WebRequest1Done(QObject* Sender, const QString& ContentType, qint64 FileSize, QIODevice* Stream);
    void WebRequest1HTTPError(QObject* Sender, qint32 ErrorCode, QIODevice* Stream);
    void WebRequest1HostUnreachable(QObject* Sender);
    void WebRequest1ConnLost(QObject* Sender, const QString& ContentType, qint64 FileSize, qint64 BytesRead,
                             QIODevice* Stream);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void SetUpWebRequest();
    void ShowMessage(const QString& text, bool failure);
    // A failed post: the message, then the default cursor again.
    void ReportFailure(const QString& text);

    TSkinMessage* SkinMessage1;
    // Counts the Send clicks; a click waiting out its pause posts only when no later one came.
    quint64 FSendCount = 0;
};

} // namespace quillo
