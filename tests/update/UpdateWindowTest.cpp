#include "update/UpdateWindow.h"

#include "ScopedConnectedState.h"
#include "UpdateTestSupport.h"

#include "core/FileSize.h"
#include "http/TWebRequest.h"
#include "ui/ScreenCursor.h"
#include "ui/SkinControls.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace quillo {
namespace {

using test::BoxCatcher;
using test::QuilloServer;
using test::RawHttpServer;
using test::EndedProcessId;
using test::ReadAll;
using test::WaitUntil;
using test::WriteAll;

constexpr int kProgramEndMs = 10000;

const QString kInfo = QStringLiteral("信 息");
const QString kError = QStringLiteral("错 误");
const QString kNewest = QStringLiteral("   您 现 在 使 用 的 是 最 新 版 本 ！");
const QString kRestart = QStringLiteral("   现 将 自 动 重 新 启 动 升 级 后 的 程 序 。");
const QString kInformationFailed = QStringLiteral("   获 取 升 级 信 息 失 败 ！请 稍 后 再 试 。");
const QString kServerError = QStringLiteral("   计算机连接服务器错误，请稍后再试。");
const QString kUnreachable = QStringLiteral("   计算机不能连接到升级服务器，请稍后再试。");
const QString kTimedOut = QStringLiteral("   计算机连接服务器超时，请稍后再试。");
const QString kNoNetwork = QStringLiteral("   连 接 到 网 络 错 误，请 检 查 本 地 网 络 设 置。");

QByteArray sha256Hex(const QByteArray& content)
{
    return QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex();
}

QString downloadError(const QString& base)
{
    return QStringLiteral("   自 动 下 载 升 级 文 件 错 误 ，请 您 到 ") + base
        + QStringLiteral("/ 网 站 下 载 并 重 新 安 装 。");
}

class UpdateWindowTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { server = new QuilloServer; }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(server->running());
        const QString folder = dir.filePath(QStringLiteral("程序 目录 $HOME 'q\""));
        ASSERT_TRUE(QDir().mkpath(folder));
        program = folder + QStringLiteral("/quillo");
        ASSERT_TRUE(WriteAll(program, "old program\n"));
        release = dir.filePath(QStringLiteral("quillo"));
        newProgram = "new program " + QByteArray(50000, 'n') + '\n';
        ASSERT_TRUE(WriteAll(release, newProgram));
        useService(server->baseUrl());
    }

    void TearDown() override { SetScreenCursor(crDefault); }

    void useService(const QString& base) { qputenv("QUILLO_SERVICE", base.toUtf8()); }

    // A window as the opener hands it over, acting on the program in the temporary folder.
    std::unique_ptr<UpdateWindow> openWindow(const QByteArray& publicKey = {})
    {
        auto window = std::make_unique<UpdateWindow>();
        window->programPath = program;
        window->programPid = EndedProcessId();
        window->updatePublicKey = publicKey;
        window->versionFilePause = 0;
        window->endApplication = [this] { ++ended; };
        window->setResultBox(&resultBox);
        window->show();
        return window;
    }

    QString localVersionFile() const { return QFileInfo(program).dir().filePath(QStringLiteral("version.txt")); }
    QString download() const { return program + u'~'; }
    bool swapped() const { return !QFile::exists(program + QStringLiteral(".sh")) && ReadAll(program) == newProgram; }

    // Each step's gauge at 0 with its idle text, Start enabled.
    static void expectIdle(const UpdateWindow& w)
    {
        const QList<TSkinGauge*> gauges{w.stepGauges[0], w.stepGauges[1], w.stepGauges[2], w.stepGauges[3]};
        const QStringList idle{QStringLiteral("检测网络配置"), QStringLiteral("获取升级信息"),
                               QStringLiteral("获取升级文件"), QStringLiteral("启动升级程序")};
        for (int i = 0; i < gauges.size(); ++i) {
            EXPECT_EQ(gauges[i]->value(), 0) << i;
            EXPECT_EQ(gauges[i]->text(), idle[i]) << i;
        }
        EXPECT_TRUE(w.startButton->isEnabled());
        EXPECT_EQ(ScreenCursor(), crDefault);
    }

    static QuilloServer* server;
    QTemporaryDir dir;
    QString program;
    QString release;
    QByteArray newProgram;
    QPlainTextEdit resultBox;
    BoxCatcher boxes;
    int ended = 0;
};

QuilloServer* UpdateWindowTest::server = nullptr;

