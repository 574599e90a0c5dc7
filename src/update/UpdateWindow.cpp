#include "update/UpdateWindow.h"

#include "core/ProductIdentity.h"
#include "core/ServiceAddresses.h"
#include "http/ServiceRequest.h"
#include "ui/ScreenCursor.h"
#include "ui/SkinControls.h"
#include "ui/SkinForm.h"
#include "ui/SkinLook.h"
#include "update/UpdateTransport.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QShowEvent>

namespace quillo {

namespace {

const int kTimeoutMs = 15000;

const QString kCheckingNetwork = QStringLiteral("正在检测网络配置...");
const QString kFetchingInformation = QStringLiteral("正在获取升级信息...");
const QString kFetchingProgram = QStringLiteral("正在获取升级文件...");
const QString kProgress = QStringLiteral("升级程序完成：");

const QString kNoNetwork = QStringLiteral("   连 接 到 网 络 错 误，请 检 查 本 地 网 络 设 置。");
const QString kHostUnreachable = QStringLiteral("   计算机不能连接到升级服务器，请稍后再试。");
const QString kTimedOut = QStringLiteral("   计算机连接服务器超时，请稍后再试。");
const QString kServerError = QStringLiteral("   计算机连接服务器错误，请稍后再试。");
const QString kInformationFailed = QStringLiteral("   获 取 升 级 信 息 失 败 ！请 稍 后 再 试 。");
const QString kNewest = QStringLiteral("   您 现 在 使 用 的 是 最 新 版 本 ！");
const QString kRestarting = QStringLiteral("   现 将 自 动 重 新 启 动 升 级 后 的 程 序 。");
const QString kDownloadFailedHead = QStringLiteral("   自 动 下 载 升 级 文 件 错 误 ，请 您 到 ");
const QString kDownloadFailedTail = QStringLiteral(" 网 站 下 载 并 重 新 安 装 。");
// Not among the window's original messages; worded the same way.
const QString kNoAddressHead = QStringLiteral("   升 级 信 息 中 没 有 下 载 地 址 ，请 您 到 ");
const QString kSwapFailedHead = QStringLiteral("   无 法 启 动 升 级 程 序 ，请 您 到 ");
const QString kOlder = QStringLiteral("   升 级 服 务 器 提 供 的 版 本 比 您 现 在 使 用 的 版 本 旧 ，不 能 安 装 。");
const QString kAddressNotWebHead = QStringLiteral("   升 级 信 息 中 的 下 载 地 址 无 效 ，请 您 到 ");
const QString kHashMissingHead = QStringLiteral("   升 级 信 息 中 没 有 升 级 文 件 的 校 验 值 ，无 法 确 认 文 件 完 好 ，请 您 到 ");
const QString kInsecureHead = QStringLiteral("   升 级 服 务 器 没 有 使 用 安 全 连 接 （https），无 法 确 认 升 级 文 件 的 来 源 ，请 您 到 ");

// The labels before the steps, in a larger face than the window's.
TSkinLabel* stepLabel(QWidget* client, const QString& name, const QString& caption, int top)
{
    TSkinLabel* label = NewLabel(client, name, caption, {20, top, 52, 13});
    label->setFont(SongFont(13));
    return label;
}

} // namespace

UpdateWindow::UpdateWindow(QWidget* parent)
    : QDialog(parent)
    , programPath(QCoreApplication::applicationFilePath())
    , programPid(QCoreApplication::applicationPid())
    , updatePublicKey(QByteArrayLiteral(QUILLO_UPDATE_PUBKEY))
    , endApplication([] {
        QApplication::closeAllWindows();
        QCoreApplication::quit();
    })
    , m_versionFileUrl(ServiceUrl(QStringLiteral("/translation/update/qoversion.txt")))
{
    // The opener sets the caption.
    DressSideWindow(this, QStringLiteral("UpdateForm"), QString(), {383, 178}, Qt::WindowStaysOnTopHint);
    createControls();
    m_transport = std::make_unique<WebRequestTransport>(request);
    m_session = new UpdateSession(*m_transport, this);
    connectHandlers();
}

void UpdateWindow::createControls()
{
    QWidget* client = CreateClientArea(this);
    stepLabels[0] = stepLabel(client, QStringLiteral("Label1"), QStringLiteral("第一步："), 19);
    stepLabels[1] = stepLabel(client, QStringLiteral("Label2"), QStringLiteral("第二步："), 49);
    stepLabels[2] = stepLabel(client, QStringLiteral("Label3"), QStringLiteral("第三步："), 78);
    stepLabels[3] = stepLabel(client, QStringLiteral("Label4"), QStringLiteral("第四步："), 108);
    stepGauges[0] = NewGauge(client, QStringLiteral("SkinGauge1"), {70, 16, 288, 20});
    stepGauges[1] = NewGauge(client, QStringLiteral("SkinGauge2"), {70, 46, 288, 20});
    stepGauges[2] = NewGauge(client, QStringLiteral("SkinGauge3"), {70, 76, 288, 20});
    stepGauges[3] = NewGauge(client, QStringLiteral("SkinGauge4"), {70, 106, 288, 20});
    // Their captions are set each time the window is shown.
    startButton = NewButton(client, QStringLiteral("SkinButton1"), QString(), {110, 142, 75, 25});
    cancelButton = NewButton(client, QStringLiteral("SkinButton2"), QString(), {220, 142, 75, 25});

    // Read returns only when the request has ended, which is what the session's sequence is
    // written for; a stalled server meets the limits below.
    request = NewServiceRequest(this);
    request->setWaitThread(true);
    SetTimeouts(*request, kTimeoutMs);
    request->setThreadPriority(tpHigher);
}

void UpdateWindow::connectHandlers()
{
    connect(startButton, &QPushButton::clicked, this, &UpdateWindow::onStartClicked);
    connect(cancelButton, &QPushButton::clicked, this, &UpdateWindow::onCancelClicked);

    request->OnDone = BindHandler(this, &UpdateWindow::onRequestDone);
    request->OnProgress = BindHandler(this, &UpdateWindow::onRequestProgress);
    request->OnHTTPError = BindHandler(this, &UpdateWindow::onHttpError);
    request->OnHostUnreachable = BindHandler(this, &UpdateWindow::onHostUnreachable);
    request->OnWaitTimeoutExpired = BindHandler(this, &UpdateWindow::onWaitTimedOut);
    // On the worker: the session only notes the hop, judged when the request has ended.
    request->OnRedirected = [this](QObject*, const QString& NewURL) { m_session->requestRedirected(NewURL); };

    connect(m_session, &UpdateSession::stepChanged, this, &UpdateWindow::showStep);
    connect(m_session, &UpdateSession::stepsReset, this, &UpdateWindow::resetSteps);
    connect(m_session, &UpdateSession::busyChanged, this,
            [](bool busy) { SetScreenCursor(busy ? crAppBusy : crDefault); });
    connect(m_session, &UpdateSession::downloadProgress, this, &UpdateWindow::showDownloadProgress);
    connect(m_session, &UpdateSession::reported, this, &UpdateWindow::showReport);
    connect(m_session, &UpdateSession::finished, this, &UpdateWindow::sessionFinished);
}

UpdateWindow::~UpdateWindow() = default;

// ---------------------------------------------------------------------------------------------
// Showing and the steps

void UpdateWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    PlaceSideWindow(this, event, mainWindow());
    if (!event->spontaneous())
        onShown();
}

