#pragma once
// The frozen screen the user drags a rectangle over: the screen's picture, dimmed, covering the
// whole screen, a crosshair under the pointer, and the chosen rectangle shown undimmed with its
// size in the picture's pixels. Escape gives up.
//
// The rectangle is drawn in the widget's logical coordinates but cut from the picture in its
// device pixels, by the ratio of the picture to the widget: that ratio is the screen's scale
// factor (2 at QT_SCALE_FACTOR=2), and since both are the screen's own, the screen's place on
// the desktop never enters the cut.
#include "capture/ScreenGrabber.h"

#include <QWidget>

#include <optional>

namespace quillo {

class RegionOverlay : public QWidget {
    Q_OBJECT
public:
    explicit RegionOverlay(const ScreenPicture& screen, QWidget* parent = nullptr);

    // The picture's pixels under a rectangle of this widget.
    QRect DeviceRect(const QRectF& logical) const;
    std::optional<QRect> Selection() const;

signals:
    void regionChosen(const QImage& picture, const QRect& deviceRect);
    void cancelled();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QRectF selectionRect() const;
    void paintSizeLabel(class QPainter& painter, const QRectF& selection) const;

    ScreenPicture m_screen;
    QPointF m_pointer{-1, -1};
    std::optional<QPointF> m_anchor;
};

} // namespace quillo
