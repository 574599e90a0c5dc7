#pragma once
// The online update as a flow without widgets: the network check, the version request, the
// judging of the release the version file announces, the download, the checks of what arrived
// (size, hash, signature) and the hand-over to the swap script. A window starts it and shows what
// the signals say: the four steps, the busy state, the download's percentage, the messages to
// give and how the flow ended.
//
// With the window's transport (a TWebRequest with WaitThread on) the calls nest: start()'s
// request runs the version file's completion, which starts the download, whose completion may end
// the flow while the outer calls still wait to return. Each request therefore belongs to the
// stage that made it, and what follows a request looks at the stage first: a flow that has moved
// on, or has been aborted, is left alone.
//
// The stored "version.txt" is replaced only by a version file the program lives by: one naming
// the running version, or the one of the release handed over to the swap (and an empty reply,
// stored as the empty file that has always marked a failed fetch). A release that is refused,
// fails to arrive or fails its checks leaves the earlier file as it was, so the program never
// records a version it does not run, nor shows the notice of a release it turned down.
#include "update/SwapScript.h"
#include "update/VersionInfo.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <array>
#include <atomic>
#include <functional>
#include <optional>

class QIODevice;

namespace quillo {

class UpdateTransport;
enum class OfferVerdict;

struct UpdateSettings
{
    QString programPath;     // the program file to replace; its folder receives "version.txt"
    qint64 programPid = 0;   // the process the swap waits for
    QByteArray publicKey;    // base64 Ed25519 key releases must be signed with; empty for none
    int versionFilePause = 1000;
    QString versionFileUrl;
};

class UpdateSession : public QObject
{
    Q_OBJECT
public:
    enum class Stage { Idle, CheckingNetwork, FetchingInformation, FetchingProgram, Restarting };
    Q_ENUM(Stage)

    // The four steps: 0 network check, 1 version file, 2 program file, 3 restart.
    enum class StepPhase { Idle, Working, Done };
    struct StepState
    {
        StepPhase phase = StepPhase::Idle;
        int value = 0;
        bool percentShown = false;
    };

    // What the user is told; every one but Newest and Restarting is an error.
    enum class Report {
        NoNetwork,
        HostUnreachable,
        TimedOut,
        ServerError,
        InformationFailed,
        Newest,
        Older,
        NoAddress,
        AddressNotWeb,
        HashMissing,
        InsecureTransport,
        DownloadFailed,
        SwapFailed,
        Restarting,
    };
    Q_ENUM(Report)

    // How a flow ended: back to the start (Start may be pressed again), over (the window
    // closes), or handed over to the swap (the application must end).
    enum class Ending { Idle, Closed, Restart };
    Q_ENUM(Ending)

    enum class RequestFailure { HTTPError, HostUnreachable, WaitTimeout };

    explicit UpdateSession(UpdateTransport& transport, QObject* parent = nullptr);

    // Starts the swap script; tests put a stand-in here.
    std::function<bool(const SwapPlan&)> startSwap = StartSwapScript;

    void start(const UpdateSettings& settings);
    // Stops a running request; nothing of this flow reports any more.
    void abort();
    Stage stage() const { return m_stage; }

    bool startSwapBatch(const UpdateSettings& settings) const;

    // The transport's events: on the GUI thread, except requestRedirected, which any thread may
    // call.
    void requestProgress(int percentsDone, qint64 dataSize, qint64 bytesRead);
    void requestDone(QIODevice* stream);
    void requestFailed(RequestFailure failure);
    void requestRedirected(const QString& newUrl);

signals:
    void stageChanged(UpdateSession::Stage stage);
    void stepChanged(int step, const UpdateSession::StepState& state);
    void stepsReset();
    void busyChanged(bool busy);
    void downloadProgress(int percentsDone);
    // Shown before the flow goes on: the restart waits until the user has seen its notice.
    void reported(UpdateSession::Report report);
    void finished(UpdateSession::Ending ending);

private:
    enum class Reset { None, Before, After };

    void setStage(Stage stage);
    void setStep(int step, StepPhase phase, int value, bool percentShown = false);
    void setPhase(int step, StepPhase phase);
    void resetSteps();
    void conclude(Report report, Reset reset, Ending ending);
    void runRequest(const QString& url, const QString& outputFile);
    bool requestRunning() const;

    void versionReceived(QIODevice* stream);
    void startDownload();
    void downloadReceived();
    void handOver();
    Report refusalOf(OfferVerdict offer) const;
    bool untrustedHop() const;
    bool storeVersionFile() const;
    QString versionFile() const;
    QString downloadFile() const;

    UpdateTransport& m_transport;
    UpdateSettings m_settings;
    Stage m_stage = Stage::Idle;
    std::array<StepState, 4> m_steps;
    // The version file as it would be stored, and what it announces.
    QByteArray m_versionText;
    VersionInfo m_offer;
    // Whether the running request's end was handled; one that ends without a handler (the
    // connection lost, an output file that cannot be written) is reported after it.
    bool m_settled = true;
    std::optional<Report> m_refusal; // a reply too large, aborted by the progress handler
    int m_shownPercent = -1;         // what the steps show for the running request
    // Set on the worker when a redirection left https and loopback.
    std::atomic<bool> m_untrustedHop = false;
};

} // namespace quillo
