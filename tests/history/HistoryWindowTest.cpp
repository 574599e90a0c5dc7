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
#include <QTest>

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

} // namespace
} // namespace quillo
