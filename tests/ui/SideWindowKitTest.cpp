// The message box of a side window: the opener's while it has one, else one stand-in of its own.
#include "ModalAnswer.h"
#include "ui/SideWindowKit.h"

#include <QDialog>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using namespace quillo;

TEST(SideWindowKitTest, MessagesGoToTheOpenersBoxElseToOneOfTheWindowsOwn)
{
    enum class Box { Own, Handed };
    const struct
    {
        const char* name;
        bool hand;
        bool handedGone;
        Box expected;
    } cases[] = {
        {"none handed", false, false, Box::Own},
        {"handed", true, false, Box::Handed},
        {"handed, then gone", true, true, Box::Own},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QDialog window;
        SideWindowMessages messages(&window);
        auto opener = std::make_unique<TSkinMessage>();
        const TSkinMessage* handed = opener.get();
        if (c.hand)
            messages.setBox(opener.get());
        if (c.handedGone)
            opener.reset();

        TSkinMessage* used = messages.box();
        ASSERT_NE(used, nullptr);
        if (c.expected == Box::Handed)
            EXPECT_EQ(used, handed);
        else
            EXPECT_EQ(used->parent(), &window);
        EXPECT_EQ(messages.box(), used) << "one stand-in, not one per message";

        test::ModalAnswer answer;
        messages.error(QStringLiteral("   出 错"));
        messages.information(QStringLiteral("   完 成"));
        EXPECT_EQ(answer.captions, QStringList({MessageCaption(mtError), MessageCaption(mtInformation)}));
        EXPECT_EQ(answer.texts, QStringList({QStringLiteral("   出 错"), QStringLiteral("   完 成")}));
    }
}
