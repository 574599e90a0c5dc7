#pragma once
// Reading of Windows cursor files: a single cursor or icon (CUR/ICO) and the animated cursor
// (RIFF "ACON"). The reader checks every length against the bytes it has and refuses a broken
// file as a whole; it never reads outside the data.
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPoint>
#include <optional>

namespace quillo {

struct CursorImage
{
    QImage image;
    QPoint hotSpot;
};

// One step of an animation: which frame, for how many jiffies (1/60 s).
struct AniStep
{
    int frame = 0;
    int jiffies = 0;
};

struct AniCursorFile
{
    QList<QByteArray> frames;  // each a complete CUR or ICO file
    QList<AniStep> steps;      // playing order, at least one step
};

// Splits an animated cursor into its frames and steps: "anih" gives the counts and the default
// rate, "rate" per-step rates, "seq " the order, the "fram" list the frames.
std::optional<AniCursorFile> ParseAniCursor(const QByteArray& data);

// Decodes the first image of a CUR or ICO file; a cursor's own hot spot is kept (an icon's is the
// top-left pixel), clamped into the image.
std::optional<CursorImage> DecodeCursorImage(const QByteArray& data);

} // namespace quillo
