#include "MainFormFixture.h"
#include "session/InformationText.h"
#include "ui/SkinControls.h"

#include <QAction>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QStringEncoder>

using namespace quillo;
using quillo::test::MainFormTest;

namespace {

QList<int> listIndexes(const MainWindow& form)
{
    return {form.engineList->currentIndex(), form.languagePairList->currentIndex(),
            form.textServiceSourceList->currentIndex(),    form.worldLingoSourceList->currentIndex(),
            form.topicList->currentIndex(),     form.targetList->currentIndex()};
}

QPoint centredOnScreen(const QWidget& form)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QSize outer = form.frameGeometry().size();
    return {(screen.width() - outer.width()) / 2, (screen.height() - outer.height()) / 2};
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

} // namespace

TEST_F(MainFormTest, FirstRunSelectsTheDefaultsAndSavesThemOnClosing)
{
    auto form = showForm();
    EXPECT_EQ(listIndexes(*form), QList<int>({0, 2, 0, 0, 0, 2}));
    EXPECT_EQ(form->languagePairList->currentText(), QStringLiteral("简体中文 → 英语"));
    EXPECT_EQ(form->languagePairList->count(), 38);
    EXPECT_EQ(form->topicList->count(), 21);
    EXPECT_TRUE(form->windowSkinItems[0]->isChecked());
    EXPECT_TRUE(form->contextSkinItems[0]->isChecked());
    // The resource's position, moved in as far as a small screen needs.
    const int screenRight = QGuiApplication::primaryScreen()->availableGeometry().right();
    EXPECT_EQ(form->pos(), QPoint(std::min(204, screenRight + 1 - form->frameGeometry().width()), 111));
    EXPECT_EQ(form->size(), QSize(671, 438));
    EXPECT_EQ(form->resultText->toPlainText(), DefaultInformationText());
    EXPECT_EQ(form->focusWidget(), form->sourceText);

    form->targetList->setCurrentIndex(4);
    form->close();
    EXPECT_EQ(stored(QStringLiteral("TranServer")).toInt(), 0);
    EXPECT_EQ(stored(QStringLiteral("TranOption")).toInt(), 2);
    EXPECT_EQ(stored(QStringLiteral("TargetLanguage")).toInt(), 4);
    EXPECT_FALSE(stored(QStringLiteral("top")).isValid()) << "the user placed nothing";
}

TEST_F(MainFormTest, TheStoredEngineChoosesTheLayoutFromTheFirstShowing)
{
    const std::pair<int, int> engines[] = {{1, 1}, {2, 0}, {0, 0}};
    for (const auto& [storedEngine, selected] : engines) {
        store(QStringLiteral("TranServer"), storedEngine);
        auto form = createForm();
        EXPECT_EQ(form->engineList->currentIndex(), selected) << storedEngine;
        EXPECT_EQ(form->worldLingoSourceList->isVisibleTo(form.get()), selected == 0);
        EXPECT_EQ(form->textServiceSourceList->isVisibleTo(form.get()), selected == 1);
        EXPECT_FALSE(form->languagePairList->isVisibleTo(form.get()));
        EXPECT_TRUE(form->topicList->isVisibleTo(form.get()));
        EXPECT_TRUE(form->targetList->isVisibleTo(form.get()));
    }
}

TEST_F(MainFormTest, IndexesOutsideTheListsSelectNothingAndAreWrittenBackUnchanged)
{
    store(QStringLiteral("TargetLanguage"), 40);
    store(QStringLiteral("SourceLanguage2"), 9);
    auto form = showForm();
    EXPECT_EQ(form->targetList->currentIndex(), -1);
    EXPECT_EQ(form->worldLingoSourceList->currentIndex(), 9);
    form->close();
    EXPECT_EQ(stored(QStringLiteral("TargetLanguage")).toInt(), -1);
}

