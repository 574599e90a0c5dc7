#include "skins/BuiltinSkins.h"
#include "skins/CompressedStoredSkin.h"
#include "skins/SkinData.h"
#include "ui/SkinArt.h"
#include "ui/SkinCaptions.h"
#include "ui/SkinControls.h"
#include "ui/SkinStyle.h"
#include "ui/SkinTheme.h"

#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <gtest/gtest.h>
#include <memory>

using namespace quillo;

namespace {

// The application drawing from built-in skin `number` for as long as it lives.
class SkinInUse
{
public:
    explicit SkinInUse(int number)
        : m_skin(CreateBuiltinSkin(number, nullptr))
    {
        m_holder.setResourceStrData(&SimpleChina());
        UseSkinData(&m_holder);
        m_holder.setCompressedStoredSkin(m_skin.get());
    }
    ~SkinInUse() { UseSkinData(nullptr); }

    TSkinData& holder() { return m_holder; }

private:
    TSkinData m_holder;
    std::unique_ptr<TCompressedStoredSkin> m_skin;
};

// The colour the skin itself has at `at` inside the cell of `state`, at 1x or 2x.
QColor cellColour(const TSkinData& holder, const SkinPart& part, const QString& state, QPoint at, int scale)
{
    const QImage sheet = holder.ActivePictures().at(scale == 1 ? part.picture : part.picture2x).image();
    const QPoint cell = part.rect.topLeft() + part.stateOffset * part.stateIndex(state);
    return sheet.pixelColor(cell * scale + at);
}

// Equal but for the rounding of a scaled drawing.
bool nearlyEqual(const QColor& drawn, const QColor& expected)
{
    return std::abs(drawn.red() - expected.red()) <= 2 && std::abs(drawn.green() - expected.green()) <= 2
        && std::abs(drawn.blue() - expected.blue()) <= 2;
}

QImage renderAt(QWidget& widget, int scale)
{
    QImage image(widget.size() * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    widget.render(&image);
    return image;
}

} // namespace

TEST(SkinStyle, ButtonsDrawEachStateFromItsCellAtBothDensities)
{
    SkinInUse skin(2);
    const auto art = CurrentSkinArt();
    ASSERT_TRUE(art);
    const SkinPart& part = art->part(QStringLiteral("button"));
    ASSERT_EQ(part.states.size(), 5);

    TSkinButton button(QStringLiteral("Button"), QString(), nullptr);
    button.resize(part.rect.size());
    const QPoint inBorder(4, part.rect.height() / 2);
    const auto check = [&](const char* state) {
        for (int scale : {1, 2}) {
            const QColor drawn = renderAt(button, scale).pixelColor(inBorder * scale);
            const QColor expected = cellColour(skin.holder(), part, QString::fromLatin1(state), inBorder * scale, scale);
            EXPECT_TRUE(nearlyEqual(drawn, expected))
                << state << " at " << scale << "x: " << qPrintable(drawn.name()) << " for " << qPrintable(expected.name());
        }
    };
    check("normal");
    button.setDown(true);
    check("pressed");
    button.setDown(false);
    button.setEnabled(false);
    check("disabled");
}

TEST(SkinStyle, AProgressBarFillsItsTrackByItsValue)
{
    SkinInUse skin(3);
    const auto art = CurrentSkinArt();
    const SkinPart& track = art->part(QStringLiteral("gauge"), QStringLiteral("track"));
    const SkinPart& fill = art->part(QStringLiteral("gauge"), QStringLiteral("fill"));
    TSkinGauge gauge(QStringLiteral("Gauge"), nullptr);
    gauge.resize(200, track.rect.height());
    const int middle = track.rect.height() / 2;
    const QPoint centreOfCell(track.rect.width() / 2, middle);
    const QColor filled = cellColour(skin.holder(), fill, QStringLiteral("normal"), centreOfCell, 1);
    const QColor empty = cellColour(skin.holder(), track, QStringLiteral("normal"), centreOfCell, 1);
    ASSERT_NE(filled, empty);

    // The fill stretches over the bar: its gradient may come out a shade apart.
    gauge.setValue(50);
    QImage image = renderAt(gauge, 1);
    EXPECT_TRUE(nearlyEqual(image.pixelColor(40, middle), filled));
    EXPECT_TRUE(nearlyEqual(image.pixelColor(160, middle), empty));
    gauge.setValue(0);
    EXPECT_TRUE(nearlyEqual(renderAt(gauge, 1).pixelColor(40, middle), empty));
    gauge.setValue(100);
    EXPECT_TRUE(nearlyEqual(renderAt(gauge, 1).pixelColor(160, middle), filled));
}

TEST(SkinStyle, ASkinSetsMetricsAndColoursAndAFailedOneGivesThePlainStyleBack)
{
    const std::unique_ptr<QStyle> plain(QStyleFactory::create(QStringLiteral("Fusion")));
    const auto extent = [] { return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent); };
    SkinInUse skin(1);
    const ProfileReader& definition = skin.holder().definition();
    EXPECT_EQ(extent(), definition.value(QStringLiteral("vscrollbar"), QStringLiteral("size")).toInt());
    EXPECT_EQ(QApplication::palette().color(QPalette::Window),
              QColor(QLatin1Char('#') + definition.value(QStringLiteral("FORMINFO"), QStringLiteral("clientcolor"))));

    TCompressedStoredSkin broken;
    broken.setCompressedData(QByteArray("\x78\xda\x01\x02", 4));
    skin.holder().setCompressedStoredSkin(&broken);
    EXPECT_FALSE(qobject_cast<SkinStyle*>(QApplication::style())->skinned());
    EXPECT_EQ(CurrentSkinArt(), nullptr);
    EXPECT_EQ(extent(), plain->pixelMetric(QStyle::PM_ScrollBarExtent));
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), plain->standardPalette().color(QPalette::Window));
    TSkinButton button(QStringLiteral("Button"), QStringLiteral("确定"), nullptr);
    button.resize(80, 26);
    EXPECT_FALSE(renderAt(button, 1).isNull());
}
