#include "capture/RegionOverlay.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace quillo {

namespace {

constexpr int kDimAlpha = 120;
constexpr double kSmallestDrag = 3; // logical pixels; less is a click, not a rectangle

} // namespace

RegionOverlay::RegionOverlay(const ScreenPicture& screen, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_screen(screen)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setCursor(Qt::CrossCursor);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setWindowTitle(QStringLiteral("Quillo"));
    setGeometry(screen.geometry);
}

QRect RegionOverlay::DeviceRect(const QRectF& logical) const
{
    const double ratioX = double(m_screen.image.width()) / width();
    const double ratioY = double(m_screen.image.height()) / height();
    const QRectF device(logical.x() * ratioX, logical.y() * ratioY, logical.width() * ratioX, logical.height() * ratioY);
    // Rounded to the nearest pixel edge, so a rectangle on whole logical pixels maps exactly.
    const QRect rounded(QPoint(qRound(device.left()), qRound(device.top())),
                        QPoint(qRound(device.right()) - 1, qRound(device.bottom()) - 1));
    return rounded.intersected(m_screen.image.rect());
}

QRectF RegionOverlay::selectionRect() const
{
    return m_anchor ? QRectF(*m_anchor, m_pointer).normalized() : QRectF();
}

std::optional<QRect> RegionOverlay::Selection() const
{
    const QRectF selection = selectionRect();
    if (selection.width() < kSmallestDrag || selection.height() < kSmallestDrag)
        return std::nullopt;
    return DeviceRect(selection);
}

void RegionOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(rect(), m_screen.image);
    painter.fillRect(rect(), QColor(0, 0, 0, kDimAlpha));
    const QRectF selection = selectionRect();
    if (!selection.isEmpty()) {
        painter.drawImage(selection, m_screen.image, DeviceRect(selection));
        painter.setPen(QPen(QColor(0x2d, 0x8c, 0xf0), 1));
        painter.drawRect(selection);
        paintSizeLabel(painter, selection);
    }
    if (m_pointer.x() >= 0) {
        painter.setPen(QPen(QColor(255, 255, 255, 160), 1, Qt::DashLine));
        painter.drawLine(QPointF(0, m_pointer.y()), QPointF(width(), m_pointer.y()));
        painter.drawLine(QPointF(m_pointer.x(), 0), QPointF(m_pointer.x(), height()));
    }
}

void RegionOverlay::paintSizeLabel(QPainter& painter, const QRectF& selection) const
{
    const QRect device = DeviceRect(selection);
    const QString size = QStringLiteral("%1 × %2").arg(device.width()).arg(device.height());
    const QRect text = painter.fontMetrics().boundingRect(size).adjusted(-4, -2, 4, 2);
    // Above the rectangle, or inside it at the top of the screen.
    QPointF corner = selection.topLeft() - QPointF(0, text.height() + 2);
    if (corner.y() < 0)
        corner = selection.topLeft() + QPointF(2, 2);
    const QRectF box(corner, QSizeF(text.size()));
    painter.fillRect(box, QColor(0, 0, 0, 180));
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, size);
}

void RegionOverlay::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_anchor = event->position();
    m_pointer = event->position();
    update();
}

void RegionOverlay::mouseMoveEvent(QMouseEvent* event)
{
    m_pointer = event->position();
    update();
}

void RegionOverlay::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_anchor)
        return;
    m_pointer = event->position();
    const std::optional<QRect> chosen = Selection();
    m_anchor.reset();
    update();
    if (chosen)
        emit regionChosen(m_screen.image.copy(*chosen), *chosen);
}

void RegionOverlay::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        emit cancelled();
    else
        QWidget::keyPressEvent(event);
}

} // namespace quillo
