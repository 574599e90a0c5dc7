#pragma once
// The drawable side of one loaded skin: its pictures turned into pixmaps (the key colour made
// transparent) and its definition read as parts. A part is a rectangle of a picture with one
// cell per state side by side; with margins it stretches as a nine-slice, so corners stay
// sharp at any size. Every part exists twice, at 1x and 2x, and the 2x cell is taken on
// high-density screens.
#include <QColor>
#include <QFont>
#include <QHash>
#include <QList>
#include <QMargins>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QStringList>

#include "core/ProfileReader.h"
#include "skins/SkinPicture.h"

class QPainter;

namespace quillo {

class TSkinData;

struct SkinPart
{
    int picture = -1;    // index in the active pictures; -1 for the holder's main picture
    int picture2x = -2;  // -2: none
    QRect rect;          // first cell, 1x pixels
    QStringList states;
    QPoint stateOffset;
    QMargins margins;    // 1x pixels; empty: the cell is drawn scaled as a whole

    bool isNull() const { return rect.isEmpty(); }
    int stateIndex(const QString& state) const;
};

class SkinArt
{
public:
    // An art without a skin: every part is null and draw() does nothing.
    SkinArt() = default;
    explicit SkinArt(const TSkinData& holder);

    bool isNull() const { return m_sources.isEmpty() && m_mainSource.isNull(); }

    // "<prefix>picture", "<prefix>rect", ... of section; cached.
    const SkinPart& part(const QString& section, const QString& prefix = {}) const;

    // Draws the cell of `state` (the first cell when the part has no such state) into target.
    // Returns false when there is nothing to draw.
    bool draw(QPainter* painter, const QRect& target, const SkinPart& part, const QString& state) const;

    QString value(const QString& section, const QString& key) const;
    int integer(const QString& section, const QString& key, int fallback) const;
    QColor color(const QString& section, const QString& key, const QColor& fallback) const;
    QMargins margins(const QString& section, const QString& key) const;
    // The section's font ("fontname", "fontheight" in pixels, "fontbold").
    QFont font(const QString& section, const QString& prefix = {}) const;

    // The frame pictures of the holder; the 2x one where the definition names it.
    const QPixmap& mainPicture(bool highDensity) const;
    const QPixmap& inactivePicture(bool highDensity) const;
    const QImage& maskImage() const;
    // The window picture stretched over target by the frame margins of the definition.
    bool drawFrame(QPainter* painter, const QRect& target, bool active) const;

private:
    const QPixmap* pixmapOf(int index) const;
    const QPixmap* twinOf(int index) const;
    const QPixmap& mainPixmap() const;
    const QPixmap& inactivePixmap() const;

    ProfileReader m_definition;
    // The holder's pictures, shared, become pixmaps only when first drawn: most parts, and all
    // the 2x pictures on ordinary screens, never are; nor is the inactive frame of a window that
    // stays active.
    QList<SkinPicture> m_sources;
    QHash<int, QList<QRgb>> m_keys;
    mutable QList<QPixmap> m_pictures;
    SkinPicture m_mainSource, m_inactiveSource, m_maskSource;
    mutable QPixmap m_main, m_inactive;
    int m_main2x = -1, m_inactive2x = -1;
    mutable QImage m_mask;
    mutable QHash<QString, SkinPart> m_parts;
};

// Whether what the painter paints on has more than one device pixel per logical one.
bool IsHighDensity(const QPainter* painter);

} // namespace quillo