// The window this one is centred over: the one that was active when it was opened, else the
// first plain window on screen (a desktop without a window manager activates none).
const QWidget* UpdateWindow::mainWindow() const
{
    if (const QWidget* active = QApplication::activeWindow(); active && active != this)
        return active;
    const auto windows = QApplication::topLevelWidgets();
    for (const QWidget* window : windows) {
        if (window != this && window->isVisible() && window->windowType() == Qt::Window)
            return window;
    }
    return nullptr;
}

void UpdateWindow::onShown()
{
    m_idleTexts = {QStringLiteral("检测网络配置"), QStringLiteral("获取升级信息"), QStringLiteral("获取升级文件"),
                 QStringLiteral("启动升级程序")};
    m_doneTexts = {QStringLiteral("检测网络配置...成功√"), QStringLiteral("获取升级信息...成功√"), QStringLiteral("获取升级文件...成功√"),
                 QStringLiteral("启动升级程序...")};
    startButton->setText(QStringLiteral("开  始"));
    cancelButton->setText(QStringLiteral("取  消"));
    resetSteps();
}

void UpdateWindow::resetSteps()
{
    for (size_t i = 0; i < stepGauges.size(); ++i) {
        showGaugePercent(stepGauges[i], false);
        setGauge(stepGauges[i], 0, m_idleTexts[i]);
    }
    startButton->setEnabled(true);
    SetScreenCursor(crDefault);
}

// The gauges show their own text; "showing the percentage" appends the value to it. The text is
// in place before the value changes, so that whoever watches the bar sees both at once.
void UpdateWindow::setGauge(TSkinGauge* gauge, int value, const QString& text)
{
    gauge->setProperty("StepText", text);
    refreshGaugeText(gauge, value);
    gauge->setValue(value);
}

void UpdateWindow::showGaugePercent(TSkinGauge* gauge, bool shown)
{
    gauge->setProperty("ShowPercent", shown);
    refreshGaugeText(gauge, gauge->value());
}

