// The Debian package as a user gets it: built by cpack (the group's first test), unpacked with
// dpkg-deb into a temporary root and run from there, for a user with a home of their own and the
// system's Apertium. The program is driven by a library preloaded into it (ProgramDriver.cpp).
#include "ChildProcess.h"
#include "session/ServiceLauncher.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

#include <csignal>

using namespace quillo;
using namespace quillo::test;

namespace {

const QString AppId = QStringLiteral(QUILLO_APP_ID);

// The newest: an older version's package may still lie beside it.
QString packageFile()
{
    const QFileInfoList found =
        QDir(QStringLiteral(QUILLO_PACKAGE_DIR)).entryInfoList({QStringLiteral("quillo_*.deb")}, QDir::Files, QDir::Time);
    return found.isEmpty() ? QString() : found.front().filePath();
}

RunResult runTool(const QString& tool, const QStringList& arguments)
{
    const QString path = QStandardPaths::findExecutable(tool);
    return path.isEmpty() ? RunResult{tool + QStringLiteral(": not installed"), {}, {}, {}}
                          : RunToEnd(path, arguments, 120000);
}

std::string describe(const RunResult& r)
{
    return (r.startError + QLatin1Char('\n') + QString::fromUtf8(r.output + r.error)).toStdString();
}

QStringList filesUnder(const QString& root)
{
    QStringList files;
    for (QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();)
        files << it.next();
    files.sort();
    return files;
}

class InstalledPackage : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_root = new QTemporaryDir;
        s_unpacked = runTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), packageFile(), s_root->path()});
    }
    static void TearDownTestSuite() { delete s_root; }

    void SetUp() override { ASSERT_TRUE(s_unpacked.succeeded()) << packageFile().toStdString() << describe(s_unpacked); }

    static QString installed(const QString& path) { return s_root->filePath(QStringLiteral("usr/") + path); }

    static inline QTemporaryDir* s_root = nullptr;
    static inline RunResult s_unpacked;
};

