#include "app/TranslateAnywhere.h"

#include "app/DesktopSettings.h"
#include "app/MainWindow.h"
#include "apiclient/ApiClient.h"
#include "core/Languages.h"
#include "core/ServiceAddresses.h"
#include "desktop/DesktopSettingsDialog.h"
#include "desktop/EnginesPage.h"
#include "desktop/GlobalHotkey.h"
#include "desktop/GlossaryWindow.h"
#include "desktop/ResultCard.h"
#include "desktop/PortalShortcuts.h"
#include "desktop/SelectionReplacer.h"
#include "desktop/ResultPopup.h"
#include "desktop/SelectionText.h"
#include "desktop/SingleInstance.h"
#include "session/SettingsStore.h"
#include "session/TranslationChoices.h"
#include "session/UserFolders.h"
#include "ui/SkinControls.h"

#include <QApplication>
#include <QCloseEvent>
#include <QImageReader>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>

#include <algorithm>

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

// A dictionary answers a word; a sentence is no work for it.
bool looksLikeWord(const QString& text)
{
    const QString trimmed = text.trimmed();
    return !trimmed.isEmpty() && trimmed.size() <= 32 && !trimmed.contains(u' ') && !trimmed.contains(u'\n');
}

// The server's answer when none of its engines serves the pair: a sentence in place of a translation.
bool isNoEngineAnswer(const QString& result)
{
    return result.startsWith(QStringLiteral("本服务器没有从")) && result.contains(QStringLiteral("的翻译引擎"));
}

// A dictionary's answer opens with its title in 【】 for the result box; a card shows the name already.
QString withoutTitleLine(const QString& text)
{
    const qsizetype end = text.indexOf(QLatin1Char('\n'));
    const QStringView first = QStringView(text).left(end);
    if (end < 0 || !first.startsWith(u'【') || !first.endsWith(u'】'))
        return text;
    return text.mid(end + 1);
}

bool isDictionary(const EngineInfo& engine)
{
    return engine.kind == QLatin1String("dictionary");
}

} // namespace

QString EnginesIniPath()
{
    return ServerDataFolder() + QStringLiteral("/engines.ini");
}

