#include "update/UpdateSession.h"

#include "core/EventWait.h"
#include "core/FileSize.h"
#include "core/ProductIdentity.h"
#include "http/NetworkState.h"
#include "update/ReleaseCheck.h"
#include "update/ReleaseOffer.h"
#include "update/UpdateTransport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QPointer>
#include <QRandomGenerator>
#include <QSaveFile>

#include <utility>

namespace quillo {

namespace {

constexpr int kNetworkStep = 0;
constexpr int kInformationStep = 1;
constexpr int kProgramStep = 2;
constexpr int kRestartStep = 3;

} // namespace

UpdateSession::UpdateSession(UpdateTransport& transport, QObject* parent)
    : QObject(parent)
    , m_transport(transport)
{
}

void UpdateSession::setStage(Stage stage)
{
    if (std::exchange(m_stage, stage) != stage)
        emit stageChanged(stage);
}

void UpdateSession::setStep(int step, StepPhase phase, int value, bool percentShown)
{
    m_steps[size_t(step)] = StepState{phase, value, percentShown};
    emit stepChanged(step, m_steps[size_t(step)]);
}

// A step that changes its phase and keeps the value it shows.
void UpdateSession::setPhase(int step, StepPhase phase)
{
    setStep(step, phase, m_steps[size_t(step)].value);
}

void UpdateSession::resetSteps()
{
    m_steps = {};
    emit stepsReset();
}

// Ends the flow with a message. Whether the steps go back to the start before or after the
// message is part of how each ending looks.
void UpdateSession::conclude(Report report, Reset reset, Ending ending)
{
    setStage(Stage::Idle);
    m_settled = true;
    if (reset == Reset::Before)
        resetSteps();
    emit reported(report);
    if (reset == Reset::After)
        resetSteps();
    emit finished(ending);
}

bool UpdateSession::requestRunning() const
{
    return m_stage == Stage::FetchingInformation || m_stage == Stage::FetchingProgram;
}

// ---------------------------------------------------------------------------------------------
// Start and abort

void UpdateSession::start(const UpdateSettings& settings)
{
    m_settings = settings;
    // Start is offered only with every step at its start.
    m_steps = {};
    setStage(Stage::CheckingNetwork);
    setStep(kNetworkStep, StepPhase::Working, 0);
    if (!InternetGetConnectedState(m_settings.versionFileUrl)) {
        conclude(Report::NoNetwork, Reset::Before, Ending::Idle);
        return;
    }
    setStep(kNetworkStep, StepPhase::Done, 100);
    QCoreApplication::processEvents(); // so that the change is painted
    if (m_stage != Stage::CheckingNetwork) // aborted meanwhile
        return;
    setStage(Stage::FetchingInformation);
    setPhase(kInformationStep, StepPhase::Working);
    if (m_transport.busy()) {
        setStage(Stage::Idle);
        return;
    }
    emit busyChanged(true);
    runRequest(m_settings.versionFileUrl, QString());
}

void UpdateSession::abort()
{
    if (m_transport.busy()) {
        m_transport.abort();
        // Nothing of the aborted request reports any more, so nobody else ends the busy state.
        emit busyChanged(false);
    }
    m_settled = true;
    setStage(Stage::Idle);
}

// Runs one request of the current stage. Its outcome may be handled while get() waits; what no
// handler took care of is reported here, unless the flow has moved on meanwhile.
void UpdateSession::runRequest(const QString& url, const QString& outputFile)
{
    const Stage stage = m_stage;
    m_settled = false;
    m_refusal.reset();
    m_untrustedHop = false;
    m_shownPercent = -1;
    const QPointer<UpdateSession> alive(this);
    m_transport.get(url, outputFile);
    if (!alive || m_stage != stage)
        return;
    if (const std::optional<Report> refusal = std::exchange(m_refusal, std::nullopt)) {
        if (stage == Stage::FetchingProgram)
            QFile::remove(downloadFile() + QStringLiteral(".part"));
        conclude(*refusal, Reset::Before, Ending::Closed);
    } else if (!std::exchange(m_settled, true)) {
        conclude(Report::ServerError, Reset::After, Ending::Idle);
    }
}

// ---------------------------------------------------------------------------------------------
// The transport's events

void UpdateSession::requestProgress(int percentsDone, qint64 dataSize, qint64 bytesRead)
{
    if (!requestRunning())
        return;
    const bool version = m_stage == Stage::FetchingInformation;
    const qint64 limit = version ? kMaxVersionFileBytes : m_offer.fileSize;
    if (dataSize > limit || bytesRead > limit) {
        m_refusal = version ? Report::InformationFailed : Report::DownloadFailed;
        m_transport.abort();
        return;
    }
    // A download reports every block; the steps change only with the percentage.
    if (std::exchange(m_shownPercent, percentsDone) == percentsDone)
        return;
    if (version) {
        setStep(kInformationStep, StepPhase::Working, percentsDone);
        return;
    }
    emit downloadProgress(percentsDone);
    setStep(kProgramStep, StepPhase::Working, percentsDone, true);
}

void UpdateSession::requestDone(QIODevice* stream)
{
    emit busyChanged(false);
    m_settled = true;
    if (m_stage == Stage::FetchingInformation)
        versionReceived(stream);
    else if (m_stage == Stage::FetchingProgram)
        downloadReceived();
}

void UpdateSession::requestFailed(RequestFailure failure)
{
    if (!requestRunning())
        return;
    switch (failure) {
    case RequestFailure::HTTPError: conclude(Report::ServerError, Reset::After, Ending::Idle); break;
    case RequestFailure::HostUnreachable: conclude(Report::HostUnreachable, Reset::After, Ending::Idle); break;
    case RequestFailure::WaitTimeout: conclude(Report::TimedOut, Reset::After, Ending::Idle); break;
    }
}

void UpdateSession::requestRedirected(const QString& newUrl)
{
    if (!IsTrustedTransport(newUrl))
        m_untrustedHop = true;
}

// ---------------------------------------------------------------------------------------------
// The version file

void UpdateSession::versionReceived(QIODevice* stream)
{
    setStep(kInformationStep, StepPhase::Done, 100);
    const QByteArray reply = stream ? stream->read(kMaxVersionFileBytes + 1) : QByteArray();
    if (reply.size() > kMaxVersionFileBytes) {
        conclude(Report::InformationFailed, Reset::Before, Ending::Closed);
        return;
    }
    m_versionText = VersionFileText(reply);
    WaitWithMessages(m_settings.versionFilePause);
    if (m_stage != Stage::FetchingInformation) // aborted during the pause
        return;
    if (m_versionText.isEmpty()) {
        storeVersionFile();
        conclude(Report::InformationFailed, Reset::Before, Ending::Closed);
        return;
    }
    m_offer = VersionInfo::fromBytes(m_versionText);
    const bool keyBuiltIn = !m_settings.publicKey.trimmed().isEmpty();
    const OfferVerdict offer = untrustedHop()
        ? OfferVerdict::InsecureTransport
        : JudgeOffer(m_offer, ProgramVersion(), m_settings.versionFileUrl, keyBuiltIn);
    if (offer == OfferVerdict::Current) {
        if (!storeVersionFile())
            conclude(Report::InformationFailed, Reset::Before, Ending::Closed);
        else
            conclude(Report::Newest, Reset::None, Ending::Closed);
        return;
    }
    if (offer != OfferVerdict::Newer) {
        conclude(refusalOf(offer), Reset::Before, Ending::Closed);
        return;
    }
    if (m_transport.busy()) {
        setStage(Stage::Idle);
        return;
    }
    startDownload();
}

UpdateSession::Report UpdateSession::refusalOf(OfferVerdict offer) const
{
    switch (offer) {
    case OfferVerdict::VersionUnreadable: return Report::InformationFailed;
    case OfferVerdict::Older: return Report::Older;
    case OfferVerdict::NoAddress: return Report::NoAddress;
    case OfferVerdict::AddressNotWeb: return Report::AddressNotWeb;
    case OfferVerdict::HashMissing: return Report::HashMissing;
    case OfferVerdict::InsecureTransport: return Report::InsecureTransport;
    case OfferVerdict::Newer:
    case OfferVerdict::Current:
        break;
    }
    return Report::DownloadFailed;
}

// A redirection to a place whose transport vouches for nothing matters only when no signature
// does.
bool UpdateSession::untrustedHop() const
{
    return m_untrustedHop && m_settings.publicKey.trimmed().isEmpty();
}

// Whether the stored file now holds the version file: an empty one counts as not stored.
bool UpdateSession::storeVersionFile() const
{
    QSaveFile file(versionFile());
    if (file.open(QIODevice::WriteOnly)) {
        file.write(m_versionText);
        file.commit();
    }
    return FileSizeByName(versionFile()) > 0;
}

// ---------------------------------------------------------------------------------------------
// The download

void UpdateSession::startDownload()
{
    const QString address = ChooseDownloadAddress(m_offer.downloadPaths, *QRandomGenerator::global());
    // A file left by an earlier attempt must not pass for this download, which may never reach
    // the file (a reply without a length stays in memory).
    QFile::remove(downloadFile());
    setStage(Stage::FetchingProgram);
    setPhase(kProgramStep, StepPhase::Working);
    emit busyChanged(true);
    runRequest(address, downloadFile());
}

void UpdateSession::downloadReceived()
{
    const qint64 size = FileSizeByName(downloadFile());
    if (size <= 0 || size != m_offer.fileSize) {
        conclude(Report::DownloadFailed, Reset::None, Ending::Closed);
        return;
    }
    const bool hopped = untrustedHop();
    const ReleaseVerdict verdict =
        ReleaseCheck(m_settings.publicKey).verify(downloadFile(), m_offer.sha256, m_offer.signature);
    if (hopped || verdict != ReleaseVerdict::Accepted) {
        // Not the announced program: it must not stay where a later attempt could take it.
        QFile::remove(downloadFile());
        conclude(hopped ? Report::InsecureTransport : Report::DownloadFailed, Reset::None, Ending::Closed);
        return;
    }
    handOver();
}

void UpdateSession::handOver()
{
    setStage(Stage::Restarting);
    setStep(kProgramStep, StepPhase::Done, m_steps[kProgramStep].value);
    setStep(kRestartStep, StepPhase::Done, 100);
    emit reported(Report::Restarting);
    if (!startSwapBatch(m_settings)) {
        conclude(Report::SwapFailed, Reset::Before, Ending::Closed);
        return;
    }
    // The script waits for this program to end: the file is in place before the new one reads it.
    storeVersionFile();
    setStage(Stage::Idle);
    emit finished(Ending::Restart);
}

bool UpdateSession::startSwapBatch(const UpdateSettings& settings) const
{
    return startSwap(SwapPlanFor(settings.programPath, settings.programPid));
}

// ---------------------------------------------------------------------------------------------

QString UpdateSession::versionFile() const
{
    return QFileInfo(m_settings.programPath).absoluteDir().filePath(QStringLiteral("version.txt"));
}

QString UpdateSession::downloadFile() const
{
    return m_settings.programPath + u'~';
}

} // namespace quillo