// A user of their own: every XDG folder under a fresh home, no QUILLO_SERVICE, and choices that
// translate English into Spanish through the second engine.
class FreshUser
{
public:
    FreshUser()
    {
        qunsetenv("QUILLO_SERVICE");
        qputenv("HOME", QFile::encodeName(m_home.path()));
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR"}) {
            const QString folder = m_home.filePath(QString::fromLatin1(name));
            QDir().mkpath(folder);
            QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            qputenv(name, QFile::encodeName(folder));
        }
        QSettings choices(m_home.filePath(QStringLiteral("XDG_CONFIG_HOME/5372/Quillo.ini")), QSettings::IniFormat);
        choices.setValue(QStringLiteral("TranServer"), 1);
        choices.setValue(QStringLiteral("SourceLanguage"), 2);  // 英语
        choices.setValue(QStringLiteral("TargetLanguage"), 12); // 西班牙语
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    QString log() const
    {
        QFile file(m_home.filePath(QStringLiteral("XDG_STATE_HOME/quillo/quillo.log")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    // "PID" and "http://127.0.0.1:PORT" of the shared server, as the program noted them.
    QStringList server() const
    {
        QFile file(m_home.filePath(QStringLiteral("XDG_RUNTIME_DIR/quillo/server")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')) : QStringList();
    }

private:
    QTemporaryDir m_home;
};

// The installed program, translating `text` as soon as its window shows; it closes its window
// when its input ends.
std::unique_ptr<ChildProcess> startProgram(const QString& program, const QString& text)
{
    qputenv("QUILLO_DRIVE_TEXT", text.toUtf8());
    qputenv("LD_PRELOAD", QUILLO_PROGRAM_DRIVER);
    auto child = std::make_unique<ChildProcess>(program, QStringList{},
                                                ChildOptions{ChildOptions::Channel::Pipe, ChildOptions::Channel::Pipe});
    qunsetenv("LD_PRELOAD");
    return child;
}

// What the translation showed: the message boxes on the way, then the result box.
struct Outcome
{
    QStringList messages;
    QString result = QStringLiteral("(no result)");
};

Outcome outcomeOf(ChildProcess& program)
{
    Outcome outcome;
    while (const std::optional<QByteArray> line = program.readLine(60000)) {
        if (line->startsWith("message ")) {
            outcome.messages << QString::fromUtf8(line->mid(8));
        } else {
            outcome.result = QString::fromUtf8(line->mid(7));
            break;
        }
    }
    return outcome;
}

// Closed by its window, or by the session ending (SIGTERM): either way an orderly end.
enum class Ending { Window, Session };
bool ends(ChildProcess& program, Ending how)
{
    if (how == Ending::Window)
        program.closeInput();
    else
        program.signal(SIGTERM);
    const std::optional<ExitStatus> status = program.waitForExit(30000);
    return status && status->succeeded();
}

QString desktopEntryValue(const QString& entry, const QString& key)
{
    QFile file(entry);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QRegularExpression line(QStringLiteral("^%1=(.*)$").arg(key), QRegularExpression::MultilineOption);
    return line.match(QString::fromUtf8(file.readAll())).captured(1);
}

} // namespace

TEST_F(InstalledPackage, MenuEntryIconsAndMetadataValidate)
{
    const QString entry = installed(QStringLiteral("share/applications/%1.desktop").arg(AppId));
    const RunResult desktop = runTool(QStringLiteral("desktop-file-validate"), {entry});
    EXPECT_TRUE(desktop.succeeded() && desktop.output.isEmpty()) << describe(desktop);
    const RunResult metainfo = runTool(QStringLiteral("appstreamcli"),
                                       {QStringLiteral("validate"), QStringLiteral("--no-net"), QStringLiteral("--pedantic"),
                                        installed(QStringLiteral("share/metainfo/%1.metainfo.xml").arg(AppId))});
    EXPECT_TRUE(metainfo.succeeded()) << describe(metainfo);

    EXPECT_TRUE(QFile::exists(installed(QStringLiteral("bin/") + desktopEntryValue(entry, QStringLiteral("Exec")))));
    EXPECT_EQ(desktopEntryValue(entry, QStringLiteral("Icon")), AppId);
    for (const char* size : {"16x16", "22x22", "24x24", "32x32", "48x48", "64x64", "128x128", "256x256"})
        EXPECT_TRUE(QFile::exists(installed(QStringLiteral("share/icons/hicolor/%1/apps/%2.png").arg(QLatin1String(size), AppId))))
            << size;
    EXPECT_TRUE(QFile::exists(installed(QStringLiteral("share/icons/hicolor/scalable/apps/%1.svg").arg(AppId))));
}

TEST_F(InstalledPackage, ServerUserUnitVerifies)
{
    if (QStandardPaths::findExecutable(QStringLiteral("systemd-analyze")).isEmpty())
        GTEST_SKIP() << "systemd is not installed";
    QFile unit(installed(QStringLiteral("lib/systemd/user/quillo-server.service")));
    ASSERT_TRUE(unit.open(QIODevice::ReadOnly));
    // systemd looks for the program in its own fixed path; here it lies in the unpacked root.
    QByteArray text = unit.readAll();
    text.replace("ExecStart=quillo-server", "ExecStart=" + QFile::encodeName(installed(QStringLiteral("bin/quillo-server"))));
    QTemporaryDir folder;
    QFile copy(folder.filePath(QStringLiteral("quillo-server.service")));
    ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
    copy.write(text);
    copy.close();
    const RunResult verify = runTool(QStringLiteral("systemd-analyze"), {QStringLiteral("verify"), copy.fileName()});
    EXPECT_TRUE(verify.succeeded() && verify.output.isEmpty() && verify.error.isEmpty()) << describe(verify);
}

TEST_F(InstalledPackage, DependsOnWhatTheProgramsOpenInstallsAndPassesLintian)
{
    const RunResult fields = runTool(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), packageFile(),
                                                                 QStringLiteral("Depends"), QStringLiteral("Recommends")});
    ASSERT_TRUE(fields.succeeded()) << describe(fields);
    for (const char* package :
         {"libcurl4", "libssl3", "libqt6widgets6", "libsqlite3-0", "libopencc1.1", "apertium-eng-spa", "dict-freedict-eng-deu",
          "wngerman", "qt6-speech-speechd-plugin"})
        EXPECT_TRUE(fields.output.contains(package)) << package << " missing from " << fields.output.toStdString();

    // What `apt install ./quillo_*.deb` would do, without doing it: every dependency resolvable.
    const RunResult apt = runTool(QStringLiteral("apt-get"), {QStringLiteral("install"), QStringLiteral("--simulate"),
                                                             QStringLiteral("--no-install-recommends"), packageFile()});
    EXPECT_TRUE(apt.succeeded() && apt.output.contains("Inst quillo")) << describe(apt);

    const RunResult lintian = runTool(QStringLiteral("lintian"), {QStringLiteral("--fail-on"), QStringLiteral("error,warning"),
                                                                 packageFile()});
    EXPECT_TRUE(lintian.succeeded()) << describe(lintian);
}

// The whole life of the server a user gets: started by the first copy of the program, kept while
// it runs (a second start hands its command to that copy instead of opening another window or
// server) and gone when it has ended with the session, nothing written into the program's folder
// on the way. Two copies that do run side by side share one server (ServiceLauncherTest).
TEST_F(InstalledPackage, ProgramStartsAndStopsItsOwnServer)
{
    if (AddressAnswers(QStringLiteral(QUILLO_DEFAULT_SERVICE), 1000))
        GTEST_SKIP() << "something answers at " << QUILLO_DEFAULT_SERVICE << ": the program would use it";
    if (QStandardPaths::findExecutable(QStringLiteral("apertium")).isEmpty())
        GTEST_SKIP() << "Apertium is not installed";
    FreshUser user;
    const QStringList filesBefore = filesUnder(s_root->path());
    const QString program = installed(QStringLiteral("bin/quillo"));

    auto first = startProgram(program, QStringLiteral("The weather is nice today"));
    EXPECT_EQ(outcomeOf(*first).result, QStringLiteral("El tiempo es bueno hoy"));
    const QStringList server = user.server();
    ASSERT_GE(server.size(), 2) << user.log().toStdString();
    const QString base = server[1];
    EXPECT_TRUE(user.log().contains(QStringLiteral("started quillo-server %1 at %2").arg(server[0], base)))
        << user.log().toStdString();

    auto second = startProgram(program, QStringLiteral("Good morning"));
    const std::optional<ExitStatus> handedOver = second->waitForExit(30000);
    EXPECT_TRUE(handedOver && handedOver->succeeded());
    EXPECT_EQ(user.log().count(QStringLiteral("quillo-server")), 1) << user.log().toStdString();

    // The menu entry's StartupWMClass names the window the program opens.
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
        const QString wmClass = desktopEntryValue(installed(QStringLiteral("share/applications/%1.desktop").arg(AppId)),
                                                  QStringLiteral("StartupWMClass"));
        const RunResult windows = runTool(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--classname"),
                                                                     QStringLiteral("^%1$").arg(wmClass)});
        EXPECT_EQ(windows.output.count('\n'), 1) << describe(windows);
    }

