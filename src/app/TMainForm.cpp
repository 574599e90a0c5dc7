#include "app/TMainForm.h"

#include "app/InformationText.h"
#include "app/SettingsStore.h"
#include "app/TranslationRequests.h"
#include "core/Languages.h"
#include "core/ProductIdentity.h"
#include "sendinfo/TSendUserInfo.h"
#include "tranURL/TURL.h"
#include "translate/ChineseConvert.h"
#include "translate/TranslationOutcome.h"
#include "ui/Fun.h"
#include "ui/ScreenCursor.h"
#include "ui/SkinControls.h"
#include "ui/SkinForm.h"
#include "ui/SkinLook.h"
#include "ui/TSkinMessage.h"
#include "update/TUpdateForm.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QShowEvent>
#include <QTextCursor>
#include <memory>

// Resources of a static library are registered by name, outside any namespace.
static void registerAppResources()
{
    Q_INIT_RESOURCE(app_resources);
}

namespace quillo {

namespace {

constexpr int kHintHidePause = 8000;
constexpr int kFixedBandsHeight = 150;  // spacer 13, two header bands of 43, button bar 51
constexpr QSize kMinimumOuterSize(436, 288);

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

void swapIndexes(QComboBox* first, QComboBox* second)
{
    const int firstIndex = first->currentIndex();
    first->setCurrentIndex(second->currentIndex());
    second->setCurrentIndex(firstIndex);
}

} // namespace

TMainForm::TMainForm(QWidget* parent)
    : QWidget(parent)
    , FSurroundings{[] { return QDate::currentDate(); }, InformationFilePath()}
{
    setObjectName(QStringLiteral("MainForm"));
    // The skin goes in first, so that the controls are made in its look and laid out once:
    // putting the look in afterwards laid every control out a second time.
    CreateSkins();
    CreateControls();
    CreateWebRequests();
    ConnectHandlers();
    FormCreate();
}

void TMainForm::setSurroundings(MainFormSurroundings surroundings)
{
    FSurroundings = std::move(surroundings);
}

void TMainForm::ConnectHandlers()
{
    connect(SkinButton1, &QPushButton::clicked, this, [this] { SkinButton1Click(SkinButton1); });
    connect(SkinButton2, &QPushButton::clicked, this, &TMainForm::SkinButton2Click);
    connect(SkinButton3, &QPushButton::clicked, this, &TMainForm::SkinButton3Click);
    connect(SkinButton5, &QPushButton::clicked, this, &TMainForm::SkinButton5Click);
    connect(SkinButton6, &QPushButton::clicked, this, &TMainForm::SkinButton6Click);
    connect(SkinButton7, &QPushButton::clicked, this, &TMainForm::SkinButton7Click);
    connect(SkinButton8, &QPushButton::clicked, this, &TMainForm::N5Click);

    Memo1->OnKeyDown = [this](QObject*, int key, Qt::KeyboardModifiers shift) { Memo1KeyDown(key, shift); };
    Memo1->OnKeyPress = [this](QObject*, QChar& key) { Memo1KeyPress(key); };

    connect(TranslationServer, &QComboBox::currentIndexChanged, this, &TMainForm::TranslationServerChange);
    for (TSkinComboBox* source : {SourceLanguage, SourceLanguage2, SecondTranOption})
        connect(source, &TSkinComboBox::closeUp, this, &TMainForm::SourceLanguageCloseUp);
    connect(TargetLanguage, &TSkinComboBox::closeUp, this, &TMainForm::TargetLanguageCloseUp);
    for (TSkinComboBox* choice : {TopicLanguage, TranslationServer})
        connect(choice, &TSkinComboBox::closeUp, this, &TMainForm::TopicLanguageCloseUp);
    for (TSkinLabel* swapper : {SrcLangLabel, TargetLabel})
        connect(swapper, &TSkinLabel::clicked, this, &TMainForm::SrcLangLabelClick);

    for (QAction* face : {MenuItem2, MenuItem3, MenuItem4, N1, N2, N3})
        connect(face, &QAction::triggered, this, [this, face] { N1Click(face); });
    connect(MenuItem6, &QAction::triggered, this, &TMainForm::N12Click);
    for (QAction* feedback : {MenuItem8, N5})
        connect(feedback, &QAction::triggered, this, &TMainForm::N5Click);
    for (QAction* site : {MenuItem12, N9})
        connect(site, &QAction::triggered, this, &TMainForm::N9Click);
}

// ---- Window events ----

void TMainForm::FormCreate()
{
    registerAppResources();
    SetCursorSlotLoader(crAppBusy, [] { return LoadAnimatedCursor(QStringLiteral(":/cursors/ANICURSOR_0")); });
    if (const auto arrow = LoadCursorFile(QStringLiteral(":/cursors/CURSOR_0")))
        SetCursorSlot(crAppArrow, *arrow);
    for (TSkinButton* button : {SkinButton1, SkinButton2, SkinButton3, SkinButton5, SkinButton6, SkinButton7})
        button->setCursor(AppCursor(crAppArrow));
    SetHintHidePause(this, kHintHidePause);
    ReadSettings();
}

void TMainForm::FormShow()
{
    Memo1->setFocus();
    PlaceWindow();
    if (const auto text = InformationText(FSurroundings.informationFile))
        Memo2->setPlainText(*text);
}

void TMainForm::FormClose()
{
    WriteSettings();
}

void TMainForm::FormResize()
{
    const int clientHeight = ClientSize(this).height();
    int panel1 = (clientHeight - kFixedBandsHeight) / 2;
    const int panel2 = clientHeight - kFixedBandsHeight - panel1;
    panel1 = (panel1 + panel2) / 2;
    FPanel1Height = std::max(0, panel1);

    const int outerWidth = frameGeometry().width();
    SkinPanel11->setVisible(outerWidth >= 589);
    SkinPanel12->setVisible(outerWidth >= 589);
    SkinButton6->setVisible(outerWidth > 514);
    SkinButton7->setVisible(outerWidth >= 600);
    SkinButton5->setVisible(outerWidth > 681);
    // The button bar places the buttons that are shown.
    LayOutControls();
}

void TMainForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A window coming back from the task bar is not being shown anew.
    if (!event->spontaneous())
        FormShow();
    UpdateMinimumSize();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    FormClose();
    QWidget::closeEvent(event);
}

void TMainForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FormResize();
    UpdateMinimumSize();
}

void TMainForm::contextMenuEvent(QContextMenuEvent* event)
{
    SkinPopupMenu1->popup(event->globalPos());
}

// The smallest outer size holds whatever frame the desktop draws around the window.
void TMainForm::UpdateMinimumSize()
{
    const QSize frame = frameGeometry().size() - size();
    const QSize minimum = (kMinimumOuterSize - frame).expandedTo(QSize(0, 0));
    if (minimumSize() != minimum)
        setMinimumSize(minimum);
}

// ---- Settings ----

void TMainForm::ReadSettings()
{
    const auto key = OpenSettingsKey();
    const StoredChoices choices = ReadChoices(*key);
    const Selections& selections = choices.selections;
    // Selecting the engine applies its layout through the list's change event.
    TranslationServer->setCurrentIndex(selections.TranServer);
    SecondTranOption->setCurrentIndex(selections.TranOption);
    SourceLanguage->setCurrentIndex(selections.SourceLanguage);
    SourceLanguage2->setCurrentIndex(selections.SourceLanguage2);
    TopicLanguage->setCurrentIndex(selections.TopicLanguage);
    TargetLanguage->setCurrentIndex(selections.TargetLanguage);
    if (choices.face)
        SelectStoredSkin(*choices.face);
}

void TMainForm::PlaceWindow()
{
    if (FSurroundings.today().day() % 3 == 0)
        CentreOnScreen();
    else
        RestorePlacement();
    KeepWithinReach(this);
    FOpenedPlacement = QRect(frameGeometry().topLeft(), ClientSize(this));
}

void TMainForm::CentreOnScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - frameGeometry().width()) / 2,
         area.y() + (area.height() - frameGeometry().height()) / 2);
}

void TMainForm::RestorePlacement()
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
        CentreOnScreen();
}

void TMainForm::WriteSettings()
{
    const auto key = OpenSettingsKey();
    WriteSelections(*key, {TranslationServer->currentIndex(), SecondTranOption->currentIndex(),
                           SourceLanguage->currentIndex(), SourceLanguage2->currentIndex(),
                           TopicLanguage->currentIndex(), TargetLanguage->currentIndex()});
    // The saved placement is the user's: a run that opened the window centred, or shrunk to a
    // small screen, and left it there must not overwrite it.
    const QRect placement(frameGeometry().topLeft(), ClientSize(this));
    if (!FOpenedPlacement || placement == *FOpenedPlacement)
        return;
    // A maximised or nearly screen-wide window keeps the placement it had before.
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen && frameGeometry().width() < screen->geometry().width() - 20)
        WritePlacement(*key, placement);
}

// ---- The translate action ----

void TMainForm::SkinButton1Click(QObject* /*sender*/)
{
    switch (TranslationServer->currentIndex()) {
    case 0:
        TranslateWorldLingo();
        break;
    case 1:
        TranslateBabelFish();
        break;
    default:
        break;
    }
}

bool TMainForm::CheckSourceText()
{
    Memo1->setFocus();
    if (!Memo1->toPlainText().isEmpty())
        return true;
    ShowError(kNoSourceText);
    return false;
}

bool TMainForm::CheckLanguagesDiffer(bool same)
{
    if (!same)
        return true;
    ShowError(kSameLanguages);
    return false;
}

void TMainForm::EnterBusy()
{
    SetScreenCursor(crAppBusy);
    SkinButton1->setEnabled(false);
    Memo2->clear();
}

void TMainForm::EndBusy()
{
    SetScreenCursor(crDefault);
    SkinButton1->setEnabled(true);
}