TEST_F(MainFormTest, AValueOfAnotherTypeFallsBackToTheDefaultsAndKeepsTheFirstSkin)
{
    store(QStringLiteral("TranServer"), 1);
    store(QStringLiteral("SourceLanguage2"), 6);
    store(QStringLiteral("TopicLanguage"), QStringLiteral("军事"));
    store(QStringLiteral("TargetLanguage"), 9);
    store(QStringLiteral("Face"), 3);
    auto form = createForm();
    EXPECT_EQ(listIndexes(*form), QList<int>({0, 2, 0, 6, 0, 2}));
    EXPECT_TRUE(form->windowSkinItems[0]->isChecked());
}

TEST_F(MainFormTest, AStoredSkinIsMarkedInBothMenus)
{
    store(QStringLiteral("Face"), 3);
    auto form = createForm();
    EXPECT_TRUE(form->windowSkinItems[2]->isChecked());
    EXPECT_FALSE(form->windowSkinItems[0]->isChecked());
    EXPECT_TRUE(form->contextSkinItems[2]->isChecked());
    EXPECT_FALSE(form->contextSkinItems[0]->isChecked());

    store(QStringLiteral("Face"), 4);
    form = createForm();
    EXPECT_TRUE(form->windowSkinItems[0]->isChecked());
}

TEST_F(MainFormTest, EveryThirdDayTheWindowOpensCentredOtherwiseWhereItWasClosed)
{
    store(QStringLiteral("top"), 60);
    store(QStringLiteral("left"), 50);
    store(QStringLiteral("width"), 600);
    store(QStringLiteral("height"), 350);
    for (int day : {3, 6, 30}) {
        auto form = showForm(day);
        EXPECT_EQ(form->pos(), centredOnScreen(*form)) << "day " << day;
        EXPECT_EQ(form->size(), QSize(671, 438));
    }
    for (int day : {1, 2, 4, 31}) {
        auto form = showForm(day);
        EXPECT_EQ(form->pos(), QPoint(50, 60)) << "day " << day;
        EXPECT_EQ(form->size(), QSize(600, 350));
    }
}

TEST_F(MainFormTest, ThePlacementIsWrittenBackOnlyWhenTheUserMovedOrResizedTheWindow)
{
    const QRect saved(50, 60, 600, 350);
    const QRect moved(70, 80, 600, 350);
    const QRect resized(50, 60, 620, 360);
    const struct
    {
        int day;
        std::optional<QRect> userPlacement;
        QRect expected;
    } cases[] = {
        {3, std::nullopt, saved}, {1, std::nullopt, saved}, {6, moved, moved}, {2, resized, resized}, {9, saved, saved},
    };
    for (const auto& c : cases) {
        WritePlacement(*OpenSettingsKey(), saved);
        auto form = showForm(c.day);
        if (c.userPlacement) {
            form->move(c.userPlacement->topLeft());
            form->resize(c.userPlacement->size());
        }
        form->close();
        EXPECT_EQ(ReadPlacement(*OpenSettingsKey()), c.expected) << "day " << c.day;
    }
}

TEST_F(MainFormTest, TheWindowOpensWithinReachShrinkingToTheScreenWhenItMust)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const struct
    {
        int day;
        std::optional<QRect> saved;
    } cases[] = {
        {1, std::nullopt},                       // the resource's placement
        {3, std::nullopt},                       // centred
        {1, QRect(408, 222, 1366, 948)},         // larger than the screen
        {1, QRect(-200, -100, 600, 350)},        // caption above the screen
        {1, QRect(area.right() - 100, area.bottom() - 50, 600, 350)},
    };
    for (const auto& c : cases) {
        OpenSettingsKey()->clear();
        if (c.saved)
            WritePlacement(*OpenSettingsKey(), *c.saved);
        auto form = showForm(c.day);
        const QRect outer = form->frameGeometry();
        EXPECT_TRUE(area.contains(outer)) << "day " << c.day << " at " << outer.x() << "," << outer.y() << " "
                                          << outer.width() << "x" << outer.height();
        if (c.saved && c.saved->width() > area.width()) {
            EXPECT_EQ(outer.size(), area.size());
        }
    }
}

