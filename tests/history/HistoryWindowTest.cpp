#include "../ui/ModalAnswer.h"
#include "history/HistoryStore.h"
#include "history/HistoryWindow.h"
#include "ui/SkinControls.h"
#include "vocabulary/StarButton.h"
#include "vocabulary/VocabularyBook.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QListWidget>
#include <QTemporaryDir>
#include <QSignalSpy>
#include <QTest>

#include <sqlite3.h>

#include <gtest/gtest.h>

namespace quillo {
namespace {

class HistoryFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const auto& [source, result] : {std::pair{"Good morning", "早上好"}, std::pair{"Good night", "晚安"},
                                             std::pair{"Thank you", "谢谢"}}) {
            HistoryEntry entry;
            entry.source = 2;
            entry.target = 0;
            entry.engine = QStringLiteral("apertium");
            entry.sourceText = QString::fromUtf8(source);
            entry.result = QString::fromUtf8(result);
            ASSERT_TRUE(store.add(entry));
        }
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    }

    // The source lines of the entries shown, joined by " | ".
    std::string shownSources() const
    {
        QStringList sources;
        for (int row = 0; row < form.EntryList->count(); ++row)
            sources << form.EntryList->item(row)->text().section(QLatin1Char('\n'), 1, 1);
        return sources.join(QStringLiteral(" | ")).toStdString();
    }

    QTemporaryDir dir;
    HistoryStore store{dir.filePath(QStringLiteral("history.sqlite3"))};
    HistoryWindow form{&store};
};

TEST_F(HistoryFormTest, ListsNewestFirstAndFiltersAsTheUserTypes)
{
    EXPECT_EQ(shownSources(), "Thank you | Good night | Good morning");
    EXPECT_TRUE(form.EntryList->item(0)->text().contains(QStringLiteral("英语 → 简体中文  apertium")));
    QTest::keyClicks(form.SearchEdit, QStringLiteral("good"));
    EXPECT_EQ(shownSources(), "Good night | Good morning");
    form.SearchEdit->setText(QStringLiteral("晚安"));
    EXPECT_EQ(shownSources(), "Good night");
    form.SearchEdit->setText(QStringLiteral("nothing like it"));
    EXPECT_EQ(form.EntryList->count(), 0);
    EXPECT_FALSE(form.CopyButton->isEnabled());
    EXPECT_FALSE(form.DeleteButton->isEnabled());
}

TEST_F(HistoryFormTest, CopiesTheTranslationAndDeletesTheChosenEntry)
{
    form.EntryList->setCurrentRow(1);
    form.CopyButton->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("晚安"));
    QTest::keyClick(form.EntryList, Qt::Key_Delete);
    EXPECT_EQ(shownSources(), "Thank you | Good morning");
    EXPECT_EQ(form.EntryList->currentRow(), 1);
    EXPECT_EQ(store.count(), 2);
}

// The star keeps the chosen entry's text with its translation, and lets it go again.
TEST_F(HistoryFormTest, StarKeepsTheChosenEntryInTheVocabularyBook)
{
    VocabularyBook book(dir.filePath(QStringLiteral("vocabulary.json")));
    form.setVocabularyBook(&book);
    form.EntryList->setCurrentRow(1);
    ASSERT_TRUE(form.starButton);
    EXPECT_EQ(form.starButton->text(), QStringLiteral("☆"));
    form.starButton->click();
    const QList<VocabularyItem> kept = book.search();
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(kept[0].word, QStringLiteral("Good night"));
    EXPECT_EQ(kept[0].entry, QStringLiteral("晚安"));
    EXPECT_EQ(form.starButton->text(), QStringLiteral("★"));
    form.EntryList->setCurrentRow(0);
    EXPECT_EQ(form.starButton->text(), QStringLiteral("☆"));
    form.EntryList->setCurrentRow(1);
    form.starButton->click();
    EXPECT_TRUE(book.search().isEmpty());
}

TEST_F(HistoryFormTest, ClearsEverythingOnlyWhenTheUserConfirms)
{
    const auto answerWith = [](const char* button) {
        return [button](QWidget* box) {
            box->findChild<QAbstractButton*>(QString::fromLatin1(button))->click();
        };
    };
    {
        test::ModalAnswer no(answerWith("mbNo"));
        form.ClearButton->click();
        ASSERT_EQ(no.count(), 1);
    }
    EXPECT_EQ(store.count(), 3);
    test::ModalAnswer yes(answerWith("mbYes"));
    form.ClearButton->click();
    ASSERT_EQ(yes.count(), 1);
    EXPECT_EQ(store.count(), 0);
    EXPECT_EQ(form.EntryList->count(), 0);
    EXPECT_FALSE(form.ClearButton->isEnabled());
}

TEST_F(HistoryFormTest, AFailureKeptByAnOlderVersionIsToldAsOneAndNeverCopied)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(dir.filePath(QStringLiteral("history.sqlite3")).toUtf8().constData(), &db), SQLITE_OK);
    const char* insert = "INSERT INTO history (time, source, target, engine, source_text, result) VALUES "
                         "(4102444800000, 2, 4, 'apertium', 'Hello', '本服务器没有从英语翻译到法语的翻译引擎。')";
    EXPECT_EQ(sqlite3_exec(db, insert, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    form.refresh();
    ASSERT_EQ(form.EntryList->count(), 4);
    form.EntryList->setCurrentRow(0);
    ASSERT_TRUE(form.EntryList->item(0)->text().endsWith(QStringLiteral("【翻译失败】本服务器没有从英语翻译到法语的翻译引擎。")))
        << form.EntryList->item(0)->text().toStdString();
    EXPECT_FALSE(form.CopyButton->isEnabled());
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    QTest::keyClick(form.EntryList, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    form.EntryList->setCurrentRow(1);
    EXPECT_TRUE(form.CopyButton->isEnabled());
}

TEST_F(HistoryFormTest, ADoubleClickClosesTheWindowAndAsksToOpenTheEntry)
{
    QSignalSpy opened(&form, &HistoryWindow::entryOpened);
    QListWidgetItem* item = form.EntryList->item(1);
    const QRect place = form.EntryList->visualItemRect(item);
    // The view takes a double click as the second press on the item it was pressed on first.
    QTest::mouseClick(form.EntryList->viewport(), Qt::LeftButton, {}, place.center());
    QTest::mouseDClick(form.EntryList->viewport(), Qt::LeftButton, {}, place.center());
    ASSERT_EQ(opened.count(), 1);
    const auto entry = opened.at(0).at(0).value<HistoryEntry>();
    EXPECT_EQ(entry.sourceText, QStringLiteral("Good night"));
    EXPECT_EQ(entry.result, QStringLiteral("晚安"));
    EXPECT_EQ(entry.source, 2);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

} // namespace
} // namespace quillo