TEST_F(UpdateWindowTest, SameVersionStopsAfterStoringTheVersionFile)
{
    ASSERT_TRUE(server->publish(release, QStringLiteral("16")));
    auto w = openWindow();
    expectIdle(*w);
    EXPECT_EQ(w->startButton->text(), QStringLiteral("开  始"));
    EXPECT_EQ(w->cancelButton->text(), QStringLiteral("取  消"));
    w->onStartClicked();

    EXPECT_EQ(boxes.captions, QStringList{kInfo});
    EXPECT_EQ(boxes.texts, QStringList{kNewest});
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->stepGauges[0]->text(), QStringLiteral("检测网络配置...成功√"));
    EXPECT_EQ(w->stepGauges[1]->text(), QStringLiteral("获取升级信息...成功√"));
    EXPECT_EQ(w->stepGauges[1]->value(), 100);
    // The server's file, placeholders filled in, every line ended by CR LF.
    QByteArray expected = server->versionText();
    expected.replace("{BASE}", server->baseUrl().toUtf8());
    EXPECT_EQ(ReadAll(localVersionFile()), expected);
    EXPECT_FALSE(QFile::exists(download()));
    EXPECT_EQ(ended, 0);
}

TEST_F(UpdateWindowTest, NothingPublishedIsTheNewestVersionNotAConnectionError)
{
    QuilloServer unpublished;
    ASSERT_TRUE(unpublished.running());
    useService(unpublished.baseUrl());
    auto w = openWindow();
    w->onStartClicked();
    EXPECT_EQ(boxes.texts, QStringList{kNewest});
    EXPECT_FALSE(QFile::exists(download()));
}

TEST_F(UpdateWindowTest, NewerVersionDownloadsAndHandsOver)
{
    for (const QByteArray& version : {QByteArray("17"), QByteArray("16.1"), QByteArray("100")}) {
        SCOPED_TRACE(version.toStdString());
        ASSERT_TRUE(server->publish(release, QStringLiteral("17")));
        server->setVersionValue("version", version);
        ASSERT_TRUE(WriteAll(program, "old program\n"));
        boxes.clear();
        ended = 0;
        QStringList progress;
        const auto noted = QObject::connect(&resultBox, &QPlainTextEdit::textChanged,
                                            [&] { progress << resultBox.toPlainText(); });
        auto w = openWindow();
        // Only the download shows a percentage, on the third bar.
        QStringList secondBar;
        QStringList thirdBar;
        QObject::connect(w->stepGauges[1], &QProgressBar::valueChanged, [&] { secondBar << w->stepGauges[1]->text(); });
        QObject::connect(w->stepGauges[2], &QProgressBar::valueChanged, [&] { thirdBar << w->stepGauges[2]->text(); });
        w->onStartClicked();
        QObject::disconnect(noted);
        for (const QString& text : secondBar)
            EXPECT_FALSE(text.endsWith(u'%')) << text.toStdString();
        ASSERT_FALSE(thirdBar.isEmpty());
        for (const QString& text : thirdBar)
            EXPECT_TRUE(text.startsWith(QStringLiteral("正在获取升级文件...")) && text.endsWith(u'%')) << text.toStdString();

        EXPECT_EQ(boxes.texts, QStringList{kRestart});
        ASSERT_FALSE(progress.isEmpty());
        static const QRegularExpression pattern(QStringLiteral("^升级程序完成：\\d{1,3}%$"));
        for (const QString& text : progress)
            EXPECT_TRUE(pattern.match(text).hasMatch()) << text.toStdString();
        EXPECT_EQ(progress.last(), QStringLiteral("升级程序完成：100%"));
        EXPECT_EQ(w->stepGauges[2]->text(), QStringLiteral("获取升级文件...成功√"));
        EXPECT_EQ(w->stepGauges[3]->text(), QStringLiteral("启动升级程序..."));
        EXPECT_EQ(w->stepGauges[3]->value(), 100);
        EXPECT_EQ(ended, 1);
        EXPECT_TRUE(WaitUntil([&] { return swapped(); }));
    }
}

TEST_F(UpdateWindowTest, EmptyVersionFileIsAFailure)
{
    server->setVersionText({});
    auto w = openWindow();
    w->onStartClicked();
    EXPECT_EQ(boxes.captions, QStringList{kError});
    EXPECT_EQ(boxes.texts, QStringList{kInformationFailed});
    EXPECT_FALSE(w->isVisible());
    expectIdle(*w);
    EXPECT_EQ(FileSizeByName(localVersionFile()), 0);
}