TEST_F(MainFormTest, APlacementOffEveryScreenOpensCentredAndAnIncompleteOneIsIgnored)
{
    store(QStringLiteral("top"), 5000);
    store(QStringLiteral("left"), -9000);
    store(QStringLiteral("width"), 600);
    store(QStringLiteral("height"), 350);
    auto lost = showForm();
    EXPECT_EQ(lost->size(), QSize(600, 350));
    EXPECT_EQ(lost->pos(), centredOnScreen(*lost));

    OpenSettingsKey()->remove(QStringLiteral("height"));
    auto partial = showForm();
    EXPECT_EQ(partial->pos().y(), 111);
    EXPECT_EQ(partial->size(), QSize(671, 438));
}

TEST_F(MainFormTest, ANearlyScreenWideWindowKeepsThePlacementSavedBefore)
{
    const int screenWidth = QGuiApplication::primaryScreen()->geometry().width();
    auto form = showForm();
    form->move(30, 40);
    resizeOuter(*form, screenWidth - 21, 400);
    form->close();
    EXPECT_EQ(stored(QStringLiteral("left")).toInt(), 30);
    EXPECT_EQ(stored(QStringLiteral("width")).toInt(), form->width());

    form = showForm();
    form->move(0, 0);
    resizeOuter(*form, screenWidth - 20, 500);
    form->close();
    EXPECT_EQ(stored(QStringLiteral("left")).toInt(), 30);
    EXPECT_EQ(stored(QStringLiteral("top")).toInt(), 40);
    EXPECT_EQ(stored(QStringLiteral("height")).toInt(), 400 - frameOf(*form).height());
}

TEST_F(MainFormTest, AWindowClosedMaximisedOpensMaximised)
{
    for (const bool maximised : {true, false, true}) {
        auto form = showForm();
        if (maximised)
            form->showMaximized();
        else
            form->showNormal();
        form->close();
    }
    auto form = showForm();
    EXPECT_TRUE(QTest::qWaitFor([&form] { return form->isMaximized(); }));
    form->showNormal();
    form->close();
    EXPECT_FALSE(showForm()->isMaximized());
}

TEST_F(MainFormTest, TheInformationFileGivesTheStartText)
{
    const auto shownText = [this] { return showForm()->resultText->toPlainText(); };
    writeFile(informationFile(), QByteArray());
    EXPECT_EQ(shownText(), DefaultInformationText()) << "an empty file";

    QByteArray notice = "[version]\r\nversion=17\r\n[Information]\r\nregnewinformat =  ";
    notice += QStringEncoder("GBK").encode(QStringLiteral("新版本 17 已经发布！"));
    notice += "  \r\n";
    writeFile(informationFile(), notice);
    EXPECT_EQ(shownText(), QStringLiteral("新版本 17 已经发布！"));

    writeFile(informationFile(), "[information]\r\nRegNewInformat=\r\nversion=16\r\n");
    EXPECT_EQ(shownText(), QString()) << "a file without a notice shows nothing";
}

TEST_F(MainFormTest, TheTextAreasShareTheFreeHeightEqually)
{
    auto form = showForm();
    EXPECT_EQ(form->sourcePanel->height(), 144);
    EXPECT_EQ(form->resultPanel->height(), 144);
    form->resize(671, 439);
    EXPECT_EQ(form->sourcePanel->height(), 144) << "the source takes the smaller half";
    EXPECT_EQ(form->resultPanel->height(), 145);
    EXPECT_EQ(form->resultPanel->geometry().bottom() + 1 + 51, form->height());
}

// That they stand clear of each other at every width is the skinning tests' business.
TEST_F(MainFormTest, AtTheSmallestWidthEveryControlIsShown)
{
    auto form = showForm();
    form->resize(100, 100);
    EXPECT_EQ(form->frameGeometry().size(), QSize(560, 288)) << "never smaller outside";
    for (QWidget* control : std::initializer_list<QWidget*>{
             form->engineList, form->topicList, form->targetList, form->updateButton, form->helpButton,
             form->contactButton, form->webPageButton, form->translateButton, form->sourceCount})
        EXPECT_TRUE(control->isVisibleTo(form.get())) << control->objectName().toStdString();
}
