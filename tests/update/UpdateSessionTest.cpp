#include "update/UpdateSession.h"

#include "ScopedConnectedState.h"
#include "UpdateTestSupport.h"

#include "update/UpdateTransport.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

namespace quillo {
namespace {

using Failure = UpdateSession::RequestFailure;
using Report = UpdateSession::Report;
using Ending = UpdateSession::Ending;
using test::ReadAll;
using test::WriteAll;

const QString kVersionUrl = QStringLiteral("http://127.0.0.1:1/translation/update/qoversion.txt");
const QString kProgramUrl = QStringLiteral("http://127.0.0.1:1/p");
const QByteArray kOldVersionFile = "[information]\r\nversion=16\r\nRegNewInformat=old notice\r\n";
const QByteArray kProgram = "new program " + QByteArray(1000, 'n');

// Answers each address at once, the way a transport with WaitThread on does: the outcome reaches
// the session before get() returns. An address without a reply is not found.
class ScriptedTransport : public UpdateTransport
{
public:
    struct Reply
    {
        QByteArray body;
        std::optional<Failure> failure = {};
        QString redirectedTo = {};
        bool silent = false; // ends without an outcome, like a lost connection
    };

    UpdateSession* session = nullptr;
    QMap<QString, Reply> replies;
    QStringList requested;

    bool busy() const override { return m_running; }
    void abort() override { m_running = false; }

    void get(const QString& url, const QString& outputFile) override
    {
        requested << url;
        const Reply reply = replies.value(url, Reply{{}, Failure::HTTPError});
        m_running = true;
        if (!reply.redirectedTo.isEmpty())
            session->requestRedirected(reply.redirectedTo);
        for (const int percent : {50, 100}) {
            session->requestProgress(percent, reply.body.size(), reply.body.size() * percent / 100);
            if (!m_running)
                return;
        }
        m_running = false;
        if (reply.silent)
            return;
        if (reply.failure) {
            session->requestFailed(*reply.failure);
            return;
        }
        if (!outputFile.isEmpty())
            WriteAll(outputFile, reply.body);
        QBuffer stream;
        stream.setData(reply.body);
        stream.open(QIODevice::ReadOnly);
        session->requestDone(&stream);
    }

private:
    bool m_running = false;
};

QByteArray versionReply(const QByteArray& version, qint64 size, const QByteArray& content)
{
    return "[information]\nversion=" + version + "\nFileSize=" + QByteArray::number(size) + "\nSHA256="
        + QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex() + "\nRegNewInformat=new notice\n"
        + "[DownLoadPath]\nurl1=" + kProgramUrl.toUtf8() + "\n";
}

class UpdateSessionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        transport.session = &session;
        settings.programPath = dir.filePath(QStringLiteral("quillo"));
        settings.versionFilePause = 0;
        settings.versionFileUrl = kVersionUrl;
        ASSERT_TRUE(WriteAll(settings.programPath, "old program\n"));
        ASSERT_TRUE(WriteAll(versionFile(), kOldVersionFile));
        session.startSwap = [this](const SwapPlan& plan) {
            swaps << plan.download;
            return swapStarts;
        };
        QObject::connect(&session, &UpdateSession::reported, [this](Report r) { reports << r; });
        QObject::connect(&session, &UpdateSession::finished, [this](Ending e) { endings << e; });
        QObject::connect(&session, &UpdateSession::stepChanged, [this](int step, const UpdateSession::StepState& s) {
            phases[step] = "IWD"[int(s.phase)];
        });
        QObject::connect(&session, &UpdateSession::stepsReset, [this] { phases = "IIII"; });
        QObject::connect(&session, &UpdateSession::stageChanged,
                         [this](UpdateSession::Stage stage) { stages += "-CIPR"[int(stage)]; });
    }

    QString versionFile() const { return dir.filePath(QStringLiteral("version.txt")); }
    QString download() const { return settings.programPath + u'~'; }

    QTemporaryDir dir;
    ScriptedTransport transport;
    UpdateSession session{transport};
    UpdateSettings settings;
    bool swapStarts = true;
    QStringList swaps;
    QList<Report> reports;
    QList<Ending> endings;
    QByteArray phases = "IIII"; // per step: Idle, Working or Done
    QByteArray stages;
};