TEST_F(UpdateWindowTest, UnvouchedOrOlderReleasesAreRefusedBeforeTheDownload)
{
    RawHttpServer raw;
    useService(raw.url({}));
    const QString site = raw.url({}) + u'/';
    const QString tail = QStringLiteral(" 网 站 下 载 并 重 新 安 装 。");
    const QByteArray programUrl = raw.url(QStringLiteral("/p")).toUtf8();
    const QByteArray sha = "SHA256=" + sha256Hex(newProgram) + "\r\n";
    const struct {
        const char* name;
        QByteArray information;
        QByteArray address;
        QString message;
    } cases[] = {
        {"a local file", "version=17\r\n" + sha, "file://" + QFile::encodeName(release),
         QStringLiteral("   升 级 信 息 中 的 下 载 地 址 无 效 ，请 您 到 ") + site + tail},
        {"no hash", "version=17\r\n", programUrl,
         QStringLiteral("   升 级 信 息 中 没 有 升 级 文 件 的 校 验 值 ，无 法 确 认 文 件 完 好 ，请 您 到 ") + site + tail},
        {"older", "version=15\r\n" + sha, programUrl,
         QStringLiteral("   升 级 服 务 器 提 供 的 版 本 比 您 现 在 使 用 的 版 本 旧 ，不 能 安 装 。")},
        {"no version", sha, programUrl, kInformationFailed},
        {"not a number", "version=17beta\r\n" + sha, programUrl, kInformationFailed},
    };
    raw.route(QStringLiteral("/p"), {RawHttpServer::response(newProgram)});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.clear();
        raw.requests.clear();
        raw.route(QStringLiteral("/translation/update/qoversion.txt"),
                  {RawHttpServer::response("[information]\r\n" + c.information + "FileSize="
                                           + QByteArray::number(newProgram.size()) + "\r\n[DownLoadPath]\r\nurl1="
                                           + c.address + "\r\n")});
        auto w = openWindow();
        w->onStartClicked();
        EXPECT_EQ(boxes.captions, QStringList{kError});
        EXPECT_EQ(boxes.texts, QStringList{c.message});
        EXPECT_EQ(raw.requests, QStringList{QStringLiteral("/translation/update/qoversion.txt")});
        EXPECT_FALSE(QFile::exists(download()));
        EXPECT_FALSE(w->isVisible());
        expectIdle(*w);
        EXPECT_EQ(ended, 0);
    }
}

TEST_F(UpdateWindowTest, DownloadAddressesOneSeveralOrNone)
{
    ASSERT_TRUE(server->publish(release, QStringLiteral("17")));
    const QByteArray published = server->versionText();
    const QString releaseFolder = server->dataDir() + QStringLiteral("/release/17/");
    for (const char* name : {"a", "b", "c"})
        ASSERT_TRUE(QFile::copy(release, releaseFolder + QLatin1String(name)));
    QByteArray several = published;
    several.replace("[DownLoadPath]\r\n", "[DownLoadPath]\r\na={BASE}/translation/update/17/a\r\n"
                                          "b={BASE}/translation/update/17/b\r\nc={BASE}/translation/update/17/c\r\n");
    several.replace(QByteArray("url1="), QByteArray("url4="));
    server->setVersionText(several);
    {
        auto w = openWindow();
        w->onStartClicked();
        EXPECT_EQ(boxes.texts, QStringList{kRestart});
        EXPECT_TRUE(WaitUntil([&] { return swapped(); }));
    }

    // A section without entries: a message and no download.
    ASSERT_TRUE(WriteAll(program, "old program\n"));
    boxes.clear();
    ended = 0;
    QByteArray none = published;
    none.truncate(none.indexOf("url1="));
    server->setVersionText(none);
    auto w = openWindow();
    w->onStartClicked();
    ASSERT_EQ(boxes.texts.size(), 1);
    EXPECT_TRUE(boxes.texts[0].startsWith(QStringLiteral("   升 级 信 息 中 没 有 下 载 地 址")));
    EXPECT_EQ(boxes.captions, QStringList{kError});
    EXPECT_FALSE(QFile::exists(download()));
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(ended, 0);
}

