#pragma once
// The online update window: four steps, each with its progress bar. Start hands the update to
// an UpdateSession, which checks the network, fetches the version file and, when it announces a
// newer release, downloads and checks it and hands over to the swap script; the window shows
// what the session reports. Both requests run through request with WaitThread on, so the
// calls nest: Start's Read runs the version file's completion handler, whose Read runs the
// download's handlers, which may end the application.
//
// The window never sees the main window. The opener hands it the main window's result box (the
// download's progress is written there) and message box; without them the window writes no
// progress and shows its messages in a box of its own.
#include "ui/SideWindowKit.h"
#include "update/UpdateSession.h"

#include <QDialog>

#include <array>
#include <functional>
#include <memory>

class QIODevice;
class QPlainTextEdit;

namespace quillo {

class TSkinButton;
class TSkinGauge;
class TSkinLabel;
class TWebRequest;
class WebRequestTransport;

class UpdateWindow : public QDialog
{
    Q_OBJECT
public:
    explicit UpdateWindow(QWidget* parent = nullptr);
    ~UpdateWindow() override;

    void setResultBox(QPlainTextEdit* memo) { m_resultBox = memo; }
    void setMessageBox(TSkinMessage* box) { m_messages.setBox(box); }

    // What the update acts on, handed to the session at each Start; tests replace them. The
    // program file to replace (its folder also receives "version.txt"), the process the swap
    // waits for, the public key updates must be signed with (base64, empty for none), the pause
    // after receiving the version file, and the last step of a successful update: close the main
    // window and end the application.
    QString programPath;
    qint64 programPid;
    QByteArray updatePublicKey;
    int versionFilePause = 1000;
    std::function<void()> endApplication;

    // One label and one progress bar for each of the four steps, first step first.
    std::array<TSkinLabel*, 4> stepLabels{};
    std::array<TSkinGauge*, 4> stepGauges{};
    TSkinButton* startButton;
    TSkinButton* cancelButton;
    TWebRequest* request;

    void onShown();
    void resetSteps();
    void onStartClicked();
    void onCancelClicked();
    bool startSwapBatch();

    // The address of the version file, fixed when the window is made.
    QString versionFileUrl() const { return m_versionFileUrl; }

    // Cancel's work when the window is closed any other way (Esc, the window manager).
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void createControls();
    void connectHandlers();

    void onRequestProgress(QObject* Sender, const QString& ContentType, qint64 DataSize, qint64 BytesRead,
                             qint32 ElapsedTime, qint32 EstimatedTimeLeft, quint8 PercentsDone, float TransferRate,
                             QIODevice* Stream);
    void onRequestDone(QObject* Sender, const QString& ContentType, qint64 FileSize, QIODevice* Stream);
    void onHttpError(QObject* Sender, qint32 ErrorCode, QIODevice* Stream);
    void onHostUnreachable(QObject* Sender);
    void onWaitTimedOut(QObject* Sender);

    UpdateSettings sessionSettings() const;
    void showStep(int step, const UpdateSession::StepState& state);
    void showDownloadProgress(int percentsDone);
    void showReport(UpdateSession::Report report);
    void sessionFinished(UpdateSession::Ending ending);
    void closeWindow();
    void stopRequest();

    const QWidget* mainWindow() const;
    QString downloadErrorText() const;
    QString reportText(UpdateSession::Report report) const;
    void setGauge(TSkinGauge* gauge, int value, const QString& text);
    void showGaugePercent(TSkinGauge* gauge, bool shown);
    void refreshGaugeText(TSkinGauge* gauge, int value);

    std::array<QString, 4> m_idleTexts;
    std::array<QString, 4> m_doneTexts;
    QString m_versionFileUrl;
    QPlainTextEdit* m_resultBox = nullptr;
    SideWindowMessages m_messages{this};
    std::unique_ptr<WebRequestTransport> m_transport;
    UpdateSession* m_session = nullptr;
};

} // namespace quillo