TranslateAnywhere::TranslateAnywhere(MainWindow* mainForm, const DesktopChoices& choices, QObject* parent)
    : QObject(parent)
    , Popup(new ResultPopup)
    , Translator(new TextTranslator(this))
    , Api(new ApiClient(&ServiceBase, this))
    , Hotkey(new GlobalHotkey(this))
    , ReplaceHotkey(new GlobalHotkey(this))
    , Replacer(new SelectionReplacer(CreateDesktopTyping(), this))
    , ReplaceTranslator(new TextTranslator(this))
    , TrayIcon(new QSystemTrayIcon(trayIconImage(), this))
    , m_mainWindow(mainForm)
    , m_translation(mainForm->translationChoices())
    , m_desktopChoices(choices)
{
    // The popup is a top-level window of its own; it goes with this object.
    connect(this, &QObject::destroyed, Popup, &QObject::deleteLater);
    CreateTrayMenu();
    TrayIcon->show();
    GrabHotkey(Hotkey, m_desktopChoices.hotkey);
    GrabHotkey(ReplaceHotkey, m_desktopChoices.replaceHotkey);
    if (!GlobalHotkey::grabAvailable()) {
        // The keys are bound once the portal says it is there; the start does not wait for it.
        Portal = new PortalShortcuts(this);
        connect(Portal, &PortalShortcuts::activated, this, [this](const QString& id) { RunCommand(id.toUtf8()); });
        connect(Portal, &PortalShortcuts::failed, this, &TranslateAnywhere::Notify);
        BindPortalKeys();
        Portal->check();
    }
    QApplication::setQuitOnLastWindowClosed(!m_desktopChoices.closeToTray);
    UpdateActions();

    connect(Hotkey, &GlobalHotkey::activated, this, &TranslateAnywhere::TranslateSelection);
    connect(ReplaceHotkey, &GlobalHotkey::activated, this, &TranslateAnywhere::ReplaceSelection);
    connect(ReplaceTranslator, &TextTranslator::finished, this, [this](const QString& result) {
        // The server's sentence about a pair it cannot translate is no translation to type.
        if (isNoEngineAnswer(result))
            return Replacer->fail(result);
        Replacer->finish(result);
    });
    connect(ReplaceTranslator, &TextTranslator::failed, Replacer, &SelectionReplacer::fail);
    connect(Replacer, &SelectionReplacer::notice, this, &TranslateAnywhere::Notify);
    connect(Translator, &TextTranslator::finished, this, [this](const QString& result) {
        if (isNoEngineAnswer(result))
            return Popup->ShowFailure(result);
        Popup->ShowResult(result);
        Record(m_popupJob, EngineName(m_popupJob.engine), result);
    });
    connect(Translator, &TextTranslator::failed, Popup, &ResultPopup::ShowFailure);
    connect(Api, &ApiClient::enginesListed, this, &TranslateAnywhere::OnEnginesListed);
    connect(Api, &ApiClient::failed, this, &TranslateAnywhere::OnApiFailed);
    connect(Api, &ApiClient::replied, this, &TranslateAnywhere::OnReloaded);
    connect(Api, &ApiClient::delta, this, [this](int call, const QString& engine, const QString& piece) {
        if (ResultCard* card = call == m_translateCall ? Popup->Card(engine) : nullptr)
            card->appendPiece(piece);
    });
    connect(Api, &ApiClient::engineDone, this, &TranslateAnywhere::OnEngineDone);
    connect(Api, &ApiClient::ended, this, [this](int call) {
        if (call == m_translateCall)
            EndCards(QStringLiteral("没有回答"));
        if (call == m_replaceCall) {
            m_replaceCall = 0;
            Replacer->fail(QStringLiteral("没有回答"));
        }
    });
    connect(Popup, &ResultPopup::openRequested, this, &TranslateAnywhere::OpenInMainWindow);
    connect(Popup, &ResultPopup::cancelRequested, this, [this] { CancelPopupTranslation(QStringLiteral("已取消")); });
    connect(Popup, &ResultPopup::closed, this, [this] { CancelPopupTranslation({}); });
    connect(Popup, &ResultPopup::sourceEdited, this, [this](const QString& text) {
        if (Translator->busy())
            return;
        m_popupJob = JobFor(text);
        StartPopupTranslation();
    });
    connect(Popup, &ResultPopup::sourceLanguageChosen, this, [this](int language) {
        if (Translator->busy())
            return;
        m_popupJob.source = language;
        if (m_popupJob.target == language)
            m_popupJob.target = IndexOf(m_translation->source()) != language ? IndexOf(m_translation->source())
                                                                               : IndexOf(m_translation->target());
        StartPopupTranslation();
    });
    connect(Popup, &ResultPopup::speakRequested, this, [this](const QString& text) {
        if (Hooks.speak)
            Hooks.speak(text, m_popupJob.target);
    });
    connect(m_mainWindow, &MainWindow::translationShown, this, &TranslateAnywhere::RecordMainWindowTranslation);
    connect(m_mainWindow, &MainWindow::failureSentenceShown, this, [this](const QString& sentence) {
        if (isNoEngineAnswer(sentence))
            OfferEngineSetup();
    });
    connect(TrayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            ShowMainWindow();
    });
    m_mainWindow->installEventFilter(this);
    TrayIcon->setToolTip(QApplication::applicationName());
}

// A key another program holds is said at once: pressing it would otherwise just do nothing. Where
// no grab exists the settings dialog explains the desktop's own shortcuts instead.
void TranslateAnywhere::GrabHotkey(GlobalHotkey* hotkey, const QKeySequence& keys)
{
    if (!hotkey->setShortcut(keys) && GlobalHotkey::grabAvailable())
        TrayIcon->showMessage(QApplication::applicationName(), hotkey->error(), QSystemTrayIcon::Warning);
}

// The portal's keys are named by the commands they run.
void TranslateAnywhere::BindPortalKeys()
{
    Portal->bind({{QString::fromLatin1(kTranslateSelectionCommand), QStringLiteral("翻译选中文字"), m_desktopChoices.hotkey},
                  {QString::fromLatin1(kReadScreenRegionCommand), QStringLiteral("屏幕取字"), m_desktopChoices.ocrHotkey},
                  {QString::fromLatin1(kReplaceSelectionCommand), QStringLiteral("替换选中文字"),
                   m_desktopChoices.replaceHotkey}});
}

ShortcutWay TranslateAnywhere::KeyWay() const
{
    if (GlobalHotkey::grabAvailable())
        return ShortcutWay::Grab;
    return Portal && Portal->available() ? ShortcutWay::Portal : ShortcutWay::DesktopSettings;
}

void TranslateAnywhere::Notify(const QString& text)
{
    TrayIcon->showMessage(QApplication::applicationName(), text, QSystemTrayIcon::Information);
}

