#pragma once
// The program's cursor slots and the screen cursor. Slot 1 is the arrow the buttons show, slot 2
// the animated busy cursor. Setting the screen cursor to a slot makes the whole application show
// it (an animated slot is played frame by frame on a timer) until it is set back to crDefault.
// A slot that was never filled shows the default cursor.
#include <QCursor>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace quillo {

enum TCursorSlot { crDefault = 0, crAppArrow = 1, crAppBusy = 2 };

struct AnimatedCursor
{
    struct Step
    {
        int frame;
        int milliseconds;
    };
    QList<QCursor> frames;
    QList<Step> steps;
};

// Reads a cursor file (CUR/ICO) into a cursor; nothing when it is missing or unreadable.
std::optional<QCursor> LoadCursorFile(const QString& path);

// Reads an animated cursor file (RIFF "ACON"); nothing when it is missing or broken.
std::optional<AnimatedCursor> LoadAnimatedCursor(const QString& path);

void SetCursorSlot(int slot, const QCursor& cursor);
void SetCursorSlot(int slot, const AnimatedCursor& cursor);
void ClearCursorSlot(int slot);
// Fills a slot when it is first shown or asked for: a cursor seen only while the program works
// need not be read on the way to the first frame. A loader that gives nothing leaves it empty.
void SetCursorSlotLoader(int slot, std::function<std::optional<AnimatedCursor>()> load);

// The still cursor of a slot, for widgets (the first frame of an animated one); the default
// arrow for an empty slot.
QCursor AppCursor(int slot);

void SetScreenCursor(int slot);
int ScreenCursor();

// The frame of the animated screen cursor now shown, -1 when none plays.
int ScreenCursorFrame();

// The timer whose ticks animate the screen cursor. Whoever measures the user's activity is handed
// it, to leave those ticks out: the ui module knows nothing of such measures.
QObject* ScreenCursorAnimation();

} // namespace quillo
