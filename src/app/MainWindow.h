#pragma once
// The main window: the source and result boxes, the language, topic and engine lists, the button
// bar and the two menus; the translate action and the commands behind the buttons and menus.
#include "app/MainWindowControls.h"

#include <QByteArray>
#include <QDate>
#include <QWidget>
#include <functional>
#include <optional>

class QIODevice;
class QComboBox;
class QShortcut;
class QTimer;

namespace quillo {

class BabelFishEngine;
class WorldLingoEngine;
class TranslationEngine;
class TranslationChoices;
class PageTranslationWindow;
enum Language : int;
class WebRequestExchange;
enum class TranslationFailure;
struct TranslationOutcome;

// What the main window takes from its surroundings: the date that decides where it opens, and
// the information file whose text it shows at first.
struct MainWindowSurroundings
{
    std::function<QDate()> today;
    QString informationFile;
};

class MainWindow : public QWidget, public MainWindowControls
{
    Q_OBJECT
public:
    // Shows and changes `choices`, which outlives the window; the window keeps choices of its own
    // when none are handed in.
    explicit MainWindow(QWidget* parent = nullptr);
    explicit MainWindow(TranslationChoices* choices, QWidget* parent = nullptr);

    TranslationChoices* translationChoices() const { return m_choices; }

    // The program's surroundings unless replaced (tests do, before the first showing).
    void setSurroundings(MainWindowSurroundings surroundings);

    // The codes of the selected engine's last translation; kept between translations (a list
    // without a selection leaves the code of the previous one).
    QByteArray sourceCode() const;
    QByteArray targetCode() const;
    QByteArray topicCode() const;

    // Window events.
    void onCreated();
    void onShown();
    void onClosing();
    void onResized();

    // The translate action and the lists.
    void onTranslateClicked(QObject* sender);
    void onSourceKeyDown(int key, Qt::KeyboardModifiers shift);
    void onSourceKeyPress(QChar& key);
    void onEngineChanged();
    // Any list closing hands the focus back to the source text.
    void onListClosed();

    // The requests' events.
    void onRequestDone(QObject* sender, const QString& contentType, qint64 fileSize, QIODevice* stream);
    void onStageTwoDone(QObject* sender, const QString& contentType, qint64 fileSize, QIODevice* stream);
    void onConnectionLost(QObject* sender, const QString& contentType, qint64 fileSize, qint64 bytesRead,
                             QIODevice* stream);
    void onHttpError(QObject* sender, qint32 errorCode, QIODevice* stream);
    void onWaitTimedOut(QObject* sender);
    void onHostUnreachable(QObject* sender);

    // Whether the selected pair goes to the text service through English.
    bool needsEnglishPivot() const;

    // Commands.
    void clearTexts();
    void copyResult();
    void openUpdateWindow();
    void showHelp();
    void openPageTranslation();
    void swapLanguages();
    // Abandons the running translation: nothing is shown or kept of it.
    void cancelTranslation();
    void onSkinChosen(QAction* sender);
    void openFeedbackWindow();
    void openWebSite();

signals:
    // A translation reached the result box (not a failure's text).
    void translationShown(const QString& source, const QString& result);
    // The service's failure sentence stands where the translation would be.
    void failureSentenceShown(const QString& sentence);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void createControls();
    void createHeaderBands();
    void createTextAreas();
    void createButtonBar();
    void createMenus();
    void createSkins();
    void selectStoredSkin(int face);
    void markSkinInUse(int face);
    // Built-in skin number face (1 to 3); null for any other number.
    TCompressedStoredSkin* storedSkin(int face) const;
    void connectHandlers();
    void connectChoices();
    // The lists take the choices' values.
    void showChoices();
    void layOutControls();
    void layOutButtonBar(int barWidth);
    void updateMinimumSize();

    void readSettings();
    void placeWindow();
    void centreOnScreen();
    void restorePlacement();
    void writeSettings();

    // The frame both engines share; each engine supplies its language test and its codes.
    void translateWithWorldLingo();
    void translateWithTextService();
    void startTranslation(TranslationEngine& engine, std::optional<Language> source, bool sameLanguages,
                          const QByteArray& topicCode);
    bool checkSourceText();
    bool checkLanguagesDiffer(bool same);
    void enterBusy();
    void endBusy();
    void createRequests();
    TranslationEngine* selectedEngine() const;
    // The exchange that hears a component's completion; null with no engine selected.
    WebRequestExchange* exchangeOf(QObject* sender) const;
    void requestDone(QObject* sender, QIODevice* stream);
    void requestFailed(QObject* sender, TranslationFailure failure, QIODevice* stream = nullptr);
    void showOutcome(const TranslationOutcome& outcome);
    void showError(const QString& text);
    void showProgress();
    void showSourceCount();
    void onSourceCut(int removed);
    void restorePageLanguages(PageTranslationWindow* window) const;

    template <typename Window>
    void runSideWindow(Window* window, bool resetScreenCursor);

    MainWindowSurroundings m_surroundings;
    TranslationChoices* m_choices;
    // The engines and the exchanges they send through: the text service and the WorldLingo
    // loader both on translationRequest, the WorldLingo second stage on stageTwoRequest.
    BabelFishEngine* m_textService = nullptr;
    WorldLingoEngine* m_worldLingo = nullptr;
    WebRequestExchange* m_textServiceExchange = nullptr;
    WebRequestExchange* m_loaderExchange = nullptr;
    WebRequestExchange* m_stageTwoExchange = nullptr;

    bool m_swallowKey = false;
    // The seconds of the running translation tick in the result box.
    QTimer* m_progressTimer = nullptr;
    int m_secondsWaited = 0;
    QShortcut* m_cancelShortcut = nullptr;
    // What the last paste lost to the length limit; shown with the count until the next change.
    int m_charactersCut = 0;
    int m_sourcePanelHeight = 0;
    // Where the window opened (outer top-left, client size); none before it was first shown.
    std::optional<QRect> m_openedPlacement;
};

} // namespace quillo
