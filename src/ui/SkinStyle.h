#pragma once
// The application style while a skin is in use: every control draws from the active skin's
// parts (buttons, drop-down lists, edits, memos and their scroll bars, progress bars, popup
// menus, hints). Without a skin it is the plain Fusion style, so a skin that fails to load
// leaves every window usable and unskinned.
#include <QProxyStyle>

#include <memory>

namespace quillo {

class SkinArt;

class SkinStyle : public QProxyStyle
{
    Q_OBJECT
public:
    SkinStyle();

    // The art to draw from; null draws unskinned.
    void setArt(std::shared_ptr<const SkinArt> art);
    const std::shared_ptr<const SkinArt>& art() const { return m_art; }
    bool skinned() const;
    // The sizes the style gives controls; controls need relaying out only when this changes.
    QString metricsSignature() const;

    QPalette standardPalette() const override;
    void polish(QWidget* widget) override;
    using QProxyStyle::polish;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override;

private:
    bool drawPanel(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const;
    void drawMenuItem(const QStyleOption* option, QPainter* painter) const;
    void drawComboBox(const QStyleOptionComplex* option, QPainter* painter, const QWidget* widget) const;
    void drawScrollBar(const QStyleOptionComplex* option, QPainter* painter, const QWidget* widget) const;
    void drawProgress(ControlElement element, const QStyleOption* option, QPainter* painter,
                      const QWidget* widget) const;

    std::shared_ptr<const SkinArt> m_art;
};

// The skin entry a control draws with (its "SkinDataName"), or `fallback`.
QString SkinDataNameOf(const QWidget* widget, const QString& fallback);

} // namespace quillo