void TranslateAnywhere::CreateTrayMenu()
{
    TrayMenu = new TSkinPopupMenu(QStringLiteral("TrayMenu"), m_mainWindow);
    TranslateAction = TrayMenu->addItem(QStringLiteral("TranslateSelection"), QStringLiteral("翻译选中文字"));
    ShowAction = TrayMenu->addItem(QStringLiteral("ShowMainWindow"), QStringLiteral("显示主窗口"));
    HistoryAction = TrayMenu->addItem(QStringLiteral("History"), QStringLiteral("翻译历史"));
    VocabularyAction = TrayMenu->addItem(QStringLiteral("Vocabulary"), QStringLiteral("生词本"));
    GlossaryAction = TrayMenu->addItem(QStringLiteral("Glossary"), QStringLiteral("术语表..."));
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
    connect(GlossaryAction, &QAction::triggered, this, &TranslateAnywhere::ShowGlossary);
    connect(m_mainWindow->windowMenu->addItem(QStringLiteral("WindowGlossary"), QStringLiteral("术语表...")),
            &QAction::triggered, this, &TranslateAnywhere::ShowGlossary);
    connect(SpeechAction, &QAction::triggered, this, [this](bool on) {
        DesktopChoices changed = m_desktopChoices;
        changed.speech = on;
        ApplyChoices(changed);
    });
    connect(SettingsAction, &QAction::triggered, this, [this] { OpenSettings(); });
    connect(QuitAction, &QAction::triggered, this, &TranslateAnywhere::Quit);
}

// One window, kept while the program runs, so a second click brings it forward.
void TranslateAnywhere::ShowGlossary()
{
    auto* window = m_mainWindow->findChild<GlossaryWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (!window)
        window = new GlossaryWindow(Api, m_mainWindow);
    else
        window->Reload();
    window->show();
    window->raise();
    window->activateWindow();
}

void TranslateAnywhere::UpdateActions()
{
    SpeechAction->setChecked(m_desktopChoices.speech);
    Popup->SetSpeechShown(m_desktopChoices.speech);
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
    else if (command == kReplaceSelectionCommand)
        ReplaceSelection();
    else if (command == kReadScreenRegionCommand && Hooks.readScreenRegion)
        Hooks.readScreenRegion();
    else
        ShowMainWindow();
}

void TranslateAnywhere::TranslateSelection()
{
    TranslateText(CurrentSelectionText());
}

void TranslateAnywhere::ReplaceSelection()
{
    if (ReplaceTranslator->busy() || Api->running(m_replaceCall) || Api->running(m_replaceEnginesCall))
        return;
    // Where keys can be typed the text must be selected now, never an older clipboard.
    const QString text = Replacer->canType() ? PrimarySelectionText() : CurrentSelectionText();
    if (!Replacer->begin(text))
        return;
    m_replaceJob = JobFor(text);
    if (m_apiState == ApiState::Missing || !RefusedJobText(m_replaceJob).isEmpty())
        return ReplaceWithOneEngine();
    if (m_apiState == ApiState::Present)
        return ReplaceWithApi();
    m_replaceEnginesCall = ListEngines();
}

// A server without the open API translates by the main window's engine.
void TranslateAnywhere::ReplaceWithOneEngine()
{
    if (!ReplaceTranslator->translate(m_replaceJob))
        Replacer->fail(QStringLiteral("翻译引擎没有启动"));
}

void TranslateAnywhere::ReplaceWithApi()
{
    const QString engine = ReplaceEngineFor(m_replaceJob);
    // No engine for the pair: the server's own chain says so in its words.
    if (engine.isEmpty())
        return ReplaceWithOneEngine();
    m_replaceCall = Api->translate(
        {m_replaceJob.text, ApiLanguageCode(m_replaceJob.source), ApiLanguageCode(m_replaceJob.target), {engine}});
}

// A dictionary's entry is no text to type in place of a sentence, so the popup's order is taken
// without one unless the user chose it. A choice the server no longer has (or a name stored by
// an older version) counts as none.
QString TranslateAnywhere::ReplaceEngineFor(const TranslationJob& job) const
{
    const QString source = ApiLanguageCode(job.source);
    const QString target = ApiLanguageCode(job.target);
    for (const EngineInfo& engine : m_engines)
        if (engine.id == m_desktopChoices.replaceEngine && engine.serves(source, target))
            return engine.id;
    const QList<const EngineInfo*> engines = PopupEngines(job, false);
    const auto translator = std::find_if(engines.begin(), engines.end(), [](const EngineInfo* e) { return !isDictionary(*e); });
    if (translator != engines.end())
        return (*translator)->id;
    return engines.isEmpty() ? QString() : engines.first()->id;
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
    if (!OpenPopup(text))
        return;
    StartPopupTranslation();
}

