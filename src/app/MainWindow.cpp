#include "app/MainWindow.h"

#include "core/Languages.h"
#include "core/ProductIdentity.h"
#include "core/ServiceAddresses.h"
#include "http/WaitActivity.h"
#include "sendinfo/FeedbackWindow.h"
#include "session/InformationText.h"
#include "session/SettingsStore.h"
#include "session/TranslationChoices.h"
#include "session/TranslationRequests.h"
#include "tranURL/PageTranslationWindow.h"
#include "translate/ChineseConvert.h"
#include "translate/TranslationOutcome.h"
#include "ui/Fun.h"
#include "ui/ScreenCursor.h"
#include "ui/SkinControls.h"
#include "ui/SkinForm.h"
#include "ui/SkinLook.h"
#include "ui/TSkinMessage.h"
#include "update/UpdateWindow.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QShowEvent>
#include <QTextCursor>
#include <QTimer>
#include <memory>

// Resources of a static library are registered by name, outside any namespace.
static void registerAppResources()
{
    Q_INIT_RESOURCE(app_resources);
}

namespace quillo {

namespace {

constexpr int kHintHidePause = 8000;
// Settings values of the main window beyond the stored choices and placement.
const QString kMaximizedValue = QStringLiteral("Maximized");
const QString kPageSourceValue = QStringLiteral("URLSourceLanguage");
const QString kPageTargetValue = QStringLiteral("URLTargetLanguage");
constexpr int kFixedBandsHeight = 150;  // spacer 13, two header bands of 43, button bar 51
constexpr QSize kMinimumOuterSize(560, 288);

// Runs its clean-up on every way out of a scope, also when an error unwinds through it.
class ScopeExit
{
public:
    explicit ScopeExit(std::function<void()> end)
        : m_end(std::move(end))
    {
    }
    ~ScopeExit() { m_end(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    std::function<void()> m_end;
};

bool isEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : MainWindow(nullptr, parent)
{
}

MainWindow::MainWindow(TranslationChoices* choices, QWidget* parent)
    : QWidget(parent)
    , m_surroundings{[] { return QDate::currentDate(); }, InformationFilePath()}
    , m_choices(choices ? choices : new TranslationChoices(this))
{
    setObjectName(QStringLiteral("MainForm"));
    // The skin goes in first, so that the controls are made in its look and laid out once:
    // putting the look in afterwards laid every control out a second time.
    createSkins();
    createControls();
    createRequests();
    connectChoices();
    connectHandlers();
    onCreated();
}

void MainWindow::setSurroundings(MainWindowSurroundings surroundings)
{
    m_surroundings = std::move(surroundings);
}

// The lists are views of the choices: a list's change goes into them, and their change shows in
// every list. A list set to the index it already has raises nothing, so the two never ping-pong.
void MainWindow::connectChoices()
{
    const auto place = [](int index) { return index >= 0 ? std::optional<int>(index) : std::nullopt; };
    connect(engineList, &QComboBox::currentIndexChanged, m_choices,
            [this](int index) { m_choices->setEngine(EngineAt(index)); });
    connect(languagePairList, &QComboBox::currentIndexChanged, m_choices,
            [this, place](int index) { m_choices->setLanguagePair(place(index)); });
    connect(textServiceSourceList, &QComboBox::currentIndexChanged, m_choices,
            [this](int index) { m_choices->setSource(EngineId::TextService, LanguageAt(index)); });
    connect(worldLingoSourceList, &QComboBox::currentIndexChanged, m_choices,
            [this](int index) { m_choices->setSource(EngineId::WorldLingo, LanguageAt(index)); });
    connect(topicList, &QComboBox::currentIndexChanged, m_choices,
            [this, place](int index) { m_choices->setTopic(place(index)); });
    connect(targetList, &QComboBox::currentIndexChanged, m_choices,
            [this](int index) { m_choices->setTarget(LanguageAt(index)); });
    connect(m_choices, &TranslationChoices::changed, this, &MainWindow::showChoices);
    showChoices();
}

void MainWindow::showChoices()
{
    const std::optional<EngineId> engine = m_choices->engine();
    engineList->setCurrentIndex(engine ? int(*engine) : -1);
    languagePairList->setCurrentIndex(m_choices->languagePair().value_or(-1));
    textServiceSourceList->setCurrentIndex(IndexOf(m_choices->sourceOf(EngineId::TextService)));
    worldLingoSourceList->setCurrentIndex(IndexOf(m_choices->sourceOf(EngineId::WorldLingo)));
    topicList->setCurrentIndex(m_choices->topic().value_or(-1));
    targetList->setCurrentIndex(IndexOf(m_choices->target()));
}

void MainWindow::connectHandlers()
{
    connect(translateButton, &QPushButton::clicked, this, [this] { onTranslateClicked(translateButton); });
    connect(clearButton, &QPushButton::clicked, this, &MainWindow::clearTexts);
    connect(copyButton, &QPushButton::clicked, this, &MainWindow::copyResult);
    connect(updateButton, &QPushButton::clicked, this, &MainWindow::openUpdateWindow);
    connect(helpButton, &QPushButton::clicked, this, &MainWindow::showHelp);
    connect(webPageButton, &QPushButton::clicked, this, &MainWindow::openPageTranslation);
    connect(contactButton, &QPushButton::clicked, this, &MainWindow::openFeedbackWindow);

    sourceText->OnKeyDown = [this](QObject*, int key, Qt::KeyboardModifiers shift) { onSourceKeyDown(key, shift); };
    sourceText->OnKeyPress = [this](QObject*, QChar& key) { onSourceKeyPress(key); };

    connect(engineList, &QComboBox::currentIndexChanged, this, &MainWindow::onEngineChanged);
    for (TSkinComboBox* choice : {textServiceSourceList, worldLingoSourceList, languagePairList, targetList, topicList, engineList})
        connect(choice, &TSkinComboBox::closeUp, this, &MainWindow::onListClosed);
    for (TSkinLabel* swapper : {sourceLanguageLabel, targetLanguageLabel})
        connect(swapper, &TSkinLabel::clicked, this, &MainWindow::swapLanguages);

    for (const auto& items : {contextSkinItems, windowSkinItems})
        for (QAction* face : items)
            connect(face, &QAction::triggered, this, [this, face] { onSkinChosen(face); });
    connect(contextUpdateItem, &QAction::triggered, this, &MainWindow::openUpdateWindow);
    for (QAction* feedback : {contextFeedbackItem, windowFeedbackItem})
        connect(feedback, &QAction::triggered, this, &MainWindow::openFeedbackWindow);
    for (QAction* site : {contextWebSiteItem, windowWebSiteItem})
        connect(site, &QAction::triggered, this, &MainWindow::openWebSite);

    auto* swapKey = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+S")), this);
    connect(swapKey, &QShortcut::activated, this, &MainWindow::swapLanguages);
    m_cancelShortcut = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_cancelShortcut->setEnabled(false);
    connect(m_cancelShortcut, &QShortcut::activated, this, &MainWindow::cancelTranslation);
    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(1000);
    // The ticking is no sign of life from the request: a stalled one must still run out of time.
    MarkAmbient(m_progressTimer);
    connect(m_progressTimer, &QTimer::timeout, this, [this] {
        ++m_secondsWaited;
        showProgress();
    });

    connect(sourceText, &QPlainTextEdit::textChanged, this, [this] {
        m_charactersCut = 0;
        showSourceCount();
    });
    connect(sourceText, &TSkinMemo::textCut, this, &MainWindow::onSourceCut);
    showSourceCount();
}

void MainWindow::showSourceCount()
{
    const int length = sourceText->document()->characterCount() - 1;
    QString text = QStringLiteral("%1/%2").arg(length).arg(sourceText->maxLength());
    if (m_charactersCut > 0)
        text = QStringLiteral("原文最多 %1 字，超出的 %2 字已截去　").arg(sourceText->maxLength()).arg(m_charactersCut) + text;
    sourceCount->setText(text);
    sourceCount->setStyleSheet(m_charactersCut > 0 ? QStringLiteral("color: #c00000;") : QString());
}

// Runs after the change that was cut has been announced, so the notice outlives that change.
void MainWindow::onSourceCut(int removed)
{
    QTimer::singleShot(0, this, [this, removed] {
        m_charactersCut = removed;
        showSourceCount();
    });
}

// ---- Window events ----

void MainWindow::onCreated()
{
    registerAppResources();
    // The busy cursor's frames are no sign of the user's activity to a waiting request.
    MarkAmbient(ScreenCursorAnimation());
    SetCursorSlotLoader(crAppBusy, [] { return LoadAnimatedCursor(QStringLiteral(":/cursors/ANICURSOR_0")); });
    if (const auto arrow = LoadCursorFile(QStringLiteral(":/cursors/CURSOR_0")))
        SetCursorSlot(crAppArrow, *arrow);
    for (TSkinButton* button : {translateButton, clearButton, copyButton, updateButton, helpButton, webPageButton})
        button->setCursor(AppCursor(crAppArrow));
    SetHintHidePause(this, kHintHidePause);
    readSettings();
}

void MainWindow::onShown()
{
    sourceText->setFocus();
    placeWindow();
    // The text names the service's address: shown once that is known, so that the window need not
    // wait for the server the program starts; never over what the user has begun meanwhile.
    WhenServiceBaseKnown(this, [this] {
        if (!resultText->toPlainText().isEmpty())
            return;
        if (const auto text = InformationText(m_surroundings.informationFile))
            resultText->setPlainText(*text);
    });
}

void MainWindow::onClosing()
{
    writeSettings();
}

void MainWindow::onResized()
{
    const int clientHeight = ClientSize(this).height();
    int panel1 = (clientHeight - kFixedBandsHeight) / 2;
    const int panel2 = clientHeight - kFixedBandsHeight - panel1;
    panel1 = (panel1 + panel2) / 2;
    m_sourcePanelHeight = std::max(0, panel1);

    // Every control stays shown down to the smallest width, where the layout still holds them all:
    // hiding the engine list or a button left no other way to it.
    layOutControls();
}

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A window coming back from the task bar is not being shown anew.
    if (!event->spontaneous())
        onShown();
    updateMinimumSize();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    onClosing();
    QWidget::closeEvent(event);
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    onResized();
    updateMinimumSize();
}

void MainWindow::contextMenuEvent(QContextMenuEvent* event)
{
    contextMenu->popup(event->globalPos());
}

// The smallest outer size holds whatever frame the desktop draws around the window.
void MainWindow::updateMinimumSize()
{
    const QSize frame = frameGeometry().size() - size();
    const QSize minimum = (kMinimumOuterSize - frame).expandedTo(QSize(0, 0));
    if (minimumSize() != minimum)
        setMinimumSize(minimum);
}

// ---- Settings ----

void MainWindow::readSettings()
{
    const auto key = OpenSettingsKey();
    const StoredChoices choices = ReadChoices(*key);
    // Selecting the engine applies its layout through the list's change event.
    m_choices->setSelections(choices.selections);
    if (choices.face)
        selectStoredSkin(*choices.face);
}

void MainWindow::placeWindow()
{
    if (m_surroundings.today().day() % 3 == 0)
        centreOnScreen();
    else
        restorePlacement();
    KeepWithinReach(this);
    m_openedPlacement = QRect(frameGeometry().topLeft(), ClientSize(this));
    // Maximised once shown at the placement, so that restoring the window brings that placement back.
    if (OpenSettingsKey()->value(kMaximizedValue).toBool())
        QTimer::singleShot(0, this, [this] { setWindowState(windowState() | Qt::WindowMaximized); });
}

void MainWindow::centreOnScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - frameGeometry().width()) / 2,
         area.y() + (area.height() - frameGeometry().height()) / 2);
}

