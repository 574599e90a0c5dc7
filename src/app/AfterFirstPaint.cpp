#include "app/AfterFirstPaint.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace quillo {

namespace {

class FirstPaintWatch : public QObject
{
public:
    FirstPaintWatch(QWidget* window, std::function<void()> work) : QObject(window), m_work(std::move(work)) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // Once the paint has gone through, so that the frame reaches the screen first.
            QTimer::singleShot(0, this, [this] {
                m_work();
                deleteLater();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_work;
};

} // namespace

void AfterFirstPaint(QWidget* window, std::function<void()> work)
{
    window->installEventFilter(new FirstPaintWatch(window, std::move(work)));
}

} // namespace quillo