TEST_F(UpdateWindowTest, SizeOffByOneKeepsTheDownloadAndTheProgram)
{
    ASSERT_TRUE(server->publish(release, QStringLiteral("17")));
    server->setVersionValue("FileSize", QByteArray::number(newProgram.size() + 1));
    auto w = openWindow();
    w->onStartClicked();
    EXPECT_EQ(boxes.captions, QStringList{kError});
    EXPECT_EQ(boxes.texts, QStringList{downloadError(server->baseUrl())});
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(ReadAll(download()), newProgram);
    EXPECT_EQ(ReadAll(program), QByteArray("old program\n"));
    EXPECT_EQ(ended, 0);
}

TEST_F(UpdateWindowTest, HashAndSignatureDecide)
{
    const test::SigningKey maker = test::SigningKey::generate(dir.path(), QStringLiteral("maker.pem"));
    const test::SigningKey stranger = test::SigningKey::generate(dir.path(), QStringLiteral("stranger.pem"));
    ASSERT_FALSE(maker.pemFile.isEmpty());
    ASSERT_FALSE(stranger.pemFile.isEmpty());
    auto refused = [&](const QByteArray& key) {
        boxes.clear();
        auto w = openWindow(key);
        w->onStartClicked();
        const bool wasRefused = boxes.texts == QStringList{downloadError(server->baseUrl())} && ended == 0
            && !QFile::exists(download()) && ReadAll(program) == QByteArray("old program\n");
        return wasRefused;
    };

    // A file that is not the announced one.
    ASSERT_TRUE(server->publish(release, QStringLiteral("17")));
    server->setVersionValue("SHA256", QCryptographicHash::hash("other", QCryptographicHash::Sha256).toHex());
    EXPECT_TRUE(refused({}));

    // Signed by the maker: only the maker's key accepts it, and only with the signature present.
    ASSERT_TRUE(server->publish(release, QStringLiteral("17"), maker.pemFile));
    EXPECT_TRUE(refused(stranger.publicBase64));
    const QByteArray signedText = server->versionText();
    server->setVersionValue("Signature", {});
    EXPECT_TRUE(refused(maker.publicBase64));
    server->setVersionText(signedText);
    auto w = openWindow(maker.publicBase64);
    w->onStartClicked();
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(WaitUntil([&] { return swapped(); }));
}

TEST_F(UpdateWindowTest, ReplyWithoutLengthNeverReachesTheFile)
{
    RawHttpServer raw;
    useService(raw.url({}));
    raw.route(QStringLiteral("/translation/update/qoversion.txt"),
              {RawHttpServer::response("[information]\r\nversion=17\r\nFileSize=" + QByteArray::number(newProgram.size())
                                       + "\r\nSHA256=" + sha256Hex(newProgram)
                                       + "\r\n[DownLoadPath]\r\nurl1=" + raw.url(QStringLiteral("/p")).toUtf8() + "\r\n")});
    raw.route(QStringLiteral("/p"), {RawHttpServer::response(newProgram, false)});
    ASSERT_TRUE(WriteAll(download(), newProgram)); // left by an earlier attempt: must not count
    auto w = openWindow();
    w->onStartClicked();
    EXPECT_EQ(raw.requests, (QStringList{QStringLiteral("/translation/update/qoversion.txt"), QStringLiteral("/p")}));
    EXPECT_EQ(boxes.texts, QStringList{downloadError(raw.url({}))});
    EXPECT_FALSE(QFile::exists(download()));
    EXPECT_EQ(ended, 0);
}

TEST_F(UpdateWindowTest, OversizedRepliesAreRefused)
{
    RawHttpServer raw;
    useService(raw.url({}));
    const QString versionPath = QStringLiteral("/translation/update/qoversion.txt");
    const QByteArray header = "[information]\r\nversion=17\r\nFileSize=";
    const QByteArray paths = "\r\nSHA256=" + sha256Hex({}) + "\r\n[DownLoadPath]\r\nurl1="
        + raw.url(QStringLiteral("/p")).toUtf8() + "\r\n";

    // A version reply past 64 KiB, with and without its length announced.
    for (const bool withLength : {true, false}) {
        boxes.clear();
        raw.route(versionPath, {RawHttpServer::response(header + "10" + paths + QByteArray(70000, ';'), withLength)});
        auto w = openWindow();
        w->onStartClicked();
        EXPECT_EQ(boxes.texts, QStringList{kInformationFailed});
        EXPECT_FALSE(QFile::exists(localVersionFile()));
        EXPECT_FALSE(raw.requests.contains(QStringLiteral("/p")));
        EXPECT_EQ(ScreenCursor(), crDefault);
    }

    // A download longer than announced, and one of zero bytes announced as such.
    const QList<QPair<QByteArray, QByteArray>> downloads{{"100", QByteArray(5000, 'x')}, {"0", QByteArray()}};
    for (const auto& [announced, body] : downloads) {
        boxes.clear();
        raw.route(versionPath, {RawHttpServer::response(header + announced + paths)});
        raw.route(QStringLiteral("/p"), {RawHttpServer::response(body)});
        auto w = openWindow();
        w->onStartClicked();
        EXPECT_EQ(boxes.texts, QStringList{downloadError(raw.url({}))}) << announced.toStdString();
        EXPECT_FALSE(QFile::exists(download()) && FileSizeByName(download()) > 0);
        EXPECT_FALSE(QFile::exists(download() + QStringLiteral(".part")));
        EXPECT_EQ(ended, 0);
    }
}