void MainWindow::restorePlacement()
{
    const auto placement = ReadPlacement(*OpenSettingsKey());
    if (!placement)
        return;
    // A placement on a monitor that is gone would leave the window where nobody can see it.
    const QSize frame = frameGeometry().size() - ClientSize(this);
    const QRect outer(placement->topLeft(), placement->size() + frame);
    bool visible = false;
    for (const QScreen* candidate : QGuiApplication::screens())
        visible = visible || candidate->geometry().intersects(outer);
    move(placement->topLeft());
    SetClientSize(this, placement->size());
    if (!visible)
        centreOnScreen();
}

void MainWindow::writeSettings()
{
    const auto key = OpenSettingsKey();
    WriteSelections(*key, m_choices->selections());
    key->setValue(kMaximizedValue, isMaximized());
    // The saved placement is the user's: a run that opened the window centred, or shrunk to a
    // small screen, and left it there must not overwrite it.
    const QRect placement(frameGeometry().topLeft(), ClientSize(this));
    if (!m_openedPlacement || placement == *m_openedPlacement)
        return;
    // A maximised or nearly screen-wide window keeps the placement it had before.
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen && frameGeometry().width() < screen->geometry().width() - 20)
        WritePlacement(*key, placement);
}

// ---- The translate action ----

void MainWindow::onTranslateClicked(QObject* /*sender*/)
{
    const std::optional<EngineId> engine = m_choices->engine();
    if (engine == EngineId::WorldLingo)
        translateWithWorldLingo();
    else if (engine == EngineId::TextService)
        translateWithTextService();
}