    EXPECT_TRUE(AddressAnswers(base, 1000)) << "the server went while the program still ran";
    ASSERT_TRUE(ends(*first, Ending::Session));
    EXPECT_FALSE(AddressAnswers(base, 1000)) << "the server outlived the program";
    EXPECT_FALSE(QFile::exists(QStringLiteral("/proc/%1/exe").arg(server[0]))
                 && QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(server[0])).endsWith(QLatin1String("quillo-server")));
    EXPECT_EQ(filesUnder(s_root->path()), filesBefore);
}

// A program whose server cannot start (here: copied away from it) reports the service unreachable
// as usual and says why in its log, rather than waiting.
TEST_F(InstalledPackage, ProgramWithoutItsServerReportsTheServiceUnreachable)
{
    if (AddressAnswers(QStringLiteral(QUILLO_DEFAULT_SERVICE), 1000))
        GTEST_SKIP() << "something answers at " << QUILLO_DEFAULT_SERVICE << ": the program would use it";
    FreshUser user;
    QTemporaryDir alone;
    const QString program = alone.filePath(QStringLiteral("quillo"));
    ASSERT_TRUE(QFile::copy(installed(QStringLiteral("bin/quillo")), program));

    auto lone = startProgram(program, QStringLiteral("The weather is nice today"));
    const Outcome outcome = outcomeOf(*lone);
    EXPECT_EQ(outcome.messages, QStringList{QStringLiteral(" 如 果 安 装 了 防 火 墙 请 先 关 闭 或 设 置 允 许 访 问 网 络，然 后 重 试 。")});
    EXPECT_TRUE(outcome.result.startsWith(QStringLiteral("访问服务器错误！"))) << outcome.result.toStdString();
    EXPECT_TRUE(user.log().contains(QStringLiteral("cannot start the translation server: %1 is missing")
                                        .arg(alone.filePath(QStringLiteral("quillo-server")))))
        << user.log().toStdString();
    EXPECT_TRUE(ends(*lone, Ending::Window));
}
