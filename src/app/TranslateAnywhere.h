#pragma once
// Translation around the main window: the desktop-wide key and the commands of later starts
// translate the current selection into the result popup; the tray icon offers the same and the
// program's other desktop commands. The main window stays as it is: the popup translates by the
// program's translation choices, which the main window shows, and "open in main window" hands it
// the text.
//
// History, language detection and speech come from their own modules; they are handed in as
// hooks, so that this glue holds no storage or speech of its own and tests can watch them.
#include "desktop/DesktopChoices.h"
#include "session/TextTranslator.h"

#include <QObject>
#include <functional>

class QAction;
class QSystemTrayIcon;

namespace quillo {

class GlobalHotkey;
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
    void TranslateText(const QString& text);
    // Takes new choices: grabs the new key, clears the history when it is turned off, and stores them.
    void ApplyChoices(const DesktopChoices& choices);
    void OpenSettings();
    void ShowMainWindow();
    void Quit();

    const DesktopChoices& Choices() const { return m_desktopChoices; }
    // Why the key could not be taken; empty when it was.
    QString HotkeyError() const;

    ResultPopup* Popup;
    TextTranslator* Translator;
    GlobalHotkey* Hotkey;
    QSystemTrayIcon* TrayIcon;
    TSkinPopupMenu* TrayMenu;
    QAction* TranslateAction;
    QAction* ShowAction;
    QAction* HistoryAction;
    QAction* VocabularyAction;
    QAction* SpeechAction;
    QAction* SettingsAction;
    QAction* QuitAction;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateTrayMenu();
    void GrabHotkey(const QKeySequence& keys);
    void UpdateActions();
    TranslationJob JobFor(const QString& text) const;
    void Record(const TranslationJob& job, const QString& result);
    void RecordMainWindowTranslation(const QString& source, const QString& result);
    void OpenInMainWindow(const QString& text);

    MainWindow* m_mainWindow;
    // The program's translation choices, which the main window shows; the popup translates by them.
    TranslationChoices* m_translation;
    DesktopChoices m_desktopChoices;
    TranslationJob m_popupJob;
    bool m_quitting = false;
};

// Makes this start the running instance: commands of later starts and of the session bus reach
// `anywhere`, and a start asked to translate the selection does so once the loop runs.
void ServeInstance(TranslateAnywhere* anywhere, SingleInstance* instance, const QByteArray& startCommand);

} // namespace quillo
