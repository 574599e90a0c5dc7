// Every text a built-in skin draws reads against what it is drawn on: at least 4.5:1, WCAG AA's
// measure for text, for each text colour of the skin's definition and each background it meets,
// plain, selected and disabled. The backgrounds are the definition's colours and, where a picture
// lies under the text, the pixels of that picture as the skin draws it.
#include "skins/BuiltinSkins.h"
#include "skins/CompressedStoredSkin.h"
#include "skins/SkinData.h"
#include "ui/SkinArt.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>

using namespace quillo;

namespace {

double luminance(const QColor& colour)
{
    const auto linear = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
}

double contrast(const QColor& a, const QColor& b)
{
    const double first = luminance(a);
    const double second = luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

const QString kForm = QStringLiteral("FORMINFO");

class SkinColours
{
public:
    explicit SkinColours(int number)
        : m_skin(CreateBuiltinSkin(number, nullptr))
    {
        m_holder.setCompressedStoredSkin(m_skin.get());
        m_art = std::make_unique<SkinArt>(m_holder);
    }

    // A colour of the definition; a missing one is a fault of the skin.
    QColor colour(const char* section, const char* key) const
    {
        const QColor found = m_art->color(QString::fromLatin1(section), QString::fromLatin1(key), QColor());
        EXPECT_TRUE(found.isValid()) << section << "/" << key;
        return found;
    }

    // The pixels under a line of text in the middle of a part's cell: its middle half, top to
    // bottom, where a gradient runs.
    QList<QColor> partColours(const char* section, const char* prefix, const char* state) const
    {
        const SkinPart& part = m_art->part(QString::fromLatin1(section), QString::fromLatin1(prefix));
        EXPECT_FALSE(part.isNull()) << section << "/" << prefix;
        QImage image(80, 28, QImage::Format_ARGB32_Premultiplied);
        image.fill(colour("FORMINFO", "clientcolor"));
        QPainter painter(&image);
        m_art->draw(&painter, image.rect(), part, QString::fromLatin1(state));
        painter.end();
        return column(image, image.width() / 2, image.height() / 4, image.height() * 3 / 4);
    }

    // The pixels of the caption bar where the title is written.
    QList<QColor> captionColours(bool active) const
    {
        QImage image(400, 200, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        EXPECT_TRUE(m_art->drawFrame(&painter, image.rect(), active));
        painter.end();
        const int caption = m_art->integer(kForm, QStringLiteral("captionheight"), 0);
        const int left = m_art->integer(kForm, QStringLiteral("captiontextleft"), 0);
        EXPECT_GT(caption, 0);
        return column(image, left + 20, caption / 4, caption * 3 / 4);
    }

private:
    static QList<QColor> column(const QImage& image, int x, int top, int bottom)
    {
        QList<QColor> colours;
        for (int y = top; y <= bottom; ++y)
            colours.append(image.pixelColor(x, y));
        return colours;
    }

    std::unique_ptr<TCompressedStoredSkin> m_skin;
    TSkinData m_holder;
    std::unique_ptr<SkinArt> m_art;
};

} // namespace

TEST(SkinContrast, EveryTextReadsOnEveryBackgroundOfEverySkin)
{
    for (int number = 1; number <= 3; ++number) {
        const SkinColours skin(number);
        struct Pair
        {
            std::string what;
            QColor text;
            QList<QColor> backgrounds;
        };
        std::vector<Pair> pairs = {
            {"caption", skin.colour("FORMINFO", "captionfontcolor"), skin.captionColours(true)},
            {"inactive caption", skin.colour("FORMINFO", "captiondisabledfontcolor"), skin.captionColours(false)},
            {"label", skin.colour("stdlabel", "fontcolor"), {skin.colour("FORMINFO", "clientcolor"), skin.colour("panel", "color")}},
            {"disabled label", skin.colour("stdlabel", "disabledfontcolor"),
             {skin.colour("FORMINFO", "clientcolor"), skin.colour("panel", "color")}},
            {"menu", skin.colour("POPUPWINDOW", "fontcolor"),
             QList<QColor>{skin.colour("POPUPWINDOW", "color")} + skin.partColours("POPUPWINDOW", "highlight", "normal")},
            {"disabled menu", skin.colour("POPUPWINDOW", "disabledfontcolor"), {skin.colour("POPUPWINDOW", "color")}},
            {"hint", skin.colour("HINTWINDOW", "fontcolor"), skin.partColours("HINTWINDOW", "frame", "normal")},
            {"disabled button", skin.colour("button", "disabledfontcolor"), skin.partColours("button", "", "disabled")},
            {"progress", skin.colour("gauge", "fontcolor"), skin.partColours("gauge", "track", "normal")},
            // Over the filled part a progress bar writes in the selection's text colour.
            {"progress over its fill", skin.colour("edit", "selectionfontcolor"), skin.partColours("gauge", "fill", "normal")},
            {"list entry", skin.colour("combobox", "fontcolor"),
             QList<QColor>{skin.colour("combobox", "color")} + skin.partColours("combobox", "listhighlight", "normal")},
            {"disabled list", skin.colour("combobox", "disabledfontcolor"), {skin.colour("combobox", "disabledcolor")}},
        };
        for (const char* state : {"normal", "hover", "pressed", "focused"})
            pairs.push_back({std::string("button ") + state, skin.colour("button", "fontcolor"), skin.partColours("button", "", state)});
        for (const char* box : {"edit", "tooledit", "buttonedit", "memo"}) {
            pairs.push_back({box, skin.colour(box, "fontcolor"), {skin.colour(box, "color")}});
            pairs.push_back({std::string("disabled ") + box, skin.colour(box, "disabledfontcolor"), {skin.colour(box, "disabledcolor")}});
            pairs.push_back({std::string("selected in ") + box, skin.colour(box, "selectionfontcolor"), {skin.colour(box, "selectioncolor")}});
        }
        for (const Pair& pair : pairs) {
            for (const QColor& background : pair.backgrounds) {
                EXPECT_GE(contrast(pair.text, background), 4.5)
                    << "skin " << number << ", " << pair.what << ": " << pair.text.name().toStdString() << " on "
                    << background.name().toStdString();
            }
        }
    }
}