void TranslateAnywhere::ShowTextForEditing(const QString& text)
{
    if (!OpenPopup(text))
        return;
    Popup->StopWaiting(QStringLiteral("修改原文后将自动翻译。"));
}

bool TranslateAnywhere::OpenPopup(const QString& text)
{
    // A key pressed again while a single-engine translation runs waits for that one rather than
    // replacing it; the engines of the open API are simply asked again.
    if (Translator->busy())
        return false;
    CancelPopupTranslation({});
    m_popupJob = JobFor(text);
    Popup->ShowFor(text, pairText(m_popupJob.source, m_popupJob.target), !ActiveWindowIsFullScreen());
    return true;
}

void TranslateAnywhere::StartPopupTranslation()
{
    CancelPopupTranslation({});
    const QList<int> guesses = Hooks.rankLanguages ? Hooks.rankLanguages(m_popupJob.text) : QList<int>();
    Popup->ShowLanguages(guesses, m_popupJob.source, pairText(m_popupJob.source, m_popupJob.target));
    if (m_apiState == ApiState::Missing || !RefusedJobText(m_popupJob).isEmpty())
        return TranslateWithOneEngine();
    Popup->StartWaiting();
    if (m_apiState == ApiState::Present)
        return TranslateWithCards();
    if (!Api->running(m_enginesCall))
        m_enginesCall = ListEngines();
}

// The request components wait in a nested loop, which keeps the seconds counting; they cannot be
// stopped halfway, so no cancel button is offered.
void TranslateAnywhere::TranslateWithOneEngine()
{
    Popup->StartWaiting();
    Popup->CancelButton->hide();
    Translator->translate(m_popupJob);
    Popup->StopWaiting();
}

QList<const EngineInfo*> TranslateAnywhere::PopupEngines(const TranslationJob& job, bool dictionaryFirst) const
{
    const QString source = ApiLanguageCode(job.source);
    const QString target = ApiLanguageCode(job.target);
    QList<const EngineInfo*> chosen;
    const auto add = [&](const EngineInfo& engine) {
        if (engine.serves(source, target) && !chosen.contains(&engine))
            chosen.append(&engine);
    };
    if (!m_desktopChoices.popupEngines.isEmpty()) {
        for (const QString& id : m_desktopChoices.popupEngines)
            for (const EngineInfo& engine : m_engines)
                if (engine.id == id)
                    add(engine);
        return chosen;
    }
    if (dictionaryFirst && looksLikeWord(job.text))
        for (const EngineInfo& engine : m_engines)
            if (isDictionary(engine))
                add(engine);
    for (const EngineInfo& engine : m_engines)
        if (!isDictionary(engine))
            add(engine);
    return chosen;
}

void TranslateAnywhere::TranslateWithCards()
{
    const QList<const EngineInfo*> engines = PopupEngines(m_popupJob, true);
    // No engine for the pair: the server's own chain says so in its words.
    if (engines.isEmpty())
        return TranslateWithOneEngine();
    QList<QPair<QString, QString>> cards;
    TranslateCall call{m_popupJob.text, ApiLanguageCode(m_popupJob.source), ApiLanguageCode(m_popupJob.target), {}};
    for (const EngineInfo* engine : engines) {
        cards.append({engine->id, engine->name});
        call.engines.append(engine->id);
    }
    Popup->ShowCards(cards);
    m_translateCall = Api->translate(call);
}

void TranslateAnywhere::CancelPopupTranslation(const QString& note)
{
    if (!Api->running(m_translateCall) && !Api->running(m_enginesCall))
        return;
    Api->cancel(m_translateCall);
    Api->cancel(m_enginesCall);
    m_translateCall = m_enginesCall = 0;
    EndCards(note);
    // A stop the user asked for is told even when every card already shows what it kept.
    Popup->StopWaiting(note);
}

// The note is for answers that never came; once every card has its answer the popup says nothing.
void TranslateAnywhere::EndCards(const QString& unansweredNote)
{
    m_translateCall = 0;
    const QList<ResultCard*> cards = Popup->Cards();
    const bool unanswered = cards.isEmpty() || std::ranges::any_of(cards, [](const ResultCard* card) { return !card->finished(); });
    Popup->StopWaiting(unanswered ? unansweredNote : QString());
    for (ResultCard* card : cards)
        if (!card->finished())
            card->setFailure(unansweredNote.isEmpty() ? QStringLiteral("已取消") : unansweredNote);
}

