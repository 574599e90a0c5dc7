// A history file that cannot be read is set aside, and the user hears of it once, when the
// program first uses its history.
#include "../common/WaitUntil.h"
#include "../ui/ModalAnswer.h"
#include "MainFormFixture.h"
#include "app/AnywhereServices.h"
#include "app/TranslateAnywhere.h"
#include "history/HistoryStore.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>

using namespace quillo;
using quillo::test::MainFormTest;
using quillo::test::ModalAnswer;

TEST_F(MainFormTest, ADamagedHistoryIsToldOnceWhenTheHistoryIsFirstUsed)
{
    QTemporaryDir data;
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    ASSERT_TRUE(QDir(data.path()).mkpath(QStringLiteral("quillo")));
    QFile damaged(data.filePath(QStringLiteral("quillo/history.sqlite3")));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray(4096, '\x17'));
    damaged.close();

    auto form = showForm();
    ModalAnswer answer;
    const auto anywhere = StartTranslateAnywhere(form.get());
    const TranslationRecord record{2, 0, QStringLiteral("apertium"), QStringLiteral("hello"), QStringLiteral("你好")};
    anywhere->Hooks.addToHistory(record);
    anywhere->Hooks.addToHistory(record);
    ASSERT_EVENTUALLY_EQ(answer.count(), 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(answer.count(), 1);
    EXPECT_EQ(answer.captions.value(0), QStringLiteral("错 误"));
    EXPECT_TRUE(answer.texts.value(0).contains(QStringLiteral("history.sqlite3.damaged-"))) << answer.texts.value(0).toStdString();
    EXPECT_EQ(QDir(data.filePath(QStringLiteral("quillo"))).entryList({QStringLiteral("history.sqlite3.damaged-*")}).size(), 1);
    // Both translations went into the new file.
    EXPECT_EQ(HistoryStore(damaged.fileName()).count(), 2);

    if (savedData.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", savedData);
}

TEST_F(MainFormTest, TurningTheHistoryOffClearsItOnlyWhenTheUserSaysSo)
{
    QTemporaryDir data;
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    auto form = showForm();
    const auto anywhere = StartTranslateAnywhere(form.get());
    anywhere->Hooks.addToHistory({2, 0, QStringLiteral("apertium"), QStringLiteral("hello"), QStringLiteral("你好")});
    const QString file = data.filePath(QStringLiteral("quillo/history.sqlite3"));
    DesktopChoices on = anywhere->Choices();
    on.history = true;
    DesktopChoices off = on;
    off.history = false;
    for (const auto& [button, kept] : {std::pair{"mbNo", 1}, std::pair{"mbYes", 0}}) {
        anywhere->ApplyChoices(on);
        ModalAnswer answer([button](QWidget* box) { box->findChild<QAbstractButton*>(QString::fromLatin1(button))->click(); });
        anywhere->ApplyChoices(off);
        EXPECT_EQ(answer.count(), 1) << button;
        EXPECT_EQ(HistoryStore(file).count(), kept) << button;
    }

    if (savedData.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", savedData);
}