TEST_F(UpdateWindowTest, GarbageVersionFilesAreAFailedCheck)
{
    const QList<QByteArray> garbage{
        QByteArray("\x00\xff\xfe garbage \x81", 13),
        QByteArray(60000, 'x'),
        QByteArray("[information]\r\nversion=") + QByteArray(60000, '9'),
        QByteArray("[DownLoadPath]\r\nurl1=\r\n"),
    };
    for (const QByteArray& text : garbage) {
        boxes.clear();
        server->setVersionText(text);
        auto w = openWindow();
        w->onStartClicked();
        ASSERT_EQ(boxes.texts.size(), 1);
        EXPECT_EQ(boxes.texts[0], kInformationFailed);
        EXPECT_FALSE(w->isVisible());
    }
}

TEST_F(UpdateWindowTest, CancelAbortsEmptiesTheResultBoxAndCloses)
{
    RawHttpServer raw;
    useService(raw.url({}));
    raw.route(QStringLiteral("/translation/update/qoversion.txt"),
              {RawHttpServer::response("[information]\r\nversion=17\r\nFileSize=100000\r\nSHA256=" + sha256Hex({})
                                       + "\r\n[DownLoadPath]\r\nurl1=" + raw.url(QStringLiteral("/p")).toUtf8() + "\r\n")});
    QByteArray partial = RawHttpServer::response(QByteArray(100000, 'x'));
    partial.chop(90000);
    raw.route(QStringLiteral("/p"), {partial, true});
    auto w = openWindow();
    QObject::connect(&resultBox, &QPlainTextEdit::textChanged, w.get(), [&] {
        if (!resultBox.toPlainText().isEmpty())
            QTimer::singleShot(0, w->cancelButton, &QPushButton::click);
    });
    w->onStartClicked();
    EXPECT_TRUE(boxes.texts.isEmpty());
    EXPECT_TRUE(resultBox.toPlainText().isEmpty());
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(w->request->Busy());
    EXPECT_EQ(ScreenCursor(), crDefault);
    EXPECT_EQ(ended, 0);

    // With nothing running, Cancel still empties the box.
    resultBox.setPlainText(QStringLiteral("notice"));
    auto idle = openWindow();
    idle->cancelButton->click();
    EXPECT_TRUE(resultBox.toPlainText().isEmpty());
    EXPECT_FALSE(idle->isVisible());
}

TEST_F(UpdateWindowTest, FailuresResetTheStepsAndStartCanBePressedAgain)
{
    // The download is missing on the server: an HTTP error.
    ASSERT_TRUE(server->publish(release, QStringLiteral("17")));
    const QByteArray good = server->versionText();
    QByteArray broken = good;
    broken.replace("/translation/update/17/", "/translation/update/none/");
    server->setVersionText(broken);
    auto w = openWindow();
    w->onStartClicked();
    EXPECT_EQ(boxes.captions, QStringList{kError});
    EXPECT_EQ(boxes.texts, QStringList{kServerError});
    EXPECT_TRUE(w->isVisible());
    expectIdle(*w);

    // Fixed on the server; the same window tries again from the first step.
    server->setVersionText(good);
    boxes.clear();
    w->startButton->click();
    EXPECT_EQ(boxes.texts, QStringList{kRestart});
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(WaitUntil([&] { return swapped(); }));
}

