#include "app/TranslateAnywhere.h"

#include "app/DesktopSettings.h"
#include "app/MainWindow.h"
#include "core/Languages.h"
#include "desktop/DesktopSettingsDialog.h"
#include "desktop/GlobalHotkey.h"
#include "desktop/ResultPopup.h"
#include "desktop/SelectionText.h"
#include "desktop/SingleInstance.h"
#include "session/SettingsStore.h"
#include "session/TranslationChoices.h"
#include "ui/SkinControls.h"

#include <QApplication>
#include <QCloseEvent>
#include <QImageReader>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

namespace quillo {

namespace {

QString pairText(int source, int target)
{
    const QStringList names = LanguageNames();
    return names.value(source) + QStringLiteral(" → ") + names.value(target);
}

// The program's own picture, from its resources. A style's standard icon would search the
// desktop's icon themes, and a reader left to guess would load every image format plug-in, even
// with the format named; both on the way to the first frame. Qt reads PNG itself.
QIcon trayIconImage()
{
    QIcon icon = QApplication::windowIcon();
    if (!icon.isNull())
        return icon;
    for (const int size : {16, 22, 24, 32, 48}) {
        QImageReader png(QStringLiteral(":/icons/%1").arg(size), "PNG");
        png.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(png.read()));
    }
    return icon;
}

} // namespace

TranslateAnywhere::TranslateAnywhere(MainWindow* mainForm, const DesktopChoices& choices, QObject* parent)
    : QObject(parent)
    , Popup(new ResultPopup)
    , Translator(new TextTranslator(this))
    , Hotkey(new GlobalHotkey(this))
    , TrayIcon(new QSystemTrayIcon(trayIconImage(), this))
    , m_mainWindow(mainForm)
    , m_translation(mainForm->translationChoices())
    , m_desktopChoices(choices)
{
    // The popup is a top-level window of its own; it goes with this object.
    connect(this, &QObject::destroyed, Popup, &QObject::deleteLater);
    CreateTrayMenu();
    TrayIcon->show();
    GrabHotkey(m_desktopChoices.hotkey);
    QApplication::setQuitOnLastWindowClosed(!m_desktopChoices.closeToTray);
    UpdateActions();

    connect(Hotkey, &GlobalHotkey::activated, this, &TranslateAnywhere::TranslateSelection);
    connect(Translator, &TextTranslator::finished, this, [this](const QString& result) {
        Popup->ShowResult(result);
        Record(m_popupJob, result);
    });
    connect(Translator, &TextTranslator::failed, Popup, &ResultPopup::ShowFailure);
    connect(Popup, &ResultPopup::openRequested, this, &TranslateAnywhere::OpenInMainWindow);
    connect(Popup, &ResultPopup::speakRequested, this, [this](const QString& text) {
        if (Hooks.speak)
            Hooks.speak(text, m_popupJob.target);
    });
    connect(m_mainWindow, &MainWindow::translationShown, this, &TranslateAnywhere::RecordMainWindowTranslation);
    connect(TrayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            ShowMainWindow();
    });
    m_mainWindow->installEventFilter(this);
    TrayIcon->setToolTip(QApplication::applicationName());
}

// A key another program holds is said at once: pressing it would otherwise just do nothing. Where
// no grab exists the settings dialog explains the desktop's own shortcuts instead.
void TranslateAnywhere::GrabHotkey(const QKeySequence& keys)
{
    if (!Hotkey->setShortcut(keys) && GlobalHotkey::grabAvailable())
        TrayIcon->showMessage(QApplication::applicationName(), Hotkey->error(), QSystemTrayIcon::Warning);
}

void TranslateAnywhere::CreateTrayMenu()
{
    TrayMenu = new TSkinPopupMenu(QStringLiteral("TrayMenu"), m_mainWindow);
    TranslateAction = TrayMenu->addItem(QStringLiteral("TranslateSelection"), QStringLiteral("翻译选中文字"));
    ShowAction = TrayMenu->addItem(QStringLiteral("ShowMainWindow"), QStringLiteral("显示主窗口"));
    HistoryAction = TrayMenu->addItem(QStringLiteral("History"), QStringLiteral("翻译历史"));
    VocabularyAction = TrayMenu->addItem(QStringLiteral("Vocabulary"), QStringLiteral("生词本"));
    SpeechAction = TrayMenu->addItem(QStringLiteral("Speech"), QStringLiteral("朗读"));
    SpeechAction->setCheckable(true);
    SettingsAction = TrayMenu->addItem(QStringLiteral("Settings"), QStringLiteral("设置..."));
    TrayMenu->addSeparatorItem(QStringLiteral("TraySeparator"));
    QuitAction = TrayMenu->addItem(QStringLiteral("Quit"), QStringLiteral("退出"));
    TrayIcon->setContextMenu(TrayMenu);

    connect(TranslateAction, &QAction::triggered, this, &TranslateAnywhere::TranslateSelection);
    connect(ShowAction, &QAction::triggered, this, &TranslateAnywhere::ShowMainWindow);
    connect(HistoryAction, &QAction::triggered, this, [this] {
        if (Hooks.showHistory)
            Hooks.showHistory();
    });
    connect(VocabularyAction, &QAction::triggered, this, [this] {
        if (Hooks.showVocabulary)
            Hooks.showVocabulary();
    });
    connect(SpeechAction, &QAction::triggered, this, [this](bool on) {
        DesktopChoices changed = m_desktopChoices;
        changed.speech = on;
        ApplyChoices(changed);
    });
    connect(SettingsAction, &QAction::triggered, this, &TranslateAnywhere::OpenSettings);
    connect(QuitAction, &QAction::triggered, this, &TranslateAnywhere::Quit);
}

