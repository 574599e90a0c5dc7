// The control tree of the main window, its menus and its layout. Controls keep fixed positions
// inside their panels; the panels are aligned to the window's edges by LayOutControls, the way
// the window has always been laid out (top and bottom bands across the whole width, the side
// margins between them, the text areas sharing what is left).
#include "app/CharTableModel.h"
#include "app/TMainForm.h"
#include "core/Languages.h"
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

void TMainForm::CreateControls()
{
    setWindowTitle(QStringLiteral(" Quillo   翻   译   软   件 "));
    setFont(SongFont(12));
    ApplySkinLook(this, "form");

    SkinPanel2 = new TSkinPanel(QStringLiteral("SkinPanel2"), this);
    SkinPanel1 = new TSkinPanel(QStringLiteral("SkinPanel1"), this);
    SkinPanel4 = new TSkinPanel(QStringLiteral("SkinPanel4"), this);
    SkinPanel5 = new TSkinPanel(QStringLiteral("SkinPanel5"), this);
    SkinPanel3 = new TSkinPanel(QStringLiteral("SkinPanel3"), SkinPanel5);
    CreateHeaderBands();
    CreateTextAreas();
    CreateButtonBar();
    SkinMessage1 = new TSkinMessage(this);
    CreateMenus();
    SkinForm1 = TSkinForm::of(this);
    if (SkinForm1)
        SkinForm1->setWindowMenu(SkinPopupMenu2);
    SetClientSize(this, QSize(671, 438));
    move(204, 111);
}

void TMainForm::CreateHeaderBands()
{
    const QStringList languages = LanguageNames();

    SkinPanel6 = new TSkinPanel(QStringLiteral("SkinPanel6"), SkinPanel5);
    Label1 = label("Label1", QStringLiteral("原文文本"), SkinPanel6, 1, 14);
    SkinPanel9 = new TSkinPanel(QStringLiteral("SkinPanel9"), SkinPanel6);
    SrcLangLabel = label("SrcLangLabel", QStringLiteral("原文语言："), SkinPanel9, 29, 14);
    // Stacked in this order, the last on top.
    const QRect sourceListPlace(99, 10, 153, 20);
    SourceLanguage = list("SourceLanguage", languages, SkinPanel9, sourceListPlace);
    SecondTranOption = list("SecondTranOption", LanguagePairNames(), SkinPanel9, sourceListPlace);
    SourceLanguage2 = list("SourceLanguage2", languages, SkinPanel9, sourceListPlace);
    SkinPanel11 = new TSkinPanel(QStringLiteral("SkinPanel11"), SkinPanel6);
    Label6 = label("Label6", QStringLiteral("翻译引擎："), SkinPanel11, 2, 14);
    TranslationServer = list("TranslationServer", {QStringLiteral("服务器(一)"), QStringLiteral("服务器(二)")},
                             SkinPanel11, QRect(69, 10, 133, 20));

    SkinPanel7 = new TSkinPanel(QStringLiteral("SkinPanel7"), SkinPanel5);
    Label2 = label("Label2", QStringLiteral("译文文本"), SkinPanel7, 1, 16);
    SkinPanel8 = new TSkinPanel(QStringLiteral("SkinPanel8"), SkinPanel7);
    TargetLabel = label("TargetLabel", QStringLiteral("译文语言："), SkinPanel8, 29, 14);
    TargetLanguage = list("TargetLanguage", languages, SkinPanel8, QRect(99, 12, 153, 20));
    SkinPanel12 = new TSkinPanel(QStringLiteral("SkinPanel12"), SkinPanel7);
    TopicLabel = label("TopicLabel", QStringLiteral("译文主题："), SkinPanel12, 2, 16);
    TopicLanguage = list("TopicLanguage", TopicNames(), SkinPanel12, QRect(69, 12, 133, 20));

    for (TSkinLabel* heading : {Label1, Label2}) {
        heading->setHeavy(true);
        heading->adjustSize();
    }
    for (TSkinLabel* swapper : {SrcLangLabel, TargetLabel}) {
        swapper->setToolTip(QStringLiteral("互换语言"));
        swapper->setCursor(Qt::PointingHandCursor);
    }
}

