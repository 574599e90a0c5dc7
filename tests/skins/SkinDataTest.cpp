#include "SkinTestSupport.h"

#include "skins/BuiltinSkins.h"
#include "skins/CompressedStoredSkin.h"
#include "skins/ResourceStrData.h"
#include "skins/SkinData.h"
#include "skins/container/SkinBitmap.h"
#include "skins/container/ZlibCodec.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QtEndian>

#include <functional>

namespace quillo {
namespace {

struct Delivery {
    QString receiver;
    int notice;
    int param;
    bool holderEmpty;
    qsizetype pictures;
    friend bool operator==(const Delivery&, const Delivery&) = default;
    friend void PrintTo(const Delivery& d, std::ostream* os)
    {
        *os << qPrintable(d.receiver) << ' ' << d.notice << ' ' << d.param << " empty=" << d.holderEmpty
            << " pictures=" << d.pictures;
    }
};

// A stand-in for a window: records each notice it is sent.
class Receiver : public QObject {
public:
    Receiver(const QString& name, QList<Delivery>* log, QObject* parent = nullptr)
        : QObject(parent), m_log(log)
    {
        setObjectName(name);
    }
    std::function<void(SkinNotice)> onNotice;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != SkinChangeEvent::eventType())
            return QObject::event(e);
        auto* notice = static_cast<SkinChangeEvent*>(e);
        const TSkinData* holder = notice->holder();
        m_log->append({objectName(), notice->notice(), notice->param(), holder->Empty(),
                       holder->ActivePictures().size()});
        if (onNotice)
            onNotice(notice->notice());
        return true;
    }

private:
    QList<Delivery>* m_log;
};

QByteArray compressedContainer(const SkinContainer& c)
{
    return DeflateBest(WriteSkinContainer(c));
}

class SkinDataNotices : public ::testing::Test {
protected:
    SkinDataNotices()
    {
        holder = new TSkinData(&owner);
        holder->setNoticeReceivers([this] {
            QList<QObject*> list;
            for (QObject* o : {static_cast<QObject*>(first), static_cast<QObject*>(&owner), static_cast<QObject*>(second)})
                if (o)
                    list.append(o);
            return list;
        });
        skin1 = CreateBuiltinSkin(1, &owner);
    }

    QList<int> noticesOf(const QString& name) const
    {
        QList<int> notices;
        for (const Delivery& d : log)
            if (d.receiver == name)
                notices.append(d.notice);
        return notices;
    }

    QList<Delivery> log;
    Receiver owner{QStringLiteral("owner"), &log};
    QPointer<Receiver> first = new Receiver(QStringLiteral("first"), &log, &owner);
    QPointer<Receiver> second = new Receiver(QStringLiteral("second"), &log, &owner);
    TSkinData* holder = nullptr;
    TCompressedStoredSkin* skin1 = nullptr;
};

TEST_F(SkinDataNotices, LoadingSendsTheNoticesToTheOwnerFirst)
{
    QSignalSpy notices(holder, &TSkinData::skinNotice);
    holder->setCompressedStoredSkin(skin1);
    ASSERT_FALSE(holder->Empty());
    const qsizetype n = holder->ActivePictures().size();
    ASSERT_GT(n, 0);

    const QList<Delivery> expected = {
        {QStringLiteral("owner"), 1225, 1000, true, 0},
        {QStringLiteral("first"), 1225, 1000, true, 0},
        {QStringLiteral("second"), 1225, 1000, true, 0},
        {QStringLiteral("owner"), 1226, 1000, false, n},
        {QStringLiteral("first"), 1226, 1000, false, n},
        {QStringLiteral("second"), 1226, 1000, false, n},
        {QStringLiteral("owner"), 1227, 1000, false, n},
        {QStringLiteral("first"), 1227, 1000, false, n},
        {QStringLiteral("second"), 1227, 1000, false, n},
    };
    EXPECT_EQ(log, expected);
    ASSERT_EQ(notices.size(), 3);
    EXPECT_EQ(notices[0][0].value<SkinNotice>(), SkinNoticeChanging);
    EXPECT_EQ(notices[2][0].value<SkinNotice>(), SkinNoticeApplied);
    EXPECT_EQ(holder->CompressedStoredSkin(), skin1);

    // Choosing the same skin again does the whole work again; the old pictures are dropped only
    // after the first notice has gone out.
    log.clear();
    holder->setCompressedStoredSkin(skin1);
    QList<Delivery> again = expected;
    for (int i = 0; i < 3; ++i)
        again[i].pictures = n;
    EXPECT_EQ(log, again);
}

TEST_F(SkinDataNotices, AnOwnerThatIsNoWindowIsSkipped)
{
    QObject plainOwner;
    QList<Delivery> ownLog;
    Receiver window(QStringLiteral("window"), &ownLog);
    TSkinData other(&plainOwner);
    other.setNoticeReceivers([&] { return QList<QObject*>{&window}; });
    other.setCompressedStoredSkin(skin1);
    EXPECT_EQ(ownLog.size(), 3);
    EXPECT_TRUE(log.isEmpty()); // our fixture's windows are not this holder's receivers

    // Without a receiver list nobody is sent anything, and the skin still loads.
    TSkinData lonely;
    lonely.setCompressedStoredSkin(skin1);
    EXPECT_FALSE(lonely.Empty());
}