bool MainWindow::checkSourceText()
{
    sourceText->setFocus();
    if (!sourceText->toPlainText().isEmpty())
        return true;
    showError(kNoSourceText);
    return false;
}

bool MainWindow::checkLanguagesDiffer(bool same)
{
    if (!same)
        return true;
    showError(kSameLanguages);
    return false;
}

void MainWindow::enterBusy()
{
    SetScreenCursor(crAppBusy);
    translateButton->setEnabled(false);
    m_secondsWaited = 0;
    showProgress();
    m_progressTimer->start();
    m_cancelShortcut->setEnabled(true);
}

void MainWindow::endBusy()
{
    SetScreenCursor(crDefault);
    translateButton->setEnabled(true);
    m_progressTimer->stop();
    m_cancelShortcut->setEnabled(false);
}

// Where the result will appear, so that a slow engine shows the wait is still going on.
void MainWindow::showProgress()
{
    QString text = QStringLiteral("翻译中…");
    if (m_secondsWaited > 0)
        text += QStringLiteral(" %1 秒（按 Esc 取消）").arg(m_secondsWaited);
    resultText->setPlainText(text);
}

void MainWindow::showError(const QString& text)
{
    messageBox->MessageDlg(text, mtError, mbOK, 0);
}

void MainWindow::onSourceKeyDown(int key, Qt::KeyboardModifiers shift)
{
    m_swallowKey = false;
    // Both tests run: Ctrl+Shift+Enter translates twice.
    if (isEnter(key) && shift.testFlag(Qt::ControlModifier)) {
        m_swallowKey = true;
        onTranslateClicked(this);
    }
    if (isEnter(key) && shift.testFlag(Qt::ShiftModifier)) {
        m_swallowKey = true;
        onTranslateClicked(this);
    }
}

