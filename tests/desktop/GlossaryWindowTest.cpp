// The glossary through a real quillo-server: the book's calls and its sentences for what goes
// wrong, then the window adding, listing and removing a term.
#include "apiclient/ApiClient.h"
#include "core/Languages.h"
#include "desktop/GlossaryWindow.h"
#include "../http/LoopbackServer.h"
#include "QuilloServerProcess.h"
#include "WaitUntil.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>

using namespace quillo;
using namespace quillo::test;

namespace {

struct Book
{
    explicit Book(const QString& base) : api([base] { return base; }), book(&api)
    {
        QObject::connect(&book, &GlossaryBook::listed, [this](const QString&, const QString&, const QList<GlossaryEntry>& got) {
            entries = got;
            ++answers;
        });
        QObject::connect(&book, &GlossaryBook::added, [this](const GlossaryEntry& entry, bool replaced) {
            last = entry;
            lastReplaced = replaced;
            ++answers;
        });
        QObject::connect(&book, &GlossaryBook::removed, [this] { ++answers; });
        QObject::connect(&book, &GlossaryBook::failed, [this](const QString& sentence) {
            failure = sentence;
            ++answers;
        });
    }
    ApiClient api;
    GlossaryBook book;
    int answers = 0;
    QList<GlossaryEntry> entries;
    GlossaryEntry last;
    bool lastReplaced = false;
    QString failure;
};

GlossaryEntry entry(const QString& source, const QString& target, const QString& term, const QString& translation,
                    const QString& note = {})
{
    return {0, source, target, term, translation, note};
}

} // namespace

TEST(GlossaryBook, AddsReplacesListsAndRemovesThroughTheServer)
{
    FreshQuilloServer server;
    ASSERT_TRUE(server.listening()) << server.failure().toStdString();
    Book client(server.base());
    client.book.add(entry(QStringLiteral("zh"), QStringLiteral("en"), QStringLiteral("软件"), QStringLiteral("software")));
    ASSERT_EVENTUALLY_EQ(client.answers, 1);
    EXPECT_EQ(client.failure, QString());
    EXPECT_FALSE(client.lastReplaced);
    EXPECT_EQ(client.last.source, QStringLiteral("zh-Hans"));
    const qint64 id = client.last.id;

    client.book.add(entry(QStringLiteral("zh-Hans"), QStringLiteral("en"), QStringLiteral(" 软件 "), QStringLiteral("program"),
                          QStringLiteral("the product's word")));
    ASSERT_EVENTUALLY_EQ(client.answers, 2);
    EXPECT_TRUE(client.lastReplaced);
    client.book.add(entry(QStringLiteral("en"), QStringLiteral("zh-Hans"), QStringLiteral("cat"), QStringLiteral("猫")));
    client.book.list(QStringLiteral("zh-Hans"), QStringLiteral("en"));
    ASSERT_EVENTUALLY_EQ(client.answers, 4);
    const QList<GlossaryEntry> expected{{id, QStringLiteral("zh-Hans"), QStringLiteral("en"), QStringLiteral("软件"),
                                         QStringLiteral("program"), QStringLiteral("the product's word")}};
    EXPECT_EQ(client.entries, expected);

    client.book.remove(id);
    ASSERT_EVENTUALLY_EQ(client.answers, 5);
    EXPECT_EQ(client.failure, QString());
    client.book.remove(id);
    ASSERT_EVENTUALLY_EQ(client.answers, 6);
    EXPECT_EQ(client.failure, QStringLiteral("术语表中已没有这个词条，它可能已被删除。"));
}

