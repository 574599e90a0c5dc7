#include "ui/ScreenCursor.h"

#include "http/WaitActivity.h"
#include "ui/AniCursor.h"

#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <QTimer>

namespace quillo {

namespace {

// Owns the slots and plays the animated screen cursor. Lives as a child of the application so
// its timer goes with it.
class CursorTable : public QObject
{
public:
    static CursorTable& instance()
    {
        static QPointer<CursorTable> table;
        if (!table)
            table = new CursorTable(QCoreApplication::instance());
        return *table;
    }

    QHash<int, AnimatedCursor> cursors;
    int screenSlot = crDefault;

    void show(int slot)
    {
        screenSlot = slot;
        m_timer.stop();
        m_step = 0;
        m_frame = -1;
        const auto found = cursors.constFind(slot);
        if (slot == crDefault || found == cursors.cend()) {
            while (QGuiApplication::overrideCursor())
                QGuiApplication::restoreOverrideCursor();
            return;
        }
        showStep();
    }

    int frame() const { return m_frame; }

private:
    explicit CursorTable(QObject* parent)
        : QObject(parent)
    {
        m_timer.setSingleShot(true);
        MarkAmbient(&m_timer);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
            const AnimatedCursor& cursor = cursors[screenSlot];
            m_step = (m_step + 1) % cursor.steps.size();
            showStep();
        });
    }

    void showStep()
    {
        const AnimatedCursor& cursor = cursors[screenSlot];
        const AnimatedCursor::Step step = cursor.steps.at(m_step);
        m_frame = step.frame;
        if (QGuiApplication::overrideCursor())
            QGuiApplication::changeOverrideCursor(cursor.frames.at(step.frame));
        else
            QGuiApplication::setOverrideCursor(cursor.frames.at(step.frame));
        if (cursor.steps.size() > 1)
            m_timer.start(step.milliseconds);
    }

    QTimer m_timer;
    qsizetype m_step = 0;
    int m_frame = -1;
};

QCursor toCursor(const CursorImage& image)
{
    return QCursor(QPixmap::fromImage(image.image), image.hotSpot.x(), image.hotSpot.y());
}

std::optional<QByteArray> readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

} // namespace

std::optional<QCursor> LoadCursorFile(const QString& path)
{
    const auto bytes = readFile(path);
    if (!bytes)
        return std::nullopt;
    const auto image = DecodeCursorImage(*bytes);
    if (!image)
        return std::nullopt;
    return toCursor(*image);
}

std::optional<AnimatedCursor> LoadAnimatedCursor(const QString& path)
{
    const auto bytes = readFile(path);
    if (!bytes)
        return std::nullopt;
    const auto file = ParseAniCursor(*bytes);
    if (!file)
        return std::nullopt;
    AnimatedCursor cursor;
    for (const QByteArray& frame : file->frames) {
        const auto image = DecodeCursorImage(frame);
        if (!image)
            return std::nullopt;
        cursor.frames.append(toCursor(*image));
    }
    for (const AniStep& step : file->steps)
        cursor.steps.append({step.frame, step.jiffies * 1000 / 60});
    return cursor;
}

void SetCursorSlot(int slot, const QCursor& cursor)
{
    AnimatedCursor still;
    still.frames.append(cursor);
    still.steps.append({0, 0});
    SetCursorSlot(slot, still);
}

void SetCursorSlot(int slot, const AnimatedCursor& cursor)
{
    if (slot == crDefault || cursor.frames.isEmpty() || cursor.steps.isEmpty())
        return;
    for (const AnimatedCursor::Step& step : cursor.steps) {
        if (step.frame < 0 || step.frame >= cursor.frames.size())
            return;
    }
    CursorTable& table = CursorTable::instance();
    table.cursors.insert(slot, cursor);
    if (table.screenSlot == slot)
        table.show(slot);
}

void ClearCursorSlot(int slot)
{
    CursorTable& table = CursorTable::instance();
    table.cursors.remove(slot);
    if (table.screenSlot == slot)
        table.show(slot);
}

QCursor AppCursor(int slot)
{
    const CursorTable& table = CursorTable::instance();
    const auto found = table.cursors.constFind(slot);
    if (found == table.cursors.cend())
        return QCursor(Qt::ArrowCursor);
    return found->frames.at(found->steps.front().frame);
}

void SetScreenCursor(int slot)
{
    CursorTable::instance().show(slot);
}

int ScreenCursor()
{
    return CursorTable::instance().screenSlot;
}

int ScreenCursorFrame()
{
    return CursorTable::instance().frame();
}

} // namespace quillo