void MainWindow::onSourceKeyPress(QChar& key)
{
    if (m_swallowKey)
        key = QChar();
}

void MainWindow::onEngineChanged()
{
    const std::optional<EngineId> engine = m_choices->engine();
    if (!engine)
        return;
    worldLingoSourceList->setVisible(engine == EngineId::WorldLingo);
    textServiceSourceList->setVisible(engine == EngineId::TextService);
    languagePairList->setVisible(false);
    sourceLanguageLabel->setText(QStringLiteral("原文语言："));
    for (QWidget* control : std::initializer_list<QWidget*>{topicLabel, topicList, targetLanguageLabel, targetList})
        control->setVisible(true);
}

void MainWindow::onListClosed()
{
    sourceText->setFocus();
}

// ---- Commands ----

void MainWindow::clearTexts()
{
    sourceText->setFocus();
    sourceText->clear();
    resultText->clear();
}

void MainWindow::copyResult()
{
    // While a translation runs the box holds only its progress.
    if (!m_progressTimer->isActive() && !resultText->toPlainText().isEmpty()) {
        resultText->selectAll();
        resultText->copy();
    }
    sourceText->setFocus();
}

void MainWindow::swapLanguages()
{
    m_choices->swapLanguages();
}

// The help's pieces are kept as lines of one width; the box wraps them itself, so each paragraph
// goes in as one line: a heading ("【…】") or an indented line begins one, any other line continues it.
void MainWindow::showHelp()
{
    QStringList paragraphs;
    for (const QString& line : HelpLines()) {
        const bool begins = paragraphs.isEmpty() || line.startsWith(QStringLiteral("【"))
                            || line.startsWith(QStringLiteral("    ")) || paragraphs.constLast().startsWith(QStringLiteral("【"));
        if (begins)
            paragraphs.append(line);
        else
            paragraphs.last() += line;
    }
    resultText->setPlainText(paragraphs.join(QStringLiteral("\n\n")));
    // Back to the first line, where the help begins.
    resultText->moveCursor(QTextCursor::Start);
    resultText->ensureCursorVisible();
}