TEST_F(UpdateWindowTest, OffLineStartAsksNoServerAndCanBeRetried)
{
    RawHttpServer raw;
    raw.route(QStringLiteral("/translation/update/qoversion.txt"),
              {RawHttpServer::response("[information]\r\nversion=16\r\n")});
    useService(raw.url({}));
    auto w = openWindow();
    int shownIdle = 0;
    boxes.whileShown = [&] {
        SCOPED_TRACE("while the message is up");
        expectIdle(*w);
        ++shownIdle;
    };
    {
        const test::ScopedConnectedState offLine(false);
        w->onStartClicked();
    }
    boxes.whileShown = nullptr;
    EXPECT_EQ(boxes.captions, QStringList{kError});
    EXPECT_EQ(boxes.texts, QStringList{kNoNetwork});
    EXPECT_EQ(boxes.buttons, QStringList{QStringLiteral("mbOK")});
    EXPECT_EQ(shownIdle, 1) << "the steps are reset before the message";
    EXPECT_TRUE(w->isVisible());
    expectIdle(*w);
    EXPECT_TRUE(raw.requests.isEmpty());
    EXPECT_FALSE(QFile::exists(localVersionFile()));

    // On line again: the same window goes through the steps.
    boxes.clear();
    {
        const test::ScopedConnectedState onLine(true);
        w->startButton->click();
    }
    EXPECT_EQ(boxes.texts, QStringList{kNewest});
    EXPECT_EQ(raw.requests.size(), 1);
    EXPECT_EQ(ReadAll(localVersionFile()), QByteArray("[information]\r\nversion=16\r\n"));
}

TEST_F(UpdateWindowTest, NetworkFailuresHaveTheirOwnMessages)
{
    RawHttpServer raw;
    const QString versionPath = QStringLiteral("/translation/update/qoversion.txt");
    QByteArray cut = RawHttpServer::response(QByteArray(1000, 'x'));
    cut.chop(900);
    struct Case {
        const char* name;
        RawHttpServer::Reply reply;
        QString message;
    };
    const QList<Case> cases{
        {"stalled", {RawHttpServer::response({}).left(17), true}, kTimedOut},
        {"cut short", {cut, false}, kServerError},
    };
    useService(raw.url({}));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.clear();
        raw.route(versionPath, c.reply);
        auto w = openWindow();
        w->request->setWaitTimeout(300);
        w->onStartClicked();
        EXPECT_EQ(boxes.texts, QStringList{c.message});
        EXPECT_TRUE(w->isVisible());
        expectIdle(*w);
    }

    // Nothing listens on the port.
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        closedPort = probe.serverPort();
    }
    useService(QStringLiteral("http://127.0.0.1:%1").arg(closedPort));
    boxes.clear();
    auto w = openWindow();
    w->onStartClicked();
    EXPECT_EQ(boxes.texts, QStringList{kUnreachable});
    expectIdle(*w);
}

#ifndef Q_OS_WIN
TEST_F(UpdateWindowTest, RealSwapReplacesAndStartsTheEndedProgram)
{
    // The running program: a copy of the stand-in, waiting for its input to close.
    QFile::remove(program);
    ASSERT_TRUE(QFile::copy(QStringLiteral(SWAP_STAND_IN), program));
    test::ChildProcess running(program, {QStringLiteral("wait")}, test::ChildOptions{test::ChildOptions::Channel::Pipe});
    ASSERT_TRUE(running.started()) << running.startError().toStdString();

    // The new release: the same program with a tail that tells it apart.
    newProgram = ReadAll(QStringLiteral(SWAP_STAND_IN)) + "\nnew release\n";
    ASSERT_TRUE(WriteAll(release, newProgram));
    ASSERT_TRUE(server->publish(release, QStringLiteral("17")));
    const QString marker = dir.filePath(QStringLiteral("started"));
    qputenv("QUILLO_SWAP_MARKER", QFile::encodeName(marker));

    auto w = openWindow();
    w->programPid = running.pid();
    w->endApplication = [&] {
        ++ended;
        // The script waits while the program runs.
        EXPECT_FALSE(WaitUntil([&] { return swapped(); }, 500));
        EXPECT_TRUE(QFile::exists(program + QStringLiteral(".sh")));
        running.closeInput();
        EXPECT_TRUE(running.waitForExit(kProgramEndMs));
    };
    w->onStartClicked();
    qunsetenv("QUILLO_SWAP_MARKER");

    EXPECT_EQ(ended, 1);
    ASSERT_TRUE(WaitUntil([&] { return swapped() && QFile::exists(marker); }));
    EXPECT_TRUE(QFileInfo(program).isExecutable());
    EXPECT_FALSE(QFile::exists(download()));
    EXPECT_FALSE(QFile::exists(program + QStringLiteral(".old")));
}
#endif

} // namespace
} // namespace quillo