void TMainForm::CreateTextAreas()
{
    Panel1 = new TSkinPanel(QStringLiteral("Panel1"), SkinPanel5, true);
    Memo1 = memo("Memo1", "SkinScrollBar1", Panel1);
    Memo1->setMaxLength(2000);
    Memo1->setToolTip(QStringLiteral(" 翻译快捷键 Ctrl+Enter "));

    Panel2 = new TSkinPanel(QStringLiteral("Panel2"), SkinPanel5, true);
    Memo2 = memo("Memo2", "SkinScrollBar2", Panel2);
    Memo2->setReadOnly(true);

    ListBox1 = tableList("ListBox1", CharTableModel::Simplified, this);
    ListBox2 = tableList("ListBox2", CharTableModel::Traditional, this);
}

void TMainForm::CreateButtonBar()
{
    SkinButton2 = button("SkinButton2", QStringLiteral("清空文本"), QStringLiteral("清空原文和译文"), SkinPanel4, 13, 70);
    SkinButton3 = button("SkinButton3", QStringLiteral("复制译文"), QStringLiteral("复制译文到剪贴板"), SkinPanel4, 89, 70);
    SkinButton5 = button("SkinButton5", QStringLiteral("智能升级"), QStringLiteral("自动检测更新软件"), SkinPanel4,
                         kUpdatePlace.left, kUpdatePlace.width);
    SkinButton6 = button("SkinButton6", QStringLiteral("使用帮助"), QStringLiteral("使用方法"), SkinPanel4,
                         kHelpPlace.left, kHelpPlace.width);
    SkinButton8 = button("SkinButton8", QStringLiteral("联系我们"), QStringLiteral("提交信息给我们，我们将予以回复"),
                         SkinPanel4, kContactPlace.left, kContactPlace.width);
    SkinButton7 = button("SkinButton7", QStringLiteral("网站翻译"), QStringLiteral("网站翻译"), SkinPanel4,
                         kWebPlace.left, kWebPlace.width);
    SkinPanel10 = new TSkinPanel(QStringLiteral("SkinPanel10"), SkinPanel4);
    SkinButton1 = button("SkinButton1", QStringLiteral("开 始 翻 译"), QString(), SkinPanel10, kStartButtonLeft, 96);
}

void TMainForm::CreateMenus()
{
    SkinPopupMenu1 = new TSkinPopupMenu(QStringLiteral("SkinPopupMenu1"), this);
    const auto faces1 = faceItems(SkinPopupMenu1, {"MenuItem2", "MenuItem3", "MenuItem4"});
    MenuItem2 = faces1[0];
    MenuItem3 = faces1[1];
    MenuItem4 = faces1[2];
    MenuItem5 = SkinPopupMenu1->addSeparatorItem(QStringLiteral("MenuItem5"));
    MenuItem6 = SkinPopupMenu1->addItem(QStringLiteral("MenuItem6"), QStringLiteral("智能升级"));
    MenuItem7 = SkinPopupMenu1->addSeparatorItem(QStringLiteral("MenuItem7"));
    MenuItem8 = SkinPopupMenu1->addItem(QStringLiteral("MenuItem8"), QStringLiteral("在线提交信息"));
    MenuItem9 = SkinPopupMenu1->addSeparatorItem(QStringLiteral("MenuItem9"));
    MenuItem12 = SkinPopupMenu1->addItem(QStringLiteral("MenuItem12"), QStringLiteral("浏览Quillo翻译软件的网站"));

    SkinPopupMenu2 = new TSkinPopupMenu(QStringLiteral("SkinPopupMenu2"), this);
    N10 = SkinPopupMenu2->addSeparatorItem(QStringLiteral("N10"));
    const auto faces2 = faceItems(SkinPopupMenu2, {"N1", "N2", "N3"});
    N1 = faces2[0];
    N2 = faces2[1];
    N3 = faces2[2];
    N13 = SkinPopupMenu2->addSeparatorItem(QStringLiteral("N13"));
    N5 = SkinPopupMenu2->addItem(QStringLiteral("N5"), QStringLiteral("在线提交信息"));
    N6 = SkinPopupMenu2->addSeparatorItem(QStringLiteral("N6"));
    N9 = SkinPopupMenu2->addItem(QStringLiteral("N9"), QStringLiteral("浏览时Quillo翻译软件的网站"));
    N11 = SkinPopupMenu2->addSeparatorItem(QStringLiteral("N11"));

    for (QWidget* control : std::initializer_list<QWidget*>{SourceLanguage2, TranslationServer, TargetLanguage, TopicLanguage})
        SetPopupMenu(control, SkinPopupMenu1);
    for (QWidget* control : std::initializer_list<QWidget*>{Label1, Label2, Label6, SrcLangLabel, TargetLabel, TopicLabel,
                                                            SourceLanguage, SecondTranOption})
        SetPopupMenu(control, SkinPopupMenu2);
}