void UpdateWindow::refreshGaugeText(TSkinGauge* gauge, int value)
{
    const QString text = gauge->property("StepText").toString();
    gauge->setText(gauge->property("ShowPercent").toBool() ? text + QString::number(value) + u'%' : text);
}

void UpdateWindow::showStep(int step, const UpdateSession::StepState& state)
{
    static const std::array<QString, 4> working{kCheckingNetwork, kFetchingInformation, kFetchingProgram, QString()};
    const size_t i = size_t(step);
    QString text = m_idleTexts[i];
    if (state.phase == UpdateSession::StepPhase::Working)
        text = working[i];
    else if (state.phase == UpdateSession::StepPhase::Done)
        text = m_doneTexts[i];
    TSkinGauge* gauge = stepGauges[i];
    gauge->setProperty("ShowPercent", state.percentShown);
    setGauge(gauge, state.value, text);
}

void UpdateWindow::showDownloadProgress(int percentsDone)
{
    if (m_resultBox)
        m_resultBox->setPlainText(kProgress + QString::number(percentsDone) + u'%');
}

// ---------------------------------------------------------------------------------------------
// Start and Cancel

void UpdateWindow::onStartClicked()
{
    startButton->setEnabled(false);
    m_session->start(sessionSettings());
}

UpdateSettings UpdateWindow::sessionSettings() const
{
    return UpdateSettings{programPath, programPid, updatePublicKey, versionFilePause, m_versionFileUrl};
}

void UpdateWindow::onCancelClicked()
{
    stopRequest();
    if (m_resultBox)
        m_resultBox->clear();
    closeWindow();
}

void UpdateWindow::reject()
{
    stopRequest();
    QDialog::reject();
}

void UpdateWindow::stopRequest()
{
    m_session->abort();
}

void UpdateWindow::closeWindow()
{
    close();
}

bool UpdateWindow::startSwapBatch()
{
    return m_session->startSwapBatch(sessionSettings());
}

// ---------------------------------------------------------------------------------------------
// The component's events, handed on to the session

void UpdateWindow::onRequestProgress(QObject*, const QString&, qint64 DataSize, qint64 BytesRead, qint32, qint32,
                                      quint8 PercentsDone, float, QIODevice*)
{
    m_session->requestProgress(PercentsDone, DataSize, BytesRead);
}

void UpdateWindow::onRequestDone(QObject*, const QString&, qint64, QIODevice* Stream)
{
    m_session->requestDone(Stream);
}

void UpdateWindow::onHttpError(QObject*, qint32, QIODevice*)
{
    m_session->requestFailed(UpdateSession::RequestFailure::HTTPError);
}

void UpdateWindow::onHostUnreachable(QObject*)
{
    m_session->requestFailed(UpdateSession::RequestFailure::HostUnreachable);
}

void UpdateWindow::onWaitTimedOut(QObject*)
{
    m_session->requestFailed(UpdateSession::RequestFailure::WaitTimeout);
}

// ---------------------------------------------------------------------------------------------
// What the session reports

void UpdateWindow::showReport(UpdateSession::Report report)
{
    using Report = UpdateSession::Report;
    const bool error = report != Report::Newest && report != Report::Restarting;
    m_messages.show(reportText(report), error ? mtError : mtInformation);
}

void UpdateWindow::sessionFinished(UpdateSession::Ending ending)
{
    if (ending == UpdateSession::Ending::Closed)
        closeWindow();
    else if (ending == UpdateSession::Ending::Restart)
        endApplication();
}

QString UpdateWindow::reportText(UpdateSession::Report report) const
{
    using Report = UpdateSession::Report;
    const auto withSite = [](const QString& head) { return head + ProductWebSite() + kDownloadFailedTail; };
    switch (report) {
    case Report::NoNetwork: return kNoNetwork;
    case Report::HostUnreachable: return kHostUnreachable;
    case Report::TimedOut: return kTimedOut;
    case Report::ServerError: return kServerError;
    case Report::InformationFailed: return kInformationFailed;
    case Report::Newest: return kNewest;
    case Report::Older: return kOlder;
    case Report::NoAddress: return withSite(kNoAddressHead);
    case Report::AddressNotWeb: return withSite(kAddressNotWebHead);
    case Report::HashMissing: return withSite(kHashMissingHead);
    case Report::InsecureTransport: return withSite(kInsecureHead);
    case Report::SwapFailed: return withSite(kSwapFailedHead);
    case Report::Restarting: return kRestarting;
    case Report::DownloadFailed:
        break;
    }
    return downloadErrorText();
}

// ---------------------------------------------------------------------------------------------

QString UpdateWindow::downloadErrorText() const
{
    return kDownloadFailedHead + ProductWebSite() + kDownloadFailedTail;
}

} // namespace quillo
