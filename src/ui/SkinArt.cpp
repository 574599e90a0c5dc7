#include "ui/SkinArt.h"

#include "skins/CompressedStoredSkin.h"
#include "skins/SkinData.h"
#include "ui/SkinLook.h"

#include <qdrawutil.h>
#include <QPaintDevice>
#include <QPainter>

namespace quillo {

namespace {

const QString kForm = QStringLiteral("FORMINFO");

QList<int> numbers(const QString& text)
{
    QList<int> values;
    const auto fields = QStringView(text).split(QLatin1Char(','));
    for (QStringView field : fields) {
        bool ok = false;
        const int value = field.trimmed().toInt(&ok);
        if (!ok)
            return {};
        values.append(value);
    }
    return values;
}

int indexOr(const QString& text, int fallback)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? value : fallback;
}

// The key colour of a picture becomes transparent; everything else stays opaque. Written out
// rather than left to QImage conversions, which hand large pictures to Qt's own threads.
QPixmap keyed(QImage picture, const QList<QRgb>& keys)
{
    if (keys.isEmpty())
        return QPixmap::fromImage(std::move(picture));
    const bool direct = picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32;
    const QImage source = direct ? picture : picture.convertToFormat(QImage::Format_ARGB32);
    QImage image(source.size(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            out[x] = keys.contains(in[x] | 0xFF000000u) ? 0 : qPremultiply(in[x]);
    }
    return QPixmap::fromImage(std::move(image));
}

// Which key colours the parts of the definition ask for, by picture index.
QHash<int, QList<QRgb>> keyColours(const ProfileReader& definition, const QStringList& sections)
{
    QHash<int, QList<QRgb>> keys;
    const QString suffix = QStringLiteral("transparentcolor");
    for (const QString& section : sections) {
        const QStringList names = definition.keys(section);
        for (const QString& key : names) {
            if (!key.endsWith(suffix, Qt::CaseInsensitive))
                continue;
            const QColor colour(QLatin1Char('#') + definition.value(section, key));
            if (!colour.isValid())
                continue;
            const QString prefix = key.left(key.size() - suffix.size());
            for (const QString& picture : {prefix + QStringLiteral("picture"), prefix + QStringLiteral("picture2x")}) {
                const int index = indexOr(definition.value(section, picture), -1);
                if (index >= 0 && !keys[index].contains(colour.rgb()))
                    keys[index].append(colour.rgb());
            }
        }
    }
    return keys;
}

} // namespace

int SkinPart::stateIndex(const QString& state) const
{
    return std::max<qsizetype>(0, states.indexOf(state));
}

bool IsHighDensity(const QPainter* painter)
{
    const QPaintDevice* device = painter ? painter->device() : nullptr;
    return device && device->devicePixelRatioF() > 1.0;
}

SkinArt::SkinArt(const TSkinData& holder)
    : m_definition(holder.definition())
{
    if (holder.Empty())
        return;
    QStringList sections = {kForm, QStringLiteral("POPUPWINDOW"), QStringLiteral("HINTWINDOW")};
    for (const auto* list : {&holder.contents().skinObjects, &holder.contents().skinControls}) {
        for (const SkinEntry& entry : *list)
            sections.append(entry.name);
    }
    m_keys = keyColours(m_definition, sections);
    m_sources = holder.ActivePictures();
    m_pictures.resize(m_sources.size());
    m_mainSource = holder.contents().picture;
    m_main2x = indexOr(value(kForm, QStringLiteral("picture2x")), -1);
    m_inactiveSource = holder.contents().inactivePicture;
    m_inactive2x = indexOr(value(kForm, QStringLiteral("inactivepicture2x")), -1);
    m_maskSource = holder.contents().mask;
}

const QImage& SkinArt::maskImage() const
{
    if (m_mask.isNull() && !m_maskSource.isNull())
        m_mask = m_maskSource.image().convertToFormat(QImage::Format_Mono);
    return m_mask;
}

namespace {

// The pixmap shares the picture's pixels, which the picture keeps.
const QPixmap& pixmapOnce(QPixmap& pixmap, const SkinPicture& source)
{
    if (pixmap.isNull() && !source.isNull())
        pixmap = QPixmap::fromImage(source.image());
    return pixmap;
}

} // namespace

const QPixmap& SkinArt::mainPixmap() const
{
    return pixmapOnce(m_main, m_mainSource);
}

const QPixmap& SkinArt::inactivePixmap() const
{
    return pixmapOnce(m_inactive, m_inactiveSource);
}

const SkinPart& SkinArt::part(const QString& section, const QString& prefix) const
{
    const QString id = section + QLatin1Char('/') + prefix;
    const auto found = m_parts.constFind(id);
    if (found != m_parts.constEnd())
        return *found;
    SkinPart part;
    const auto key = [&](const char* name) { return value(section, prefix + QLatin1String(name)); };
    part.picture = indexOr(key("picture"), -2);
    part.picture2x = indexOr(key("picture2x"), -2);
    const QList<int> rect = numbers(key("rect"));
    if (rect.size() == 4 && part.picture >= -1)
        part.rect = QRect(rect[0], rect[1], rect[2], rect[3]);
    part.states = key("states").split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (QString& state : part.states)
        state = state.trimmed();
    const QList<int> offset = numbers(key("stateoffset"));
    if (offset.size() == 2)
        part.stateOffset = QPoint(offset[0], offset[1]);
    part.margins = margins(section, prefix + QStringLiteral("margins"));
    return *m_parts.insert(id, part);
}

const QPixmap* SkinArt::pixmapOf(int index) const
{
    if (index == -1)
        return &mainPixmap();
    if (index < 0 || index >= m_pictures.size())
        return nullptr;
    QPixmap& pixmap = m_pictures[index];
    if (pixmap.isNull() && !m_sources.at(index).isNull()) {
        const QList<QRgb> keys = m_keys.value(index);
        // A keyed picture becomes a new image; the pixmap of any other shares the kept one.
        const SkinPicture& source = m_sources.at(index);
        pixmap = keyed(keys.isEmpty() ? source.image() : source.decodedOnce(), keys);
    }
    return &pixmap;
}

// A frame picture's 2x twin; null when the definition names none.
const QPixmap* SkinArt::twinOf(int index) const
{
    const QPixmap* twin = index >= 0 ? pixmapOf(index) : nullptr;
    return twin && !twin->isNull() ? twin : nullptr;
}

bool SkinArt::draw(QPainter* painter, const QRect& target, const SkinPart& part, const QString& state) const
{
    if (part.isNull() || target.isEmpty())
        return false;
    const QPoint cell = part.stateOffset * part.stateIndex(state);
    QRect source = part.rect.translated(cell);
    QMargins sourceMargins = part.margins;
    const QPixmap* pixmap = pixmapOf(part.picture);
    // The 2x twin lies at exactly twice the coordinates.
    if (IsHighDensity(painter) && part.picture2x >= 0 && part.picture2x < m_pictures.size()) {
        pixmap = pixmapOf(part.picture2x);
        source = QRect(source.topLeft() * 2, source.size() * 2);
        sourceMargins *= 2;
    }
    if (!pixmap || pixmap->isNull() || !pixmap->rect().contains(source))
        return false;
    const bool smooth = painter->renderHints().testFlag(QPainter::SmoothPixmapTransform);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    if (part.margins.isNull()) {
        // Glyph-like parts keep their size, centred, so they stay crisp.
        const QSize size = part.rect.size();
        const QRect place(target.x() + (target.width() - size.width()) / 2,
                          target.y() + (target.height() - size.height()) / 2, size.width(), size.height());
        painter->save();
        painter->setClipRect(target, Qt::IntersectClip);
        painter->drawPixmap(place, *pixmap, source);
        painter->restore();
    } else {
        qDrawBorderPixmap(painter, target, part.margins, *pixmap, source, sourceMargins);
    }
    painter->setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    return true;
}

QString SkinArt::value(const QString& section, const QString& key) const
{
    return m_definition.value(section, key);
}

int SkinArt::integer(const QString& section, const QString& key, int fallback) const
{
    return indexOr(value(section, key), fallback);
}

QColor SkinArt::color(const QString& section, const QString& key, const QColor& fallback) const
{
    const QString text = value(section, key);
    const QColor colour(QLatin1Char('#') + text);
    return !text.isEmpty() && colour.isValid() ? colour : fallback;
}

QMargins SkinArt::margins(const QString& section, const QString& key) const
{
    const QList<int> values = numbers(value(section, key));
    return values.size() == 4 ? QMargins(values[0], values[1], values[2], values[3]) : QMargins();
}

QFont SkinArt::font(const QString& section, const QString& prefix) const
{
    const QString name = value(section, prefix + QStringLiteral("fontname"));
    const int pixelSize = std::max(1, integer(section, prefix + QStringLiteral("fontheight"), 12));
    const bool bold = integer(section, prefix + QStringLiteral("fontbold"), 0) != 0;
    if (IsSongFace(name))
        return SongFont(pixelSize, bold);
    QFont font = SongFont(pixelSize);
    // The Song faces stand in where the named face is missing.
    font.setFamilies(QStringList{name} + font.families());
    font.setBold(bold);
    return font;
}

bool SkinArt::drawFrame(QPainter* painter, const QRect& target, bool active) const
{
    const bool highDensity = IsHighDensity(painter);
    const QPixmap& picture = active ? mainPicture(highDensity) : inactivePicture(highDensity);
    if (picture.isNull() || target.isEmpty())
        return false;
    const QMargins margins = this->margins(kForm, QStringLiteral("margins"));
    const int scale = picture.width() > mainPixmap().width() ? 2 : 1;
    qDrawBorderPixmap(painter, target, margins, picture, picture.rect(), margins * scale);
    return true;
}

const QPixmap& SkinArt::mainPicture(bool highDensity) const
{
    const QPixmap* twin = highDensity ? twinOf(m_main2x) : nullptr;
    return twin ? *twin : mainPixmap();
}

const QPixmap& SkinArt::inactivePicture(bool highDensity) const
{
    if (m_inactiveSource.isNull())
        return mainPicture(highDensity);
    const QPixmap* twin = highDensity ? twinOf(m_inactive2x) : nullptr;
    return twin ? *twin : inactivePixmap();
}

} // namespace quillo