void TMainForm::ShowError(const QString& text)
{
    SkinMessage1->MessageDlg(text, mtError, mbOK, 0);
}

void TMainForm::Memo1KeyDown(int key, Qt::KeyboardModifiers shift)
{
    FSwallowKey = false;
    // Both tests run: Ctrl+Shift+Enter translates twice.
    if (isEnter(key) && shift.testFlag(Qt::ControlModifier)) {
        FSwallowKey = true;
        SkinButton1Click(this);
    }
    if (isEnter(key) && shift.testFlag(Qt::ShiftModifier)) {
        FSwallowKey = true;
        SkinButton1Click(this);
    }
}

void TMainForm::Memo1KeyPress(QChar& key)
{
    if (FSwallowKey)
        key = QChar();
}

void TMainForm::TranslationServerChange()
{
    const int engine = TranslationServer->currentIndex();
    if (engine != 0 && engine != 1)
        return;
    SourceLanguage2->setVisible(engine == 0);
    SourceLanguage->setVisible(engine == 1);
    SecondTranOption->setVisible(false);
    SrcLangLabel->setText(QStringLiteral("原文语言："));
    for (QWidget* control : std::initializer_list<QWidget*>{TopicLabel, TopicLanguage, TargetLabel, TargetLanguage})
        control->setVisible(true);
}

void TMainForm::SourceLanguageCloseUp()
{
    Memo1->setFocus();
}

void TMainForm::TargetLanguageCloseUp()
{
    Memo1->setFocus();
}

void TMainForm::TopicLanguageCloseUp()
{
    Memo1->setFocus();
}

// ---- Commands ----

void TMainForm::SkinButton2Click()
{
    Memo1->setFocus();
    Memo1->clear();
    Memo2->clear();
}

void TMainForm::SkinButton3Click()
{
    if (!Memo2->toPlainText().isEmpty()) {
        Memo2->selectAll();
        Memo2->copy();
    }
    Memo1->setFocus();
}

void TMainForm::SrcLangLabelClick()
{
    switch (TranslationServer->currentIndex()) {
    case 0:
        swapIndexes(SourceLanguage2, TargetLanguage);
        break;
    case 1:
        swapIndexes(SourceLanguage, TargetLanguage);
        break;
    default:
        break;
    }
}

void TMainForm::SkinButton6Click()
{
    Memo2->clear();
    const QStringList lines = HelpLines();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        Memo2->moveCursor(QTextCursor::End);
        Memo2->insertPlainText(lines.at(i) + QLatin1Char('\n'));
        // A blank line between the pieces.
        if (i + 1 < lines.size())
            Memo2->insertPlainText(QStringLiteral("\n"));
    }
    // The last line's break goes with one Backspace, typed while the box accepts typing.
    Memo2->setReadOnly(false);
    QKeyEvent backspace(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QCoreApplication::sendEvent(Memo2, &backspace);
    Memo2->setReadOnly(true);
    // Back to the first line, where the help begins.
    Memo2->moveCursor(QTextCursor::Start);
    Memo2->ensureCursorVisible();
}

template <typename Window>
void TMainForm::RunSideWindow(Window* window, bool resetScreenCursor)
{
    // Runs after the window is destroyed, also when showing it fails.
    const ScopeExit cleanUp([this, resetScreenCursor] {
        Memo1->setFocus();
        if (resetScreenCursor)
            SetScreenCursor(crDefault);
    });
    const std::unique_ptr<Window> owned(window);
    // Side windows wear the skinned frame like this one.
    AttachSkinForm(window);
    owned->exec();
}

void TMainForm::SkinButton5Click()
{
    // Owned by the application, not by this window.
    auto* window = new TUpdateForm(nullptr);
    SetClientSize(window, QSize(383, 178));
    window->setWindowTitle(QStringLiteral("智 能 升 级"));
    window->SkinButton1->setCursor(AppCursor(crAppArrow));
    window->SkinButton2->setCursor(AppCursor(crAppArrow));
    // Its progress and messages appear in this window's result box and message box.
    window->setResultBox(Memo2);
    window->setMessageBox(SkinMessage1);
    RunSideWindow(window, false);
}

void TMainForm::N12Click()
{
    SkinButton5Click();
}

void TMainForm::N5Click()
{
    auto* window = new TSendUserInfo(this);
    window->setMessageBox(SkinMessage1);
    window->SkinButton1->setCursor(AppCursor(crAppArrow));
    window->SkinButton2->setCursor(AppCursor(crAppArrow));
    SetClientSize(window, QSize(501, 268));
    RunSideWindow(window, true);
}

void TMainForm::SkinButton7Click()
{
    auto* window = new TURL(this);
    window->SkinButton1->setCursor(AppCursor(crAppArrow));
    SetClientSize(window, QSize(480, 216));
    window->setMessageBox(SkinMessage1);
    RunSideWindow(window, true);
}

void TMainForm::N9Click()
{
    ShellOpen(ProductWebSite());
}

} // namespace quillo