void TranslateAnywhere::OnEnginesListed(int call, const std::vector<EngineInfo>& engines)
{
    const bool forPopup = call == m_enginesCall;
    const bool forReplacing = call == m_replaceEnginesCall;
    if (!forPopup && !forReplacing)
        return;
    (forPopup ? m_enginesCall : m_replaceEnginesCall) = 0;
    m_apiState = ApiState::Present;
    m_engines = engines;
    if (forPopup && Popup->isVisible())
        TranslateWithCards();
    if (forReplacing)
        ReplaceWithApi();
}

// True when the failed call was the replacing's.
bool TranslateAnywhere::OnReplaceFailed(int call, const ApiFailure& failure)
{
    if (call != m_replaceEnginesCall && call != m_replaceCall)
        return false;
    const bool listing = call == m_replaceEnginesCall;
    m_replaceEnginesCall = m_replaceCall = 0;
    if (failure.kind == ApiFailure::NoApi)
        m_apiState = ApiState::Missing;
    // As for the popup: an unreachable server is reported by the single-engine path in its words.
    if (listing || failure.kind == ApiFailure::NoApi)
        ReplaceWithOneEngine();
    else
        Replacer->fail(failure.kind == ApiFailure::Refused && !failure.message.isEmpty()
                           ? failure.message
                           : QStringLiteral("连接翻译服务器失败"));
    return true;
}

// Right after the settings were saved the server may still be reading its engines again: a list
// asked now would show the old ones, so the reload's own call stands for the list until it ends.
int TranslateAnywhere::ListEngines()
{
    return Api->running(m_reloadCall) ? m_reloadCall : Api->listEngines();
}

void TranslateAnywhere::OnReloaded(int call)
{
    if (call != m_reloadCall)
        return;
    m_reloadCall = 0;
    if (m_enginesCall == call)
        m_enginesCall = Api->listEngines();
    if (m_replaceEnginesCall == call)
        m_replaceEnginesCall = Api->listEngines();
}

void TranslateAnywhere::OnApiFailed(int call, const ApiFailure& failure)
{
    // A reload that failed still leaves engines to list.
    if (call == m_reloadCall)
        return OnReloaded(call);
    if (OnReplaceFailed(call, failure))
        return;
    if (call == m_enginesCall) {
        m_enginesCall = 0;
        // Only a server that answers without the API is taken for one; an unreachable one is
        // asked again next time, and the single-engine path reports it now in its own words.
        if (failure.kind == ApiFailure::NoApi)
            m_apiState = ApiState::Missing;
        if (Popup->isVisible())
            TranslateWithOneEngine();
    } else if (call == m_translateCall) {
        if (failure.kind == ApiFailure::NoApi) {
            m_apiState = ApiState::Missing;
            m_translateCall = 0;
            return TranslateWithOneEngine();
        }
        // libcurl's reasons are English and technical; the user gets one sentence of ours.
        const bool serverSaid = failure.kind == ApiFailure::Refused && !failure.message.isEmpty();
        EndCards(serverSaid ? failure.message : QStringLiteral("连接翻译服务器失败，本次翻译没有完成。"));
    }
}

void TranslateAnywhere::OnEngineDone(int call, const EngineResult& result)
{
    if (call == m_replaceCall) {
        m_replaceCall = 0;
        return result.failed() ? Replacer->fail(result.error) : Replacer->finish(result.text);
    }
    ResultCard* card = call == m_translateCall ? Popup->Card(result.engine) : nullptr;
    if (!card)
        return;
    if (result.failed())
        return card->setFailure(result.error);
    const bool fromDictionary = std::ranges::any_of(
        m_engines, [&](const EngineInfo& engine) { return engine.id == result.engine && isDictionary(engine); });
    card->setResult(fromDictionary ? withoutTitleLine(result.text) : result.text);
    card->setMissingTerms(result.missingTerms);
    if (fromDictionary && Hooks.vocabularyBook && !result.text.isEmpty())
        card->offerToKeep(Hooks.vocabularyBook(), m_popupJob.text.trimmed(), m_popupJob.text);
    Record(m_popupJob, card->NameLabel->text(), result.text);
}

// A failure never reaches this: only a translation is kept.
void TranslateAnywhere::Record(const TranslationJob& job, const QString& engineName, const QString& result)
{
    if (!m_desktopChoices.history || !Hooks.addToHistory)
        return;
    Hooks.addToHistory({job.source, job.target, engineName, job.text, result});
}

