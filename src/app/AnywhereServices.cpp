#include "app/AnywhereServices.h"

#include "app/DesktopSettings.h"
#include "app/MainWindow.h"
#include "app/ScreenTextReading.h"
#include "app/TranslateAnywhere.h"
#include "core/Languages.h"
#include "desktop/ResultPopup.h"
#include "history/HistoryStore.h"
#include "history/HistoryWindow.h"
#include "vocabulary/VocabularyBook.h"
#include "vocabulary/VocabularyWindow.h"
#include "session/SettingsStore.h"
#include "speech/Speaker.h"
#include "detect/LanguageDetect.h"
#include "translate/FailureSentence.h"
#include "ui/SkinControls.h"
#include "ui/TSkinMessage.h"

#include <QAction>
#include <QDateTime>
#include <QTimer>
#include <memory>
#include <optional>

namespace quillo {

namespace {

void ShowHistoryEntry(ResultPopup* popup, const HistoryEntry& entry)
{
    const QStringList names = LanguageNames();
    popup->ShowFor(entry.sourceText, names.value(entry.source) + QStringLiteral(" → ") + names.value(entry.target), true);
    if (IsFailureSentence(entry.result))
        popup->ShowFailure(entry.result);
    else
        popup->ShowResult(entry.result);
}

} // namespace

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
    hooks.rankLanguages = [](const QString& text) {
        QList<int> ranked;
        // The likeliest three: a choice of more is no longer one click.
        for (const LanguageGuess& guess : DetectLanguages(text))
            if (ranked.size() < 3)
                ranked.append(guess.index);
        return ranked;
    };
    hooks.addToHistory = [store](const TranslationRecord& record) {
        store()->add({0, QDateTime::currentDateTime(), record.source, record.target, record.engine, record.sourceText,
                    record.result});
    };
    // Turning the history off may mean only "stop keeping": what was kept goes only when the user says so.
    hooks.clearHistory = [store, mainForm] {
        if (mainForm->messageBox->MessageDlg(QStringLiteral("翻译历史已关闭。要同时清空已保存的翻译历史吗？清空后无法恢复。"),
                                             mtConfirmation, mbYes | mbNo, 0)
            == mrYes)
            store()->clear();
    };
    // The book, like the history, is read on first use.
    const auto book = std::make_shared<std::unique_ptr<VocabularyBook>>();
    hooks.vocabularyBook = [book]() -> VocabularyBook* {
        if (!*book)
            *book = std::make_unique<VocabularyBook>(VocabularyBook::defaultPath());
        return book->get();
    };
    TranslateAnywhere* popupOwner = anywhere.get();
    hooks.showHistory = [store, mainForm, popupOwner, vocabulary = hooks.vocabularyBook] {
        std::optional<HistoryEntry> opened;
        {
            HistoryWindow form(store(), mainForm);
            form.setVocabularyBook(vocabulary());
            QObject::connect(&form, &HistoryWindow::entryOpened, [&opened](const HistoryEntry& entry) { opened = entry; });
            form.exec();
        }
        // Shown once the modal window has gone, so that the popup takes the keyboard and mouse.
        if (opened)
            ShowHistoryEntry(popupOwner->Popup, *opened);
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
