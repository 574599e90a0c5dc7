// The control tree of the main window, its menus and its layout. Controls keep fixed positions
// inside their panels; the panels are aligned to the window's edges by layOutControls, the way
// the window has always been laid out (top and bottom bands across the whole width, the side
// margins between them, the text areas sharing what is left).
#include "app/AfterFirstPaint.h"
#include "app/CharTableModel.h"
#include "app/MainWindow.h"
#include "core/Languages.h"
#include "session/TranslationChoices.h"
#include "translate/LanguagePairs.h"
#include "ui/SkinControls.h"
#include "ui/SkinForm.h"
#include "ui/SkinLook.h"
#include "ui/TSkinMessage.h"

#include <QActionGroup>
#include <array>
#include <QListView>
#include <QScrollBar>
#include <QVBoxLayout>

namespace quillo {

namespace {

constexpr int kMarginWidth = 12;
constexpr int kButtonBarHeight = 51;
constexpr int kSpacerHeight = 13;
constexpr int kHeaderBandHeight = 43;
constexpr int kLanguagePanelWidth = 252;
constexpr int kChoicePanelWidth = 206;
constexpr int kStartPanelWidth = 119;
constexpr int kStartButtonLeft = 10;
constexpr int kButtonGap = 6;
constexpr int kSourceLimit = 2000;
// Panels of a header band may overlap by the blank the language panel keeps before its label.
constexpr int kLanguagePanelLead = 26;

// The buttons between the first two and the start button, left to right: where they stand when
// the bar has room, and how wide they are.
struct BarPlace
{
    int left;
    int width;
};
constexpr BarPlace kUpdatePlace{242, 70};
constexpr BarPlace kHelpPlace{318, 70};
constexpr BarPlace kContactPlace{394, 70};
constexpr BarPlace kWebPlace{470, 72};

TSkinLabel* label(const char* name, const QString& caption, QWidget* parent, int x, int y)
{
    auto* control = new TSkinLabel(QString::fromLatin1(name), caption, parent);
    control->move(x, y);
    control->adjustSize();
    return control;
}

TSkinComboBox* list(const char* name, const QStringList& items, QWidget* parent, const QRect& geometry)
{
    auto* control = new TSkinComboBox(QString::fromLatin1(name), parent);
    control->addItems(items);
    // The lists start without a selection; the settings choose the entries.
    control->setCurrentIndex(-1);
    control->setGeometry(geometry);
    return control;
}

TSkinButton* button(const char* name, const QString& caption, const QString& hint, QWidget* parent, int left,
                    int width)
{
    auto* control = new TSkinButton(QString::fromLatin1(name), caption, parent);
    control->setGeometry(left, 12, width, 26);
    control->setToolTip(hint);
    return control;
}

TSkinMemo* memo(const char* name, const char* scrollBarName, QWidget* panel)
{
    auto* control = new TSkinMemo(QString::fromLatin1(name), panel);
    control->setFont(SongFont(14));
    control->verticalScrollBar()->setObjectName(QString::fromLatin1(scrollBarName));
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(control);
    return control;
}

QListView* tableList(const char* name, CharTableModel::Side side, QWidget* parent)
{
    auto* control = new QListView(parent);
    control->setObjectName(QString::fromLatin1(name));
    control->setModel(new CharTableModel(side, control));
    // Every item is one character, so one measured item sizes them all; otherwise each style
    // change lays out thousands of glyphs for lists nobody sees.
    control->setUniformItemSizes(true);
    control->hide();
    return control;
}

// The three skin entries of a menu: radio entries whose tag names the skin, the first checked.
std::array<QAction*, 3> faceItems(TSkinPopupMenu* menu, const std::array<const char*, 3>& names)
{
    const QString captions[] = {QStringLiteral("程序界面（一）"), QStringLiteral("程序界面（二）"),
                                QStringLiteral("程序界面（三）")};
    auto* group = new QActionGroup(menu);
    std::array<QAction*, 3> items{};
    for (int i = 0; i < 3; ++i) {
        items[i] = menu->addItem(QString::fromLatin1(names[i]), captions[i], i + 1);
        items[i]->setCheckable(true);
        group->addAction(items[i]);
    }
    items[0]->setChecked(true);
    return items;
}

} // namespace

void MainWindow::createControls()
{
    setWindowTitle(QStringLiteral(" Quillo   翻   译   软   件 "));
    setFont(SongFont(12));
    ApplySkinLook(this, "form");

    leftMargin = new TSkinPanel(QStringLiteral("SkinPanel2"), this);
    rightMargin = new TSkinPanel(QStringLiteral("SkinPanel1"), this);
    buttonBar = new TSkinPanel(QStringLiteral("SkinPanel4"), this);
    workArea = new TSkinPanel(QStringLiteral("SkinPanel5"), this);
    topSpacer = new TSkinPanel(QStringLiteral("SkinPanel3"), workArea);
    createHeaderBands();
    createTextAreas();
    createButtonBar();
    messageBox = new TSkinMessage(this);
    createMenus();
    skinFrame = TSkinForm::of(this);
    if (skinFrame)
        skinFrame->setWindowMenu(windowMenu);
    SetClientSize(this, QSize(671, 438));
    move(204, 111);
}

void MainWindow::createHeaderBands()
{
    const QStringList languages = LanguageNames();

    sourceBand = new TSkinPanel(QStringLiteral("SkinPanel6"), workArea);
    sourceHeading = label("Label1", QStringLiteral("原文文本"), sourceBand, 1, 14);
    sourceLanguagePanel = new TSkinPanel(QStringLiteral("SkinPanel9"), sourceBand);
    sourceLanguageLabel = label("SrcLangLabel", QStringLiteral("原文语言："), sourceLanguagePanel, 29, 14);
    // Stacked in this order, the last on top.
    const QRect sourceListPlace(99, 10, 153, 20);
    textServiceSourceList = list("SourceLanguage", languages, sourceLanguagePanel, sourceListPlace);
    languagePairList = list("SecondTranOption", LanguagePairNames(), sourceLanguagePanel, sourceListPlace);
    worldLingoSourceList = list("SourceLanguage2", languages, sourceLanguagePanel, sourceListPlace);
    enginePanel = new TSkinPanel(QStringLiteral("SkinPanel11"), sourceBand);
    engineLabel = label("Label6", QStringLiteral("翻译引擎："), enginePanel, 2, 14);
    engineList = list("TranslationServer", EngineNames(),
                             enginePanel, QRect(69, 10, 133, 20));

    resultBand = new TSkinPanel(QStringLiteral("SkinPanel7"), workArea);
    resultHeading = label("Label2", QStringLiteral("译文文本"), resultBand, 1, 16);
    targetLanguagePanel = new TSkinPanel(QStringLiteral("SkinPanel8"), resultBand);
    targetLanguageLabel = label("TargetLabel", QStringLiteral("译文语言："), targetLanguagePanel, 29, 14);
    targetList = list("TargetLanguage", languages, targetLanguagePanel, QRect(99, 12, 153, 20));
    topicPanel = new TSkinPanel(QStringLiteral("SkinPanel12"), resultBand);
    topicLabel = label("TopicLabel", QStringLiteral("译文主题："), topicPanel, 2, 16);
    topicList = list("TopicLanguage", TopicNames(), topicPanel, QRect(69, 12, 133, 20));

    for (TSkinLabel* heading : {sourceHeading, resultHeading}) {
        heading->setHeavy(true);
        heading->adjustSize();
    }
    for (TSkinLabel* swapper : {sourceLanguageLabel, targetLanguageLabel}) {
        swapper->setToolTip(QStringLiteral("互换语言（Ctrl+Shift+S）"));
        swapper->setCursor(Qt::PointingHandCursor);
    }
}

void MainWindow::createTextAreas()
{
    sourcePanel = new TSkinPanel(QStringLiteral("Panel1"), workArea, true);
    sourceText = memo("Memo1", "SkinScrollBar1", sourcePanel);
    sourceText->setMaxLength(kSourceLimit);
    sourceText->setToolTip(QStringLiteral(" 翻译快捷键 Ctrl+Enter "));
    // Tab leaves the box like in every other control; a tab character is no text to translate.
    sourceText->setTabChangesFocus(true);
    sourceCount = new TSkinLabel(QStringLiteral("SourceCount"), QString(), sourcePanel);
    sourceCount->setAlignment(Qt::AlignRight);
    sourcePanel->layout()->addWidget(sourceCount);

    resultPanel = new TSkinPanel(QStringLiteral("Panel2"), workArea, true);
    resultText = memo("Memo2", "SkinScrollBar2", resultPanel);
    resultText->setReadOnly(true);
    resultText->setTabChangesFocus(true);

    // Never shown: made once the first frame is out.
    AfterFirstPaint(this, [this] {
        simplifiedTable = tableList("ListBox1", CharTableModel::Simplified, this);
        traditionalTable = tableList("ListBox2", CharTableModel::Traditional, this);
    });
}

void MainWindow::createButtonBar()
{
    clearButton = button("SkinButton2", QStringLiteral("清空文本"), QStringLiteral("清空原文和译文"), buttonBar, 13, 70);
    copyButton = button("SkinButton3", QStringLiteral("复制译文"), QStringLiteral("复制译文到剪贴板"), buttonBar, 89, 70);
    updateButton = button("SkinButton5", QStringLiteral("智能升级"), QStringLiteral("自动检测更新软件"), buttonBar,
                         kUpdatePlace.left, kUpdatePlace.width);
    helpButton = button("SkinButton6", QStringLiteral("使用帮助"), QStringLiteral("使用方法"), buttonBar,
                         kHelpPlace.left, kHelpPlace.width);
    contactButton = button("SkinButton8", QStringLiteral("联系我们"), QStringLiteral("提交信息给我们，我们将予以回复"),
                         buttonBar, kContactPlace.left, kContactPlace.width);
    webPageButton = button("SkinButton7", QStringLiteral("网站翻译"), QStringLiteral("网站翻译"), buttonBar,
                         kWebPlace.left, kWebPlace.width);
    translatePanel = new TSkinPanel(QStringLiteral("SkinPanel10"), buttonBar);
    translateButton = button("SkinButton1", QStringLiteral("开 始 翻 译"), QString(), translatePanel, kStartButtonLeft, 96);
}

void MainWindow::createMenus()
{
    contextMenu = new TSkinPopupMenu(QStringLiteral("SkinPopupMenu1"), this);
    contextSkinItems = faceItems(contextMenu, {"MenuItem2", "MenuItem3", "MenuItem4"});
    contextMenu->addSeparatorItem(QStringLiteral("MenuItem5"));
    contextUpdateItem = contextMenu->addItem(QStringLiteral("MenuItem6"), QStringLiteral("智能升级"));
    contextMenu->addSeparatorItem(QStringLiteral("MenuItem7"));
    contextFeedbackItem = contextMenu->addItem(QStringLiteral("MenuItem8"), QStringLiteral("在线提交信息"));
    contextMenu->addSeparatorItem(QStringLiteral("MenuItem9"));
    contextWebSiteItem = contextMenu->addItem(QStringLiteral("MenuItem12"), QStringLiteral("浏览Quillo翻译软件的网站"));

    windowMenu = new TSkinPopupMenu(QStringLiteral("SkinPopupMenu2"), this);
    windowMenu->addSeparatorItem(QStringLiteral("N10"));
    windowSkinItems = faceItems(windowMenu, {"N1", "N2", "N3"});
    windowMenu->addSeparatorItem(QStringLiteral("N13"));
    windowFeedbackItem = windowMenu->addItem(QStringLiteral("N5"), QStringLiteral("在线提交信息"));
    windowMenu->addSeparatorItem(QStringLiteral("N6"));
    windowWebSiteItem = windowMenu->addItem(QStringLiteral("N9"), QStringLiteral("浏览Quillo翻译软件的网站"));
    windowMenu->addSeparatorItem(QStringLiteral("N11"));
    windowVocabularyItem = windowMenu->addItem(QStringLiteral("VocabularyItem"), QStringLiteral("生词本"));

    for (QWidget* control : std::initializer_list<QWidget*>{worldLingoSourceList, engineList, targetList, topicList})
        SetPopupMenu(control, contextMenu);
    for (QWidget* control : std::initializer_list<QWidget*>{sourceHeading, resultHeading, engineLabel, sourceLanguageLabel, targetLanguageLabel, topicLabel,
                                                            textServiceSourceList, languagePairList})
        SetPopupMenu(control, windowMenu);
}

void MainWindow::layOutControls()
{
    // Inside the skinned frame, where the window draws one.
    const QRect client = contentsRect();
    const int width = client.width();
    const int height = client.height();
    const int upperHeight = std::max(0, height - kButtonBarHeight);
    const auto place = [&client](QWidget* panel, int x, int y, int w, int h) {
        panel->setGeometry(client.x() + x, client.y() + y, w, h);
    };
    place(buttonBar, 0, upperHeight, width, kButtonBarHeight);
    place(leftMargin, 0, 0, kMarginWidth, upperHeight);
    place(rightMargin, std::max(0, width - kMarginWidth), 0, kMarginWidth, upperHeight);
    const int innerWidth = std::max(0, width - 2 * kMarginWidth);
    place(workArea, kMarginWidth, 0, innerWidth, upperHeight);
    translatePanel->setGeometry(width - kStartPanelWidth, 0, kStartPanelWidth, kButtonBarHeight);
    layOutButtonBar(width);

    int top = 0;
    topSpacer->setGeometry(0, top, innerWidth, kSpacerHeight);
    top += kSpacerHeight;
    for (TSkinPanel* band : {sourceBand, resultBand}) {
        band->setGeometry(0, top, innerWidth, kHeaderBandHeight);
        top += kHeaderBandHeight;
        if (band == sourceBand) {
            sourcePanel->setGeometry(0, top, innerWidth, m_sourcePanelHeight);
            top += m_sourcePanelHeight;
        }
    }
    resultPanel->setGeometry(0, top, innerWidth, std::max(0, upperHeight - top));

    // At narrow widths the choice panels move over the blank that leads the language panels rather
    // than under the band's heading.
    const int languageLeft = innerWidth - kLanguagePanelWidth;
    const int headingEnd = std::max(sourceHeading->geometry().right(), resultHeading->geometry().right()) + 1 + kButtonGap;
    const int choiceLeft = std::clamp(headingEnd, languageLeft - kChoicePanelWidth,
                                      languageLeft - kChoicePanelWidth + kLanguagePanelLead);
    sourceLanguagePanel->setGeometry(languageLeft, 0, kLanguagePanelWidth, kHeaderBandHeight);
    targetLanguagePanel->setGeometry(languageLeft, 0, kLanguagePanelWidth, kHeaderBandHeight);
    enginePanel->setGeometry(choiceLeft, 0, kChoicePanelWidth, kHeaderBandHeight);
    topicPanel->setGeometry(choiceLeft, 0, kChoicePanelWidth, kHeaderBandHeight);
}

// The right-aligned start button comes closer as the window narrows: the buttons before it keep
// their places while there is room and then give way to the left; when even packed side by side
// they would reach under it, they narrow together, never below their captions.
void MainWindow::layOutButtonBar(int barWidth)
{
    const std::pair<TSkinButton*, BarPlace> yielding[] = {
        {webPageButton, kWebPlace}, {contactButton, kContactPlace}, {helpButton, kHelpPlace}, {updateButton, kUpdatePlace}};
    int rightLimit = barWidth - kStartPanelWidth + kStartButtonLeft - kButtonGap;
    const int room = rightLimit - (copyButton->geometry().right() + 1 + kButtonGap);
    int natural = -kButtonGap;
    for (const auto& [control, place] : yielding)
        natural += control->isHidden() ? 0 : place.width + kButtonGap;
    for (const auto& [control, place] : yielding) {
        if (control->isHidden())
            continue;
        const int caption = control->fontMetrics().horizontalAdvance(control->text()) + 8;
        const int width = natural <= room ? place.width : std::max(caption, place.width * room / natural);
        const int left = std::min(place.left, rightLimit - width);
        control->setGeometry(left, control->y(), width, control->height());
        rightLimit = left - kButtonGap;
    }
}

} // namespace quillo