TEST_F(SkinDataNotices, AWindowClosedDuringANoticeIsNotSentTheRest)
{
    first->onNotice = [this](SkinNotice notice) {
        if (notice == SkinNoticeChanging)
            delete second;
    };
    holder->setCompressedStoredSkin(skin1);
    EXPECT_EQ(noticesOf(QStringLiteral("first")), (QList<int>{1225, 1226, 1227}));
    EXPECT_TRUE(noticesOf(QStringLiteral("second")).isEmpty());
    EXPECT_FALSE(holder->Empty());
}

TEST_F(SkinDataNotices, AnEmptyStoredSkinChangesNothing)
{
    holder->setCompressedStoredSkin(skin1);
    log.clear();
    TCompressedStoredSkin empty;
    holder->setCompressedStoredSkin(&empty);
    EXPECT_TRUE(log.isEmpty());
    EXPECT_FALSE(holder->Empty());
    EXPECT_FALSE(holder->Picture().isNull());
    EXPECT_EQ(holder->CompressedStoredSkin(), &empty);
}

TEST_F(SkinDataNotices, RefusedContainersLeaveTheHolderEmptyWithoutCompletion)
{
    SkinContainer newer = test::MakeContainer();
    newer.version = 4;

    const SkinContainer sound = test::MakeContainer();
    QByteArray lyingBitmap = WriteSkinContainer(sound);
    qToLittleEndian<quint32>(0x7fffffff, lyingBitmap.data() + 4 + 1 + 2);
    QByteArray bigCount = WriteSkinContainer(sound);
    qToLittleEndian<qint32>(5000, bigCount.data() + 4 + 1 + sound.picture->size() + 1 + 1 + sound.mask->size());
    SkinContainer undecodable = sound;
    undecodable.activePictures[1].replace(14, 4, QByteArray(4, '\x7f'));
    const QByteArray good = compressedContainer(sound);

    const QList<std::pair<QByteArray, SkinUnpackStatus>> cases = {
        {compressedContainer(newer), SkinUnpackStatus::NewerVersion},
        {good.left(good.size() / 2), SkinUnpackStatus::TruncatedStream},
        {QByteArray("\x78\xDA garbage"), SkinUnpackStatus::CorruptStream},
        {DeflateBest(QByteArray(kMaxInflatedSkinSize + 1, '\0')), SkinUnpackStatus::TooLarge},
        {DeflateBest(WriteSkinContainer(sound).left(10)), SkinUnpackStatus::TruncatedContainer},
        {DeflateBest(lyingBitmap), SkinUnpackStatus::BadBitmapLength},
        {DeflateBest(bigCount), SkinUnpackStatus::BadCount},
        {compressedContainer(undecodable), SkinUnpackStatus::UndecodableBitmap},
    };
    for (const auto& [bytes, status] : cases) {
        SCOPED_TRACE(static_cast<int>(status));
        holder->setCompressedStoredSkin(skin1);
        ASSERT_FALSE(holder->Empty());
        log.clear();
        QSignalSpy failed(holder, &TSkinData::unpackFailed);

        TCompressedStoredSkin bad;
        bad.setCompressedData(bytes);
        holder->setCompressedStoredSkin(&bad);

        EXPECT_EQ(noticesOf(QStringLiteral("owner")), QList<int>{1225});
        EXPECT_EQ(log.size(), 3);
        EXPECT_TRUE(holder->Empty());
        EXPECT_EQ(holder->lastUnpackStatus(), status);
        EXPECT_TRUE(holder->Picture().isNull());
        EXPECT_TRUE(holder->Mask().isNull());
        EXPECT_TRUE(holder->ActivePictures().isEmpty());
        EXPECT_TRUE(holder->SkinName().isEmpty());
        ASSERT_EQ(failed.size(), 1);
        EXPECT_EQ(failed[0][0].value<SkinUnpackStatus>(), status);
    }
    // The sound container itself loads.
    TCompressedStoredSkin fine;
    fine.setCompressedData(good);
    holder->setCompressedStoredSkin(&fine);
    EXPECT_FALSE(holder->Empty());
    EXPECT_EQ(holder->SkinName(), QStringLiteral("test 测试"));
    EXPECT_EQ(holder->ActivePictureNames(), (QStringList{QStringLiteral("a.bmp"), QStringLiteral("b.bmp")}));
    EXPECT_TRUE(holder->InactivePicture().isNull());
    EXPECT_EQ(holder->Picture().size(), QSize(20, 10));
}

QList<SkinPicture> picturesOf(const SkinContents& s)
{
    return QList<SkinPicture>{s.picture, s.inactivePicture, s.mask} + s.activePictures;
}

QList<QByteArray> bitmapsOf(const SkinContainer& c)
{
    return QList<QByteArray>{c.picture.value_or(QByteArray()), c.inactivePicture.value_or(QByteArray()),
                             c.mask.value_or(QByteArray())} + c.activePictures;
}