template <typename Window>
void MainWindow::runSideWindow(Window* window, bool resetScreenCursor)
{
    // Runs after the window is destroyed, also when showing it fails.
    const ScopeExit cleanUp([this, resetScreenCursor] {
        sourceText->setFocus();
        if (resetScreenCursor)
            SetScreenCursor(crDefault);
    });
    const std::unique_ptr<Window> owned(window);
    // Side windows wear the skinned frame like this one.
    AttachSkinForm(window);
    owned->exec();
}

void MainWindow::openUpdateWindow()
{
    // Owned by the application, not by this window.
    auto* window = new UpdateWindow(nullptr);
    SetClientSize(window, QSize(383, 178));
    window->setWindowTitle(QStringLiteral("智 能 升 级"));
    window->startButton->setCursor(AppCursor(crAppArrow));
    window->cancelButton->setCursor(AppCursor(crAppArrow));
    // Its progress and messages appear in this window's result box and message box.
    window->setResultBox(resultText);
    window->setMessageBox(messageBox);
    runSideWindow(window, false);
}

void MainWindow::openFeedbackWindow()
{
    auto* window = new FeedbackWindow(this);
    window->setMessageBox(messageBox);
    window->sendButton->setCursor(AppCursor(crAppArrow));
    window->closeButton->setCursor(AppCursor(crAppArrow));
    SetClientSize(window, QSize(501, 268));
    runSideWindow(window, true);
}

void MainWindow::openPageTranslation()
{
    auto* window = new PageTranslationWindow(this);
    window->translateButton->setCursor(AppCursor(crAppArrow));
    SetClientSize(window, QSize(480, 216));
    window->setMessageBox(messageBox);
    restorePageLanguages(window);
    // Kept however the window ends: the next page is most likely in the same languages.
    connect(window, &QDialog::finished, this, [window] {
        const auto key = OpenSettingsKey();
        key->setValue(kPageSourceValue, window->sourceList->currentIndex());
        key->setValue(kPageTargetValue, window->targetList->currentIndex());
    });
    runSideWindow(window, true);
}

void MainWindow::restorePageLanguages(PageTranslationWindow* window) const
{
    const auto key = OpenSettingsKey();
    const auto restore = [&key](TSkinComboBox* list, const QString& value) {
        bool stored = false;
        const int index = key->value(value).toInt(&stored);
        if (stored && index >= 0 && index < list->count())
            list->setCurrentIndex(index);
    };
    restore(window->sourceList, kPageSourceValue);
    restore(window->targetList, kPageTargetValue);
}

void MainWindow::openWebSite()
{
    ShellOpen(ProductWebSite());
}

} // namespace quillo
