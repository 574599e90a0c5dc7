#include "SkinTestSupport.h"

#include "skins/BuiltinSkins.h"
#include "skins/SkinContents.h"
#include "skins/container/ContainerIndex.h"
#include "skins/container/SkinSource.h"
#include "skins/container/ZlibCodec.h"

#include <gtest/gtest.h>

#include <QRect>

#include <algorithm>

namespace quillo {
namespace {

QList<int> ints(const QString& text)
{
    QList<int> values;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        values.append(part.trimmed().toInt());
    return values;
}

QStringList sectionsOf(const QByteArray& definition)
{
    QStringList names;
    for (const QByteArray& line : definition.split('\n')) {
        const QByteArray t = line.trimmed();
        if (t.startsWith('[') && t.endsWith(']'))
            names.append(QString::fromLatin1(t.mid(1, t.size() - 2)));
    }
    return names;
}

SkinContents unpackBuiltin(int n)
{
    const SkinUnpackResult r = UnpackSkin(BuiltinSkinData(n));
    EXPECT_EQ(r.status, SkinUnpackStatus::Ok) << "skin " << n;
    return r.contents;
}

// Every part a section describes ("<prefix>rect" with its picture, states and margins) must lie
// inside its picture, and its 2x picture must be the same sheet at twice the size.
void expectPartsInsideTheirPictures(const SkinContents& s, const QString& section)
{
    const ProfileReader& d = s.definition;
    for (const QString& key : d.keys(section)) {
        if (!key.endsWith(QStringLiteral("rect")))
            continue;
        SCOPED_TRACE(qPrintable(section + QLatin1Char('.') + key));
        const QString prefix = key.chopped(4);
        const QList<int> r = ints(d.value(section, key));
        ASSERT_EQ(r.size(), 4);
        const qsizetype states = d.value(section, prefix + QStringLiteral("states")).split(QLatin1Char(',')).size();
        const QList<int> offset = ints(d.value(section, prefix + QStringLiteral("stateoffset")));
        ASSERT_EQ(offset.size(), 2);
        const QRect all = QRect(r[0], r[1], r[2], r[3]).united(
            QRect(r[0] + offset[0] * int(states - 1), r[1] + offset[1] * int(states - 1), r[2], r[3]));

        const int index = d.value(section, prefix + QStringLiteral("picture")).toInt();
        const int index2x = d.value(section, prefix + QStringLiteral("picture2x")).toInt();
        ASSERT_TRUE(index >= 0 && index < s.activePictures.size());
        ASSERT_TRUE(index2x >= 0 && index2x < s.activePictures.size());
        EXPECT_TRUE(s.activePictures[index].rect().contains(all));
        EXPECT_EQ(s.activePictures[index2x].size(), s.activePictures[index].size() * 2);

        const QList<int> m = ints(d.value(section, prefix + QStringLiteral("margins")));
        if (!m.isEmpty()) {
            ASSERT_EQ(m.size(), 4);
            EXPECT_LT(m[0] + m[2], r[2]);
            EXPECT_LT(m[1] + m[3], r[3]);
        }
    }
}

TEST(BuiltinSkins, AreTheirSourcesPackedAtTheBestLevel)
{
    for (int n = 1; n <= kBuiltinSkinCount; ++n) {
        SCOPED_TRACE(n);
        const QByteArray data = BuiltinSkinData(n);
        ASSERT_TRUE(data.startsWith("\x78\xDA"));
        const InflateResult inflated = InflateCapped(data, kMaxInflatedSkinSize);
        ASSERT_EQ(inflated.status, InflateStatus::Ok);
        EXPECT_EQ(BuiltinSkinContainer(n), inflated.data) << "the container kept beside the stream";
        const ContainerIndexResult walked = IndexSkinContainer(inflated.data);
        ASSERT_EQ(walked.status, ContainerStatus::Ok);
        EXPECT_EQ(BuiltinSkinContainerIndex(n), WriteContainerIndex(walked.index));
        const ContainerReadResult read = ReadSkinContainer(inflated.data);
        ASSERT_EQ(read.status, ContainerStatus::Ok);

        const SkinSourceResult source = ReadSkinSource(test::SkinSourceDir(n) + QStringLiteral("/skin.ini"));
        ASSERT_TRUE(source.ok) << qPrintable(source.error);
        EXPECT_EQ(read.container.version, 3);
        EXPECT_EQ(read.container.picture, source.container.picture);
        EXPECT_EQ(read.container.inactivePicture, source.container.inactivePicture);
        EXPECT_EQ(read.container.mask, source.container.mask);
        EXPECT_EQ(read.container.activePictures, source.container.activePictures);
        EXPECT_EQ(read.container.definition, source.container.definition);
        EXPECT_FALSE(read.container.definition.contains("\n\n")); // every line ends in CR LF
    }
    EXPECT_TRUE(BuiltinSkinData(0).isEmpty());
    EXPECT_TRUE(BuiltinSkinData(kBuiltinSkinCount + 1).isEmpty());
    EXPECT_TRUE(BuiltinSkinContainer(0).isEmpty());
}

TEST(BuiltinSkins, DefinitionsDescribeTheirPictures)
{
    const QStringList usedControls = {"button", "gauge", "edit", "tooledit", "buttonedit", "memo",
                                      "combobox", "panel", "stdlabel", "vscrollbar", "bothhscrollbar"};
    for (int n = 1; n <= kBuiltinSkinCount; ++n) {
        SCOPED_TRACE(n);
        const SkinContents s = unpackBuiltin(n);
        const ProfileReader& d = s.definition;
        EXPECT_FALSE(s.skinName.isEmpty());
        EXPECT_EQ(s.activePictureNames.size(), s.activePictures.size());
        EXPECT_EQ(s.pictureName, QStringLiteral("main.bmp"));
        EXPECT_EQ(s.maskName, QStringLiteral("mask.bmp"));
        EXPECT_EQ(s.mask.image().depth(), 1);
        EXPECT_EQ(s.mask.size(), s.picture.size());
        EXPECT_EQ(s.inactivePicture.size(), s.picture.size());

        const QString form = QStringLiteral("FORMINFO");
        for (const char* key : {"picture2x", "inactivepicture2x", "mask2x"}) {
            const int index = d.value(form, QLatin1String(key)).toInt();
            ASSERT_TRUE(index > 0 && index < s.activePictures.size()) << key;
            EXPECT_EQ(s.activePictures[index].size(), s.picture.size() * 2) << key;
        }
        const QList<int> margins = ints(d.value(form, QStringLiteral("margins")));
        ASSERT_EQ(margins.size(), 4);
        EXPECT_LT(margins[0] + margins[2], s.picture.size().width());
        EXPECT_LT(margins[1] + margins[3], s.picture.size().height());

        QStringList controlNames;
        for (const SkinEntry& e : s.skinControls)
            controlNames.append(e.name);
        for (const QString& name : usedControls)
            EXPECT_TRUE(controlNames.contains(name)) << qPrintable(name);

        QStringList sections = {form, QStringLiteral("POPUPWINDOW"), QStringLiteral("HINTWINDOW")};
        for (const QList<SkinEntry>& list : {s.skinObjects, s.skinControls}) {
            for (const SkinEntry& e : list) {
                EXPECT_FALSE(e.kind.isEmpty()) << qPrintable(e.name);
                EXPECT_FALSE(d.keys(e.name).isEmpty()) << "no section " << qPrintable(e.name);
                sections.append(e.name);
            }
        }
        for (const QString& section : sections) {
            expectPartsInsideTheirPictures(s, section);
            for (const QString& key : d.keys(section)) {
                if (key.endsWith(QStringLiteral("fontname"))) {
                    EXPECT_EQ(d.value(section, key), QStringLiteral("宋体"));
                }
            }
        }
    }
}

TEST(BuiltinSkins, AreColourVariantsOfOneLayout)
{
    const SkinContents first = unpackBuiltin(1);
    const QByteArray firstText = ReadSkinSource(test::SkinSourceDir(1) + QStringLiteral("/skin.ini")).container.definition;
    QStringList names = {first.skinName};
    for (int n = 2; n <= kBuiltinSkinCount; ++n) {
        SCOPED_TRACE(n);
        const SkinContents other = unpackBuiltin(n);
        names.append(other.skinName);
        ASSERT_EQ(other.activePictures.size(), first.activePictures.size());
        for (qsizetype i = 0; i < first.activePictures.size(); ++i)
            EXPECT_EQ(other.activePictures[i].size(), first.activePictures[i].size()) << i;
        EXPECT_NE(other.picture.image(), first.picture.image());

        const QByteArray otherText = ReadSkinSource(test::SkinSourceDir(n) + QStringLiteral("/skin.ini")).container.definition;
        const QStringList sections = sectionsOf(firstText);
        ASSERT_EQ(sectionsOf(otherText), sections);
        for (const QString& section : sections) {
            ASSERT_EQ(other.definition.keys(section), first.definition.keys(section)) << qPrintable(section);
            for (const QString& key : first.definition.keys(section)) {
                if (section == QStringLiteral("VERSION") || key.endsWith(QStringLiteral("color")))
                    continue;
                EXPECT_EQ(other.definition.value(section, key), first.definition.value(section, key))
                    << qPrintable(section + QLatin1Char('.') + key);
            }
        }
    }
    names.removeDuplicates();
    EXPECT_EQ(names.size(), kBuiltinSkinCount);
}

// The definitions decoded when the program was built read exactly as the containers' GBK text.
TEST(BuiltinSkins, DefinitionsDecodedAtBuildMatchTheContainers)
{
    for (int n = 1; n <= kBuiltinSkinCount; ++n) {
        SCOPED_TRACE(n);
        const SkinContents fromGbk = unpackBuiltin(n);
        const SkinUnpackResult decoded = UnpackSkin(BuiltinSkinData(n), BuiltinSkinDefinition(n));
        ASSERT_EQ(decoded.status, SkinUnpackStatus::Ok);
        const ProfileReader& utf8 = decoded.contents.definition;
        ASSERT_EQ(utf8.sections(), fromGbk.definition.sections());
        for (const QString& section : utf8.sections()) {
            EXPECT_EQ(utf8.sectionLines(section), fromGbk.definition.sectionLines(section)) << qPrintable(section);
        }
        EXPECT_EQ(decoded.contents.skinName, fromGbk.skinName);
        EXPECT_TRUE(std::any_of(fromGbk.skinName.begin(), fromGbk.skinName.end(), [](QChar c) { return c.unicode() > 0x7f; }));
    }
}

} // namespace
} // namespace quillo
