#include "ui/ScreenCursor.h"

#include "ui/AniCursor.h"

#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <algorithm>

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
    QHash<int, std::function<std::optional<AnimatedCursor>()>> loaders;
    int screenSlot = crDefault;

    // The cursor of a slot, read by its loader the first time it is asked for.
    const AnimatedCursor* find(int slot)
    {
        if (const auto loader = loaders.find(slot); loader != loaders.end()) {
            const auto load = std::move(*loader);
            loaders.erase(loader);
            if (const auto cursor = load(); cursor && isPlayable(*cursor))
                cursors.insert(slot, *cursor);
        }
        const auto found = cursors.constFind(slot);
        return found == cursors.cend() ? nullptr : &*found;
    }

    static bool isPlayable(const AnimatedCursor& cursor)
    {
        if (cursor.frames.isEmpty() || cursor.steps.isEmpty())
            return false;
        return std::all_of(cursor.steps.cbegin(), cursor.steps.cend(), [&](const AnimatedCursor::Step& step) {
            return step.frame >= 0 && step.frame < cursor.frames.size();
        });
    }

    void show(int slot)
    {
        screenSlot = slot;
        m_timer.stop();
        m_step = 0;
        m_frame = -1;
        if (slot == crDefault || !find(slot)) {
            while (QGuiApplication::overrideCursor())
                QGuiApplication::restoreOverrideCursor();
            return;
        }
        showStep();
    }

    int frame() const { return m_frame; }
    QObject* animation() { return &m_timer; }

private:
    explicit CursorTable(QObject* parent)
        : QObject(parent)
    {
        m_timer.setSingleShot(true);
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
    if (slot == crDefault || !CursorTable::isPlayable(cursor))
        return;
    CursorTable& table = CursorTable::instance();
    table.loaders.remove(slot);
    table.cursors.insert(slot, cursor);
    if (table.screenSlot == slot)
        table.show(slot);
}

void ClearCursorSlot(int slot)
{
    CursorTable& table = CursorTable::instance();
    table.loaders.remove(slot);
    table.cursors.remove(slot);
    if (table.screenSlot == slot)
        table.show(slot);
}

void SetCursorSlotLoader(int slot, std::function<std::optional<AnimatedCursor>()> load)
{
    if (slot == crDefault || !load)
        return;
    CursorTable& table = CursorTable::instance();
    table.cursors.remove(slot);
    table.loaders.insert(slot, std::move(load));
    if (table.screenSlot == slot)
        table.show(slot);
}

QCursor AppCursor(int slot)
{
    const AnimatedCursor* cursor = CursorTable::instance().find(slot);
    if (!cursor)
        return QCursor(Qt::ArrowCursor);
    return cursor->frames.at(cursor->steps.front().frame);
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

QObject* ScreenCursorAnimation()
{
    return CursorTable::instance().animation();
}

} // namespace quillo