void TranslateAnywhere::UpdateActions()
{
    SpeechAction->setChecked(m_desktopChoices.speech);
    Popup->SpeakButton->setVisible(m_desktopChoices.speech);
    HistoryAction->setEnabled(m_desktopChoices.history);
    TranslateAction->setText(m_desktopChoices.hotkey.isEmpty()
                                 ? QStringLiteral("翻译选中文字")
                                 : QStringLiteral("翻译选中文字\t") + m_desktopChoices.hotkey.toString(QKeySequence::NativeText));
}

QString TranslateAnywhere::HotkeyError() const
{
    return Hotkey->error();
}

void TranslateAnywhere::RunCommand(const QByteArray& command)
{
    if (command == kTranslateSelectionCommand)
        TranslateSelection();
    else if (command == kReadScreenRegionCommand && Hooks.readScreenRegion)
        Hooks.readScreenRegion();
    else
        ShowMainWindow();
}

void TranslateAnywhere::TranslateSelection()
{
    TranslateText(CurrentSelectionText());
}

TranslationJob TranslateAnywhere::JobFor(const QString& text) const
{
    TranslationJob job;
    job.text = text;
    job.engine = m_translation->engine().value_or(EngineId::TextService);
    job.topic = m_translation->topic().value_or(-1);
    job.target = IndexOf(m_translation->target());
    const int chosenSource = IndexOf(m_translation->source());
    const int detected = Hooks.detectLanguage ? Hooks.detectLanguage(text) : -1;
    job.source = detected >= 0 ? detected : chosenSource;
    // Text already in the target language goes the other way, into the language the user
    // translates from.
    if (job.source == job.target && chosenSource != job.target)
        job.target = chosenSource;
    return job;
}

void TranslateAnywhere::TranslateText(const QString& text)
{
    // A key pressed again while a translation runs waits for that one rather than replacing it.
    if (Translator->busy())
        return;
    m_popupJob = JobFor(text);
    Popup->ShowFor(text, pairText(m_popupJob.source, m_popupJob.target), !ActiveWindowIsFullScreen());
    Translator->translate(m_popupJob);
}

void TranslateAnywhere::Record(const TranslationJob& job, const QString& result)
{
    if (!m_desktopChoices.history || !Hooks.addToHistory)
        return;
    Hooks.addToHistory({job.source, job.target, EngineName(job.engine), job.text, result});
}

void TranslateAnywhere::RecordMainWindowTranslation(const QString& source, const QString& result)
{
    TranslationJob job;
    job.engine = m_translation->engine().value_or(EngineId::TextService);
    job.source = IndexOf(m_translation->source());
    job.target = IndexOf(m_translation->target());
    job.text = source;
    Record(job, result);
}

void TranslateAnywhere::OpenInMainWindow(const QString& text)
{
    m_mainWindow->sourceText->setPlainText(text);
    ShowMainWindow();
}

void TranslateAnywhere::ShowMainWindow()
{
    m_mainWindow->show();
    m_mainWindow->setWindowState(m_mainWindow->windowState() & ~Qt::WindowMinimized);
    m_mainWindow->raise();
    m_mainWindow->activateWindow();
}

void TranslateAnywhere::ApplyChoices(const DesktopChoices& choices)
{
    if (m_desktopChoices.history && !choices.history && Hooks.clearHistory)
        Hooks.clearHistory();
    if (choices.hotkey != Hotkey->shortcut() || !Hotkey->error().isEmpty())
        GrabHotkey(choices.hotkey);
    m_desktopChoices = choices;
    // With the window in the tray, closing the last dialog must not end the program.
    QApplication::setQuitOnLastWindowClosed(!m_desktopChoices.closeToTray);
    const auto key = OpenSettingsKey();
    WriteDesktopChoices(*key, m_desktopChoices);
    UpdateActions();
    if (Hooks.choicesApplied)
        Hooks.choicesApplied(m_desktopChoices);
}

void TranslateAnywhere::OpenSettings()
{
    DesktopSettingsDialog form(m_desktopChoices, GlobalHotkey::grabAvailable());
    form.setAttribute(Qt::WA_QuitOnClose, false);
    if (GlobalHotkey::grabAvailable() && !Hotkey->error().isEmpty())
        form.NoteLabel->setText(Hotkey->error() + u'\n' + form.NoteLabel->text());
    if (form.exec() == QDialog::Accepted)
        ApplyChoices(form.Choices());
}

void TranslateAnywhere::Quit()
{
    m_quitting = true;
    Popup->close();
    m_mainWindow->close();
    QApplication::quit();
}

bool TranslateAnywhere::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_mainWindow || event->type() != QEvent::Close || m_quitting)
        return false;
    if (m_desktopChoices.closeToTray && QSystemTrayIcon::isSystemTrayAvailable()) {
        event->ignore();
        m_mainWindow->hide();
        return true;
    }
    // Closing the main window ends the program, whatever other window of ours is still open.
    QTimer::singleShot(0, this, [this] {
        if (!m_mainWindow->isVisible())
            QApplication::quit();
    });
    return false;
}

void ServeInstance(TranslateAnywhere* anywhere, SingleInstance* instance, const QByteArray& startCommand)
{
    QObject::connect(instance, &SingleInstance::commandReceived, anywhere, &TranslateAnywhere::RunCommand);
    instance->listen();
    OfferCommandsOnSessionBus(instance);
    if (startCommand == kTranslateSelectionCommand || startCommand == kReadScreenRegionCommand)
        QTimer::singleShot(0, anywhere, [anywhere, startCommand] { anywhere->RunCommand(startCommand); });
}

} // namespace quillo