TEST_F(UpdateSessionTest, EachFlowEndsAsItsReleaseDeserves)
{
    using Reply = ScriptedTransport::Reply;
    const qint64 size = kProgram.size();
    const QByteArray newer = versionReply("17", size, kProgram);
    const struct {
        const char* name;
        QByteArray version;
        Reply program;
        bool offLine;
        bool swapStarts;
        const char* stages; // Checking, Information, Program, Restarting; "-" back to Idle
        QList<Report> reports;
        Ending ending;
        const char* phases;
        bool versionStored; // else the earlier version file stays
        bool downloadKept;
    } cases[] = {
        {"off line", newer, {kProgram}, true, true,
         "C-", {Report::NoNetwork}, Ending::Idle, "IIII", false, false},
        {"up to date", versionReply("16", size, kProgram), {}, false, true,
         "CI-", {Report::Newest}, Ending::Closed, "DDII", true, false},
        {"empty reply", {}, {}, false, true,
         "CI-", {Report::InformationFailed}, Ending::Closed, "IIII", true, false},
        {"older release", versionReply("15", size, kProgram), {kProgram}, false, true,
         "CI-", {Report::Older}, Ending::Closed, "IIII", false, false},
        {"newer release", newer, {kProgram}, false, true,
         "CIPR-", {Report::Restarting}, Ending::Restart, "DDDD", true, true},
        {"download not found", newer, {{}, Failure::HTTPError}, false, true,
         "CIP-", {Report::ServerError}, Ending::Idle, "IIII", false, false},
        {"download timed out", newer, {{}, Failure::WaitTimeout}, false, true,
         "CIP-", {Report::TimedOut}, Ending::Idle, "IIII", false, false},
        {"connection lost", newer, {kProgram, {}, {}, true}, false, true,
         "CIP-", {Report::ServerError}, Ending::Idle, "IIII", false, false},
        {"longer than announced", newer, {kProgram + 'x'}, false, true,
         "CIP-", {Report::DownloadFailed}, Ending::Closed, "IIII", false, false},
        {"size differs", versionReply("17", size + 1, kProgram), {kProgram}, false, true,
         "CIP-", {Report::DownloadFailed}, Ending::Closed, "DDWI", false, true},
        {"hash differs", versionReply("17", size, "other"), {kProgram}, false, true,
         "CIP-", {Report::DownloadFailed}, Ending::Closed, "DDWI", false, false},
        {"redirected off loopback", newer, {kProgram, {}, QStringLiteral("http://updates.example.com/p")}, false, true,
         "CIP-", {Report::InsecureTransport}, Ending::Closed, "DDWI", false, false},
        {"swap cannot start", newer, {kProgram}, false, false,
         "CIPR-", {Report::Restarting, Report::SwapFailed}, Ending::Closed, "IIII", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteAll(versionFile(), kOldVersionFile));
        QFile::remove(download());
        transport.requested.clear();
        transport.replies = {{kVersionUrl, Reply{c.version}}, {kProgramUrl, c.program}};
        swapStarts = c.swapStarts;
        swaps.clear();
        stages.clear();
        phases = "IIII";
        reports.clear();
        endings.clear();
        {
            const test::ScopedConnectedState network(!c.offLine);
            session.start(settings);
        }
        EXPECT_EQ(stages.toStdString(), c.stages);
        EXPECT_EQ(transport.requested.size(), stages.count('I') + stages.count('P'));
        EXPECT_EQ(reports, c.reports);
        EXPECT_EQ(endings, QList<Ending>{c.ending});
        EXPECT_EQ(phases.toStdString(), c.phases);
        EXPECT_EQ(session.stage(), UpdateSession::Stage::Idle);
        EXPECT_EQ(ReadAll(versionFile()).toStdString(),
                  (c.versionStored ? VersionFileText(c.version) : kOldVersionFile).toStdString());
        EXPECT_EQ(QFile::exists(download()), c.downloadKept);
        EXPECT_EQ(swaps.size(), c.reports.contains(Report::Restarting) ? 1 : 0);
    }
}

TEST_F(UpdateSessionTest, AbortDuringTheDownloadEndsTheFlowSilently)
{
    transport.replies = {{kVersionUrl, {versionReply("17", kProgram.size(), kProgram)}}, {kProgramUrl, {kProgram}}};
    QList<bool> busy;
    QObject::connect(&session, &UpdateSession::busyChanged, [&](bool b) { busy << b; });
    QObject::connect(&session, &UpdateSession::downloadProgress, [&] { session.abort(); });
    const test::ScopedConnectedState onLine(true);
    session.start(settings);

    EXPECT_EQ(transport.requested, (QStringList{kVersionUrl, kProgramUrl}));
    EXPECT_FALSE(transport.busy());
    EXPECT_EQ(busy, (QList<bool>{true, false, true, false}));
    EXPECT_TRUE(reports.isEmpty());
    EXPECT_TRUE(endings.isEmpty());
    EXPECT_TRUE(swaps.isEmpty());
    EXPECT_EQ(stages.toStdString(), "CIP-");
    EXPECT_EQ(ReadAll(versionFile()).toStdString(), kOldVersionFile.toStdString());
}

} // namespace
} // namespace quillo