// A built-in skin is read in place and its pictures are decoded only when asked for, once, to
// the pixels of its zlib-packed form; a picture a window keeps still decodes after the holder has
// moved on to another skin or is gone.
TEST_F(SkinDataNotices, BuiltinPicturesAreDecodedWhenFirstAskedFor)
{
    EXPECT_EQ(BuiltinSkinContainer(2).constData(), BuiltinSkinContainer(2).constData()) << "read in place";
    TCompressedStoredSkin* skin2 = CreateBuiltinSkin(2, &owner);
    holder->setCompressedStoredSkin(skin2);
    ASSERT_FALSE(holder->Empty());
    const QList<SkinPicture> kept = picturesOf(holder->contents());
    for (const SkinPicture& picture : kept)
        EXPECT_FALSE(picture.isDecoded());

    holder->setCompressedStoredSkin(skin1);
    delete holder;
    holder = nullptr;

    const ContainerReadResult packed = ReadSkinContainer(InflateCapped(BuiltinSkinData(2), kMaxInflatedSkinSize).data);
    ASSERT_EQ(packed.status, ContainerStatus::Ok);
    const QList<QByteArray> bitmaps = bitmapsOf(packed.container);
    ASSERT_EQ(kept.size(), bitmaps.size());
    for (qsizetype i = 0; i < kept.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_FALSE(kept[i].isNull());
        EXPECT_EQ(kept[i].decodedOnce(), DecodeSkinBitmap(bitmaps[i]));
        EXPECT_FALSE(kept[i].isDecoded()) << "a picture decoded for one caller is not kept";
        const QImage& decoded = kept[i].image();
        EXPECT_EQ(decoded, DecodeSkinBitmap(bitmaps[i]));
        EXPECT_EQ(decoded.size(), kept[i].size());
        EXPECT_EQ(kept[i].image().constBits(), decoded.constBits()) << "decoded once";
    }
}

// Unpacking decodes no picture but still checks every one, whichever way the skin is stored.
TEST_F(SkinDataNotices, ASkinWithABrokenPictureIsRefusedWhenLoaded)
{
    const auto unknownCompression = [](QByteArray& bmp) {
        bmp.replace(14 + 14, 2, QByteArray("\x10\x00", 2)); // 16 bits, no masks
        bmp[14 + 16] = 9;
    };
    const auto rowsCut = [](QByteArray& bmp) { qToLittleEndian<qint32>(4000, bmp.data() + 14 + 8); };
    const QList<std::pair<const char*, std::function<void(SkinContainer&)>>> cases = {
        {"main picture of an unknown kind", [&](SkinContainer& c) { unknownCompression(*c.picture); }},
        {"mask with rows past its end", [&](SkinContainer& c) { rowsCut(*c.mask); }},
        {"active picture of an unknown kind", [&](SkinContainer& c) { unknownCompression(c.activePictures[1]); }},
        {"active picture with rows past its end", [&](SkinContainer& c) { rowsCut(c.activePictures[0]); }},
    };
    for (const auto& [label, breakIt] : cases) {
        SCOPED_TRACE(label);
        SkinContainer container = test::MakeContainer();
        breakIt(container);
        const QByteArray bytes = WriteSkinContainer(container);
        TCompressedStoredSkin inPlace;
        inPlace.setContainer(bytes);
        TCompressedStoredSkin unsoundIndex; // not trusted: the container is walked and checked
        unsoundIndex.setContainer(bytes, QByteArray(12, '\x7f'));
        TCompressedStoredSkin compressed;
        compressed.setCompressedData(DeflateBest(bytes));
        for (TCompressedStoredSkin* stored : {&inPlace, &unsoundIndex, &compressed}) {
            holder->setCompressedStoredSkin(skin1);
            holder->setCompressedStoredSkin(stored);
            EXPECT_TRUE(holder->Empty());
            EXPECT_EQ(holder->lastUnpackStatus(), SkinUnpackStatus::UndecodableBitmap);
        }
    }
}

TEST(ResourceStrData, KeepsTheTextsAsTheyStand)
{
    const TResourceStrData table({QStringLiteral("MSG_BTN_OK= 确  定 "), QStringLiteral("A=x=y"),
                                  QStringLiteral("A=later"), QStringLiteral("no equals sign"),
                                  QStringLiteral("=nameless")});
    TSkinData holder;
    EXPECT_TRUE(holder.resourceString(QStringLiteral("MSG_BTN_OK")).isEmpty());
    holder.setResourceStrData(&table);
    EXPECT_EQ(holder.resourceString(QStringLiteral("MSG_BTN_OK")), QStringLiteral(" 确  定 "));
    EXPECT_EQ(holder.resourceString(QStringLiteral("A")), QStringLiteral("x=y"));
    EXPECT_TRUE(holder.resourceString(QStringLiteral("NO_SUCH_KEY")).isEmpty());
    EXPECT_FALSE(table.contains(QStringLiteral("no equals sign")));
    EXPECT_FALSE(table.contains(QString()));
}

} // namespace
} // namespace quillo