void TMainForm::LayOutControls()
{
    // Inside the skinned frame, where the window draws one.
    const QRect client = contentsRect();
    const int width = client.width();
    const int height = client.height();
    const int upperHeight = std::max(0, height - kButtonBarHeight);
    const auto place = [&client](QWidget* panel, int x, int y, int w, int h) {
        panel->setGeometry(client.x() + x, client.y() + y, w, h);
    };
    place(SkinPanel4, 0, upperHeight, width, kButtonBarHeight);
    place(SkinPanel2, 0, 0, kMarginWidth, upperHeight);
    place(SkinPanel1, std::max(0, width - kMarginWidth), 0, kMarginWidth, upperHeight);
    const int innerWidth = std::max(0, width - 2 * kMarginWidth);
    place(SkinPanel5, kMarginWidth, 0, innerWidth, upperHeight);
    SkinPanel10->setGeometry(width - kStartPanelWidth, 0, kStartPanelWidth, kButtonBarHeight);
    LayOutButtonBar(width);

    int top = 0;
    SkinPanel3->setGeometry(0, top, innerWidth, kSpacerHeight);
    top += kSpacerHeight;
    for (TSkinPanel* band : {SkinPanel6, SkinPanel7}) {
        band->setGeometry(0, top, innerWidth, kHeaderBandHeight);
        top += kHeaderBandHeight;
        if (band == SkinPanel6) {
            Panel1->setGeometry(0, top, innerWidth, FPanel1Height);
            top += FPanel1Height;
        }
    }
    Panel2->setGeometry(0, top, innerWidth, std::max(0, upperHeight - top));

    const int languageLeft = innerWidth - kLanguagePanelWidth;
    SkinPanel9->setGeometry(languageLeft, 0, kLanguagePanelWidth, kHeaderBandHeight);
    SkinPanel8->setGeometry(languageLeft, 0, kLanguagePanelWidth, kHeaderBandHeight);
    SkinPanel11->setGeometry(languageLeft - kChoicePanelWidth, 0, kChoicePanelWidth, kHeaderBandHeight);
    SkinPanel12->setGeometry(languageLeft - kChoicePanelWidth, 0, kChoicePanelWidth, kHeaderBandHeight);
}

// The right-aligned start button comes closer as the window narrows: the shown buttons before it
// keep their places while there is room and then give way to the left, so that none of them
// lies under it; the widths at which buttons are hidden leave enough room for the rest.
void TMainForm::LayOutButtonBar(int barWidth)
{
    const std::pair<TSkinButton*, BarPlace> yielding[] = {
        {SkinButton7, kWebPlace}, {SkinButton8, kContactPlace}, {SkinButton6, kHelpPlace}, {SkinButton5, kUpdatePlace}};
    int rightLimit = barWidth - kStartPanelWidth + kStartButtonLeft - kButtonGap;
    for (const auto& [control, place] : yielding) {
        if (control->isHidden())
            continue;
        const int left = std::min(place.left, rightLimit - place.width);
        control->move(left, control->y());
        rightLimit = left - kButtonGap;
    }
}

} // namespace quillo
