#include "app/AnywhereServices.h"

#include "app/DesktopSettings.h"
#include "app/MainWindow.h"
#include "app/ScreenTextReading.h"
#include "app/TranslateAnywhere.h"
#include "history/HistoryStore.h"
#include "history/HistoryWindow.h"
#include "vocabulary/VocabularyBook.h"
#include "vocabulary/VocabularyWindow.h"
#include "session/SettingsStore.h"
#include "speech/Speaker.h"
#include "detect/LanguageDetect.h"
#include "ui/SkinControls.h"
#include "ui/TSkinMessage.h"

#include <QAction>
#include <QDateTime>
#include <QTimer>
#include <memory>

namespace quillo {

std::unique_ptr<TranslateAnywhere> StartTranslateAnywhere(MainWindow* mainForm)
{
    auto anywhere = std::make_unique<TranslateAnywhere>(mainForm, ReadDesktopChoices(*OpenSettingsKey()));
    // The database opens on first use: opening it at start put SQLite and its files on the way
    // to the first frame, which shows nothing of the history.
    const auto opened = std::make_shared<std::unique_ptr<HistoryStore>>();
    const auto store = [opened, mainForm]() -> HistoryStore* {
        if (!*opened) {
            *opened = std::make_unique<HistoryStore>(HistoryStore::defaultPath());
            // Told once, after the call that opened the store has done its work.
            if (const QString notice = (*opened)->damageNotice(); !notice.isEmpty())
                QTimer::singleShot(0, mainForm, [mainForm, notice] {
                    mainForm->messageBox->MessageDlg(notice, mtError, mbOK, 0);
                });
        }
        return opened->get();
    };
    auto* speaker = new Speaker(anywhere.get());
    QObject::connect(speaker, &Speaker::failed, mainForm,
                     [mainForm](const QString& message) { mainForm->messageBox->MessageDlg(message, mtError, mbOK, 0); });

    AnywhereHooks& hooks = anywhere->Hooks;
    hooks.detectLanguage = DetectLanguage;
    hooks.addToHistory = [store](const TranslationRecord& record) {
        store()->add({0, QDateTime::currentDateTime(), record.source, record.target, record.engine, record.sourceText,
                    record.result});
    };
    hooks.clearHistory = [store] { store()->clear(); };
    // The book, like the history, is read on first use.
    const auto book = std::make_shared<std::unique_ptr<VocabularyBook>>();
    hooks.vocabularyBook = [book]() -> VocabularyBook* {
        if (!*book)
            *book = std::make_unique<VocabularyBook>(VocabularyBook::defaultPath());
        return book->get();
    };
    hooks.showHistory = [store, mainForm, vocabulary = hooks.vocabularyBook] {
        HistoryWindow form(store(), mainForm);
        form.setVocabularyBook(vocabulary());
        form.exec();
    };
    hooks.showVocabulary = [mainForm, vocabulary = hooks.vocabularyBook] {
        VocabularyBook* opened = vocabulary();
        if (const auto problem = opened->loadError())
            mainForm->messageBox->MessageDlg(problem->sentence, mtError, mbOK, 0);
        VocabularyWindow form(opened, mainForm);
        form.exec();
    };
    QObject::connect(mainForm->windowVocabularyItem, &QAction::triggered, anywhere.get(),
                     [show = hooks.showVocabulary] { show(); });
    hooks.speak = [speaker](const QString& text, int language) { speaker->speak(text, language); };

    auto* screenText = new ScreenTextReading(anywhere.get(), mainForm->sourceText, anywhere.get());
    screenText->ApplyChoices(anywhere->Choices());
    hooks.readScreenRegion = [screenText] { screenText->ReadScreenRegion(); };
    hooks.choicesApplied = [screenText](const DesktopChoices& choices) { screenText->ApplyChoices(choices); };
    return anywhere;
}

} // namespace quillo
