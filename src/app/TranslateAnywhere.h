#pragma once
// Translation around the main window: the desktop-wide key and the commands of later starts
// translate the current selection into the result popup; the tray icon offers the same and the
// program's other desktop commands. The main window stays as it is: the popup translates by the
// program's translation choices, which the main window shows, and "open in main window" hands it
// the text.
//
// Against a server with the open API the popup asks every engine the user chose at once, a card
// each, without waiting in nested loops; a server without it keeps the single-engine path of the
// main window's engines.
//
// History, language detection and speech come from their own modules; they are handed in as
// hooks, so that this glue holds no storage or speech of its own and tests can watch them.
#include "apiclient/ApiTypes.h"
#include "desktop/DesktopChoices.h"
#include "desktop/DesktopSettingsDialog.h"
#include "session/TextTranslator.h"

#include <QObject>
#include <functional>

class QAction;
class QPushButton;
class QSystemTrayIcon;

namespace quillo {

class ApiClient;
class GlobalHotkey;
class PortalShortcuts;
class SelectionReplacer;
class SingleInstance;
class MainWindow;
class TranslationChoices;
class ResultPopup;
class TSkinPopupMenu;
class VocabularyBook;

struct TranslationRecord
{
    int source = -1;
    int target = -1;
    QString engine;
    QString sourceText;
    QString result;
};

struct AnywhereHooks
{
    // The index of the text's language in the shared list; -1 when unknown.
    std::function<int(const QString&)> detectLanguage;
    // The languages the text may be in, likeliest first (indexes in the shared list).
    std::function<QList<int>(const QString&)> rankLanguages;
    std::function<void(const TranslationRecord&)> addToHistory;
    std::function<void()> clearHistory;
    std::function<void()> showHistory;
    std::function<void()> showVocabulary;
    // The vocabulary book, opened on first use; what a dictionary card's star keeps words in.
    std::function<VocabularyBook*()> vocabularyBook;
    std::function<void(const QString& text, int language)> speak;
    // Lets the user drag a rectangle over the screen and translates its text.
    std::function<void()> readScreenRegion;
    std::function<void(const DesktopChoices&)> choicesApplied;
};

class TranslateAnywhere : public QObject
{
    Q_OBJECT
public:
    TranslateAnywhere(MainWindow* mainForm, const DesktopChoices& choices, QObject* parent = nullptr);

    AnywhereHooks Hooks;

    // "show" or "translate-selection", from a later start or the session bus.
    void RunCommand(const QByteArray& command);
    void TranslateSelection();
    // The focused program's selection replaced by its translation, by the engine of the choices
    // (the popup's first where none is chosen or the chosen one is gone).
    void ReplaceSelection();
    void TranslateText(const QString& text);
    // Opens the popup with `text` as its source, translated once the user edits it (or asks).
    void ShowTextForEditing(const QString& text);
    // Takes new choices: grabs the new key, clears the history when it is turned off, and stores them.
    void ApplyChoices(const DesktopChoices& choices);
    // The settings dialog, opened on its engines page when asked.
    void OpenSettings(bool showEngines = false);
    void ShowMainWindow();
    void Quit();

    const DesktopChoices& Choices() const { return m_desktopChoices; }
    // Why the key could not be taken; empty when it was.
    QString HotkeyError() const;
    // How the desktop-wide keys reach the program on this desktop.
    ShortcutWay KeyWay() const;

    ResultPopup* Popup;
    TextTranslator* Translator;
    ApiClient* Api;
    GlobalHotkey* Hotkey;
    GlobalHotkey* ReplaceHotkey;
    SelectionReplacer* Replacer;
    TextTranslator* ReplaceTranslator;
    // The desktop portal's keys where no key can be grabbed (they work once it says it offers
    // them); else null.
    PortalShortcuts* Portal = nullptr;
    QSystemTrayIcon* TrayIcon;
    TSkinPopupMenu* TrayMenu;
    QAction* TranslateAction;
    QAction* ShowAction;
    QAction* HistoryAction;
    QAction* VocabularyAction;
    QAction* GlossaryAction;
    QAction* SpeechAction;
    QAction* SettingsAction;
    QAction* QuitAction;
    // Offered over the main window's result box after the server said it has no engine for the pair.
    QPushButton* EngineSetupButton = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateTrayMenu();
    void ShowGlossary();
    void GrabHotkey(GlobalHotkey* hotkey, const QKeySequence& keys);
    void BindPortalKeys();
    void UpdateActions();
    TranslationJob JobFor(const QString& text) const;
    bool OpenPopup(const QString& text);
    void StartPopupTranslation();
    void TranslateWithOneEngine();
    void TranslateWithCards();
    // The engines the popup asks for `job`, in its order; a dictionary leads for a word when
    // `dictionaryFirst`.
    QList<const EngineInfo*> PopupEngines(const TranslationJob& job, bool dictionaryFirst) const;
    void ReplaceWithApi();
    void ReplaceWithOneEngine();
    // The id of the engine that replaces for `job`; empty when none serves its pair.
    QString ReplaceEngineFor(const TranslationJob& job) const;
    void CancelPopupTranslation(const QString& note);
    void EndCards(const QString& unansweredNote);
    void OnEnginesListed(int call, const std::vector<EngineInfo>& engines);
    void OnApiFailed(int call, const ApiFailure& failure);
    bool OnReplaceFailed(int call, const ApiFailure& failure);
    int ListEngines();
    void OnReloaded(int call);
    void OnEngineDone(int call, const EngineResult& result);
    void Record(const TranslationJob& job, const QString& engineName, const QString& result);
    void Notify(const QString& text);
    void RecordMainWindowTranslation(const QString& source, const QString& result);
    void OpenInMainWindow(const QString& source, const QString& result);
    void OfferEngineSetup();

    MainWindow* m_mainWindow;
    // The program's translation choices, which the main window shows; the popup translates by them.
    TranslationChoices* m_translation;
    DesktopChoices m_desktopChoices;
    TranslationJob m_popupJob;
    enum class ApiState { Unknown, Present, Missing };
    ApiState m_apiState = ApiState::Unknown;
    std::vector<EngineInfo> m_engines;
    int m_enginesCall = 0;
    int m_translateCall = 0;
    TranslationJob m_replaceJob;
    int m_replaceEnginesCall = 0;
    int m_reloadCall = 0;
    int m_replaceCall = 0;
    bool m_quitting = false;
};

// engines.ini of the server the program starts, which the engines page writes.
QString EnginesIniPath();

// Commands that `instance` takes (from later starts once it listens, and from the session bus once
// offered there) reach `anywhere`, those that came earlier too; a start asked to translate the
// selection does so once the loop runs.
void ServeInstance(TranslateAnywhere* anywhere, SingleInstance* instance, const QByteArray& startCommand);

} // namespace quillo
