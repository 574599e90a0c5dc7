#include "ui/AniCursor.h"

#include <QFile>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace quillo;

namespace {

QByteArray readAsset(const char* name)
{
    QFile file(QStringLiteral(QUILLO_SOURCE_DIR "/assets/cursors/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

QByteArray chunk(const char* id, const QByteArray& body)
{
    QByteArray bytes(id, 4);
    char size[4];
    qToLittleEndian<quint32>(static_cast<quint32>(body.size()), size);
    bytes.append(size, 4).append(body);
    if (body.size() % 2)
        bytes.append('\0');
    return bytes;
}

QByteArray words(std::initializer_list<quint32> values)
{
    QByteArray bytes;
    for (quint32 value : values) {
        char word[4];
        qToLittleEndian(value, word);
        bytes.append(word, 4);
    }
    return bytes;
}

QByteArray riff(const QByteArray& chunks)
{
    QByteArray body = QByteArray("ACON") + chunks;
    QByteArray bytes("RIFF");
    return bytes + words({static_cast<quint32>(body.size())}) + body;
}

// A small animated cursor made of the arrow cursor repeated.
QByteArray twoFrameCursor(const QByteArray& extra = {}, quint32 flags = 1, quint32 steps = 2)
{
    const QByteArray frame = readAsset("arrow.cur");
    return riff(chunk("anih", words({36, 2, steps, 0, 0, 0, 0, 5, flags})) + extra
                + chunk("LIST", QByteArray("fram") + chunk("icon", frame) + chunk("icon", frame)));
}

} // namespace

TEST(AniCursor, TheBusyCursorHasTwentyFramesOfFourJiffies)
{
    const auto file = ParseAniCursor(readAsset("busy.ani"));
    ASSERT_TRUE(file.has_value());
    ASSERT_EQ(file->frames.size(), 20);
    ASSERT_EQ(file->steps.size(), 20);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(file->steps[i].frame, i);
        EXPECT_EQ(file->steps[i].jiffies, 4);
        const auto image = DecodeCursorImage(file->frames[i]);
        ASSERT_TRUE(image.has_value()) << "frame " << i;
        EXPECT_EQ(image->image.size(), QSize(32, 32));
        EXPECT_EQ(image->hotSpot, QPoint(16, 16));
        EXPECT_TRUE(image->image.hasAlphaChannel());
    }
    // The frames differ: it is an animation, not one picture twenty times.
    EXPECT_NE(DecodeCursorImage(file->frames[0])->image, DecodeCursorImage(file->frames[5])->image);
}

TEST(AniCursor, TheArrowPointsFromItsTopLeftPixel)
{
    const auto arrow = DecodeCursorImage(readAsset("arrow.cur"));
    ASSERT_TRUE(arrow.has_value());
    EXPECT_EQ(arrow->image.size(), QSize(32, 32));
    EXPECT_EQ(arrow->hotSpot, QPoint(0, 0));
    EXPECT_EQ(qAlpha(arrow->image.pixel(0, 0)), 255);
    EXPECT_EQ(qAlpha(arrow->image.pixel(31, 31)), 0);
}

TEST(AniCursor, RateAndSequenceChunksDecideThePlayingOrder)
{
    // Without them every frame plays once at the header's rate.
    auto plain = ParseAniCursor(twoFrameCursor());
    ASSERT_TRUE(plain.has_value());
    ASSERT_EQ(plain->steps.size(), 2);
    EXPECT_EQ(plain->steps[1].frame, 1);
    EXPECT_EQ(plain->steps[1].jiffies, 5);

    const QByteArray ordered = chunk("rate", words({3, 0, 9})) + chunk("seq ", words({1, 0, 1}));
    auto file = ParseAniCursor(twoFrameCursor(ordered, 1 | 2, 3));
    ASSERT_TRUE(file.has_value());
    ASSERT_EQ(file->steps.size(), 3);
    EXPECT_EQ(file->steps[0].frame, 1);
    EXPECT_EQ(file->steps[0].jiffies, 3);
    EXPECT_EQ(file->steps[1].frame, 0);
    EXPECT_EQ(file->steps[1].jiffies, 1) << "a zero rate would spin the timer";
    EXPECT_EQ(file->steps[2].jiffies, 9);
}

TEST(AniCursor, BrokenFilesAreRefusedWithoutReadingOutside)
{
    const QByteArray good = readAsset("busy.ani");
    // Every truncation is either refused or still a whole cursor; none may crash.
    for (qsizetype length = 0; length < good.size(); length += 97) {
        const auto file = ParseAniCursor(good.left(length));
        if (file) {
            EXPECT_EQ(file->frames.size(), 20);
        }
    }
    EXPECT_FALSE(ParseAniCursor(good.left(good.size() - 1)).has_value());

    QByteArray wrongForm = good;
    wrongForm.replace(8, 4, "AVI ");
    EXPECT_FALSE(ParseAniCursor(wrongForm).has_value());

    QByteArray lyingChunk = good;
    qToLittleEndian<quint32>(0x7fffffff, lyingChunk.data() + 16);
    EXPECT_FALSE(ParseAniCursor(lyingChunk).has_value());

    EXPECT_FALSE(ParseAniCursor(twoFrameCursor({}, 0)).has_value()) << "raw bitmap frames are not supported";
    EXPECT_FALSE(ParseAniCursor(twoFrameCursor(chunk("seq ", words({0, 2})), 3)).has_value())
        << "a step naming a frame that does not exist";
    EXPECT_FALSE(ParseAniCursor(twoFrameCursor(chunk("rate", words({1})), 1)).has_value())
        << "a rate chunk shorter than the steps";
    EXPECT_FALSE(ParseAniCursor(twoFrameCursor({}, 1, 0xffffffff) + chunk("seq ", words({0}))).has_value());
    EXPECT_FALSE(ParseAniCursor(riff(chunk("LIST", QByteArray("fram")))).has_value()) << "no header";

    EXPECT_FALSE(DecodeCursorImage(QByteArray(22, '\0')).has_value());
    EXPECT_FALSE(DecodeCursorImage(readAsset("arrow.cur").left(40)).has_value());
}