TEST(GlossaryBook, EveryFailureIsAChineseSentence)
{
    LoopbackServer old([](Connection& connection) {
        connection.readRequest();
        connection.reply(404, "not found");
    });
    LoopbackServer broken([](Connection& connection) {
        connection.readRequest();
        connection.reply(200, "<html>");
    });
    FreshQuilloServer server;
    ASSERT_TRUE(server.listening()) << server.failure().toStdString();
    const QString en = QStringLiteral("en");
    const QString refused = QStringLiteral("http://127.0.0.1:%1").arg(LoopbackServer::refusedPort());
    const struct
    {
        QString base;
        GlossaryEntry entry; // added; listed when its term is empty
        QString sentence;    // its start
    } cases[] = {
        {server.base(), entry(en, en, QStringLiteral("a"), QStringLiteral("b")), QStringLiteral("源语言和目标语言不能相同。")},
        {server.base(), entry(en, QStringLiteral("xx"), QStringLiteral("a"), QStringLiteral("b")), QStringLiteral("请选择源语言和目标语言。")},
        {server.base(), entry(en, QStringLiteral("de"), QStringLiteral("  "), QStringLiteral("b")), QStringLiteral("请填写术语和译文。")},
        {server.base(), entry(en, QStringLiteral("de"), QString(301, u'a'), QStringLiteral("b")), QStringLiteral("术语和译文不能超过 300 个字符。")},
        {server.base(), entry(en, QStringLiteral("de"), QStringLiteral("a"), QStringLiteral("b"), QString(1001, u'n')), QStringLiteral("备注不能超过 1000 个字符。")},
        {server.base(), entry(en, QStringLiteral("xx"), {}, {}), QStringLiteral("翻译服务器拒绝了这个请求（xx is not a supported language）。")},
        {QStringLiteral("http://127.0.0.1:%1").arg(old.port()), entry(en, QStringLiteral("de"), {}, {}), QStringLiteral("翻译服务器不支持术语表")},
        {QStringLiteral("http://127.0.0.1:%1").arg(broken.port()), entry(en, QStringLiteral("de"), {}, {}), QStringLiteral("翻译服务器的回答无法读取")},
        {refused, entry(en, QStringLiteral("de"), QStringLiteral("a"), QStringLiteral("b")), QStringLiteral("无法连接翻译服务器")},
    };
    for (const auto& c : cases) {
        Book client(c.base);
        if (c.entry.term.isNull())
            client.book.list(c.entry.source, c.entry.target);
        else
            client.book.add(c.entry);
        ASSERT_EVENTUALLY_EQ(client.answers, 1);
        EXPECT_TRUE(client.failure.startsWith(c.sentence)) << client.failure.toStdString();
    }
}

TEST(GlossaryWindow, AddsListsAndRemovesATerm)
{
    FreshQuilloServer server;
    ASSERT_TRUE(server.listening()) << server.failure().toStdString();
    ApiClient api([base = server.base()] { return base; });
    GlossaryWindow window(&api);
    int shown = 0;
    QObject::connect(&window, &GlossaryWindow::entriesShown, [&shown] { ++shown; });
    window.show();
    ASSERT_EVENTUALLY_EQ(shown, 1);
    EXPECT_EQ(window.EntryTable->rowCount(), 0);

    window.AddButton->click();
    EXPECT_EQ(window.StatusLabel->text(), QStringLiteral("请填写术语和译文。"));
    window.TermEdit->setText(QStringLiteral("Quillo"));
    window.TranslationEdit->setText(QStringLiteral("奎罗"));
    window.NoteEdit->setText(QStringLiteral("产品名"));
    window.AddButton->click();
    ASSERT_EVENTUALLY_EQ(window.EntryTable->rowCount(), 1);
    EXPECT_EQ(window.EntryTable->item(0, 1)->text(), QStringLiteral("奎罗"));
    EXPECT_EQ(window.EntryTable->item(0, 2)->text(), QStringLiteral("产品名"));
    EXPECT_TRUE(window.TermEdit->text().isEmpty());

    // Another pair has its own terms.
    window.TargetBox->setCurrentIndex(German);
    ASSERT_EVENTUALLY_EQ(window.EntryTable->rowCount(), 0);
    window.TargetBox->setCurrentIndex(Simplified);
    ASSERT_EVENTUALLY_EQ(window.EntryTable->rowCount(), 1);

    window.RemoveButton->click();
    EXPECT_EQ(window.StatusLabel->text(), QStringLiteral("请先选中要删除的词条。"));
    window.EntryTable->selectRow(0);
    window.RemoveButton->click();
    ASSERT_EVENTUALLY_EQ(window.EntryTable->rowCount(), 0);
    EXPECT_EQ(window.StatusLabel->text(), QStringLiteral("已删除。"));
}