void TranslateAnywhere::RecordMainWindowTranslation(const QString& source, const QString& result)
{
    if (isNoEngineAnswer(result))
        return OfferEngineSetup();
    TranslationJob job;
    job.engine = m_translation->engine().value_or(EngineId::TextService);
    job.source = IndexOf(m_translation->source());
    job.target = IndexOf(m_translation->target());
    job.text = source;
    Record(job, EngineName(job.engine), result);
}

// A button over the main window's result box, gone with the next text there.
void TranslateAnywhere::OfferEngineSetup()
{
    QPlainTextEdit* box = m_mainWindow->resultText;
    if (!EngineSetupButton) {
        EngineSetupButton = new QPushButton(QStringLiteral("设置翻译引擎…"), box);
        EngineSetupButton->setObjectName(QStringLiteral("EngineSetupButton"));
        EngineSetupButton->setCursor(Qt::PointingHandCursor);
        connect(EngineSetupButton, &QPushButton::clicked, this, [this] { OpenSettings(true); });
        connect(box, &QPlainTextEdit::textChanged, EngineSetupButton, &QWidget::hide);
    }
    EngineSetupButton->adjustSize();
    EngineSetupButton->move(box->width() - EngineSetupButton->width() - 24, box->height() - EngineSetupButton->height() - 8);
    EngineSetupButton->show();
    EngineSetupButton->raise();
}

void TranslateAnywhere::OpenInMainWindow(const QString& source, const QString& result)
{
    m_mainWindow->sourceText->setPlainText(source);
    m_mainWindow->resultText->setPlainText(result);
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
        GrabHotkey(Hotkey, choices.hotkey);
    if (choices.replaceHotkey != ReplaceHotkey->shortcut() || !ReplaceHotkey->error().isEmpty())
        GrabHotkey(ReplaceHotkey, choices.replaceHotkey);
    const bool keysChanged = choices.hotkey != m_desktopChoices.hotkey || choices.ocrHotkey != m_desktopChoices.ocrHotkey
                             || choices.replaceHotkey != m_desktopChoices.replaceHotkey;
    m_desktopChoices = choices;
    if (Portal && keysChanged)
        BindPortalKeys();
    // With the window in the tray, closing the last dialog must not end the program.
    QApplication::setQuitOnLastWindowClosed(!m_desktopChoices.closeToTray);
    const auto key = OpenSettingsKey();
    WriteDesktopChoices(*key, m_desktopChoices);
    UpdateActions();
    if (Hooks.choicesApplied)
        Hooks.choicesApplied(m_desktopChoices);
}

void TranslateAnywhere::OpenSettings(bool showEngines)
{
    DesktopSettingsDialog form(m_desktopChoices, KeyWay());
    form.setAttribute(Qt::WA_QuitOnClose, false);
    if (GlobalHotkey::grabAvailable() && !Hotkey->error().isEmpty())
        form.NoteLabel->setText(Hotkey->error() + u'\n' + form.NoteLabel->text());
    if (Portal)
        connect(Portal, &PortalShortcuts::checked, &form, [this, &form] { form.ShowKeyWay(KeyWay()); });
    // The server's engines as they are now, for the replacing's engine.
    const int enginesCall = Api->listEngines();
    connect(Api, &ApiClient::enginesListed, &form, [&form, enginesCall](int call, const std::vector<EngineInfo>& listed) {
        if (call == enginesCall)
            form.ShowEngines(listed);
    });
    auto* engines = new EnginesPage(Api, EnginesIniPath(), m_desktopChoices.popupEngines);
    form.AddPage(engines, QStringLiteral("翻译引擎"));
    if (showEngines)
        form.Pages->setCurrentWidget(engines);
    const int answer = form.exec();
    Api->cancel(enginesCall);
    if (answer != QDialog::Accepted)
        return;
    DesktopChoices choices = form.Choices();
    choices.popupEngines = engines->PopupEngines();
    ApplyChoices(choices);
    engines->Save();
    m_reloadCall = engines->reloadCall();
    // The server's engines may have changed: the next popup reads them again.
    m_apiState = ApiState::Unknown;
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
    if (startCommand == kTranslateSelectionCommand || startCommand == kReadScreenRegionCommand)
        QTimer::singleShot(0, anywhere, [anywhere, startCommand] { anywhere->RunCommand(startCommand); });
}

} // namespace quillo
