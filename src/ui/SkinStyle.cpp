#include "ui/SkinStyle.h"

#include "ui/SkinArt.h"

#include <QAbstractScrollArea>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>
#include <QVariant>
#include <QWidget>

namespace quillo {

namespace {

const QString kPopup = QStringLiteral("POPUPWINDOW");
const QString kHint = QStringLiteral("HINTWINDOW");
const QString kNormal = QStringLiteral("normal");
const QString kHover = QStringLiteral("hover");
const QString kPressed = QStringLiteral("pressed");
const QString kFocused = QStringLiteral("focused");
const QString kDisabled = QStringLiteral("disabled");

constexpr int kMenuCheckColumn = 26;
constexpr int kMenuTextRightGap = 24;

bool enabled(const QStyleOption* option)
{
    return option->state.testFlag(QStyle::State_Enabled);
}

// Pressable parts: buttons, arrows, caption buttons.
QString pressState(const QStyleOption* option, bool pressed, bool hovered)
{
    if (!enabled(option))
        return kDisabled;
    if (pressed)
        return kPressed;
    if (hovered)
        return kHover;
    if (option->state.testFlag(QStyle::State_HasFocus))
        return kFocused;
    return kNormal;
}

// Frames of text controls: a focused box keeps its focus colour under the mouse.
QString frameState(const QStyleOption* option)
{
    if (!enabled(option))
        return kDisabled;
    if (option->state.testFlag(QStyle::State_HasFocus))
        return kFocused;
    if (option->state.testFlag(QStyle::State_MouseOver))
        return kHover;
    return kNormal;
}

bool isComboList(const QWidget* widget)
{
    return widget && widget->inherits("QComboBoxPrivateContainer");
}

// The text box a frame belongs to: the memo itself, or the memo whose viewport is painting.
const QWidget* textBoxOf(const QWidget* widget)
{
    if (qobject_cast<const QAbstractScrollArea*>(widget))
        return widget;
    return nullptr;
}

} // namespace

QString SkinDataNameOf(const QWidget* widget, const QString& fallback)
{
    const QString name = widget ? widget->property("SkinDataName").toString() : QString();
    return name.isEmpty() ? fallback : name;
}

SkinStyle::SkinStyle()
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion")))
{
    setObjectName(QStringLiteral("SkinStyle"));
}

void SkinStyle::setArt(std::shared_ptr<const SkinArt> art)
{
    m_art = std::move(art);
}

bool SkinStyle::skinned() const
{
    return m_art && !m_art->isNull();
}

QString SkinStyle::metricsSignature() const
{
    if (!skinned())
        return QStringLiteral("plain");
    QStringList values;
    for (PixelMetric metric : {PM_ScrollBarExtent, PM_ScrollBarSliderMin, PM_MenuPanelWidth, PM_ToolTipLabelFrameWidth})
        values.append(QString::number(pixelMetric(metric, nullptr, nullptr)));
    const SkinArt& art = *m_art;
    values.append(art.value(kPopup, QStringLiteral("itemheight")));
    values.append(QString::number(art.part(kPopup, QStringLiteral("separator")).rect.height()));
    values.append(art.value(kPopup, QStringLiteral("fontname")) + art.value(kPopup, QStringLiteral("fontheight")));
    const QString combo = QStringLiteral("combobox");
    values.append(QString::number(art.part(combo, QStringLiteral("button")).rect.width()));
    values.append(art.value(combo, QStringLiteral("padding")) + art.value(combo, QStringLiteral("framemargins"))
                  + art.value(combo, QStringLiteral("listmargins")));
    return values.join(QLatin1Char(','));
}

QPalette SkinStyle::standardPalette() const
{
    QPalette palette = baseStyle()->standardPalette();
    if (!skinned())
        return palette;
    const SkinArt& art = *m_art;
    const QString form = QStringLiteral("FORMINFO");
    const QString label = QStringLiteral("stdlabel");
    const QString edit = QStringLiteral("edit");
    const QString button = QStringLiteral("button");
    const auto set = [&](QPalette::ColorRole role, const QColor& normal, const QColor& disabled) {
        palette.setColor(QPalette::Active, role, normal);
        palette.setColor(QPalette::Inactive, role, normal);
        palette.setColor(QPalette::Disabled, role, disabled);
    };
    const QColor window = art.color(form, QStringLiteral("clientcolor"), palette.color(QPalette::Window));
    const QColor text = art.color(label, QStringLiteral("fontcolor"), palette.color(QPalette::WindowText));
    const QColor greyText = art.color(label, QStringLiteral("disabledfontcolor"), palette.color(QPalette::Disabled, QPalette::WindowText));
    set(QPalette::Window, window, window);
    set(QPalette::Button, window, window);
    set(QPalette::WindowText, text, greyText);
    set(QPalette::ButtonText, art.color(button, QStringLiteral("fontcolor"), text),
        art.color(button, QStringLiteral("disabledfontcolor"), greyText));
    set(QPalette::Base, art.color(edit, QStringLiteral("color"), Qt::white),
        art.color(edit, QStringLiteral("disabledcolor"), window));
    set(QPalette::Text, art.color(edit, QStringLiteral("fontcolor"), text),
        art.color(edit, QStringLiteral("disabledfontcolor"), greyText));
    const QColor selection = art.color(edit, QStringLiteral("selectioncolor"), palette.color(QPalette::Highlight));
    set(QPalette::Highlight, selection, selection);
    set(QPalette::HighlightedText, art.color(edit, QStringLiteral("selectionfontcolor"), Qt::white),
        art.color(edit, QStringLiteral("selectionfontcolor"), Qt::white));
    set(QPalette::ToolTipBase, art.color(kHint, QStringLiteral("color"), Qt::white), Qt::white);
    set(QPalette::ToolTipText, art.color(kHint, QStringLiteral("fontcolor"), text), greyText);
    return palette;
}

void SkinStyle::polish(QWidget* widget)
{
    QProxyStyle::polish(widget);
    // Hover states need hover events.
    if (qobject_cast<QAbstractScrollArea*>(widget) || qobject_cast<QLineEdit*>(widget)
        || qobject_cast<QComboBox*>(widget))
        widget->setAttribute(Qt::WA_Hover);
}

// ---- Primitives ----

bool SkinStyle::drawPanel(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                          const QWidget* widget) const
{
    const SkinArt& art = *m_art;
    switch (element) {
    case PE_PanelButtonCommand:
        return art.draw(painter, option->rect, art.part(SkinDataNameOf(widget, QStringLiteral("button"))),
                        pressState(option, option->state & (State_Sunken | State_On), option->state & State_MouseOver));
    case PE_PanelLineEdit:
        // A line edit inside a drop-down list draws nothing of its own.
        if (widget && qobject_cast<const QComboBox*>(widget->parentWidget()))
            return true;
        return art.draw(painter, option->rect, art.part(SkinDataNameOf(widget, QStringLiteral("edit")), QStringLiteral("frame")),
                        frameState(option));
    case PE_FrameLineEdit:
        return true;  // the panel above holds the frame
    case PE_Frame:
        if (isComboList(widget)) {
            const QWidget* combo = widget->parentWidget();
            return art.draw(painter, option->rect, art.part(SkinDataNameOf(combo, QStringLiteral("combobox")), QStringLiteral("list")),
                            kNormal);
        }
        if (textBoxOf(widget))
            return art.draw(painter, option->rect, art.part(SkinDataNameOf(widget, QStringLiteral("memo")), QStringLiteral("frame")),
                            frameState(option));
        // A framed panel lends its frame to the text box it holds.
        return SkinDataNameOf(widget, QString()) == QLatin1String("panel");
    case PE_PanelMenu:
    case PE_FrameMenu:
        if (isComboList(widget))
            return true;
        return art.draw(painter, option->rect, art.part(kPopup, QStringLiteral("frame")), kNormal);
    case PE_PanelTipLabel:
        return art.draw(painter, option->rect, art.part(kHint, QStringLiteral("frame")), kNormal);
    case PE_FrameFocusRect:
        // Focus shows in the parts' own focused state.
        return true;
    default:
        return false;
    }
}

void SkinStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                              const QWidget* widget) const
{
    if (skinned() && drawPanel(element, option, painter, widget))
        return;
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

// ---- Controls ----

void SkinStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                            const QWidget* widget) const
{
    if (!skinned()) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    switch (element) {
    case CE_PushButtonBevel:
        drawPrimitive(PE_PanelButtonCommand, option, painter, widget);
        return;
    case CE_MenuItem:
        drawMenuItem(option, painter);
        return;
    case CE_MenuEmptyArea:
    case CE_MenuHMargin:
    case CE_MenuVMargin:
        return;
    case CE_ProgressBarGroove:
    case CE_ProgressBarContents:
        drawProgress(element, option, painter, widget);
        return;
    case CE_ShapedFrame:
        if (const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
            frame && frame->frameShape != QFrame::NoFrame && frame->frameShape != QFrame::HLine
            && frame->frameShape != QFrame::VLine) {
            drawPrimitive(PE_Frame, option, painter, widget);
            return;
        }
        break;
    default:
        break;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void SkinStyle::drawProgress(ControlElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const
{
    const QString section = SkinDataNameOf(widget, QStringLiteral("gauge"));
    if (element == CE_ProgressBarGroove) {
        m_art->draw(painter, option->rect, m_art->part(section, QStringLiteral("track")), kNormal);
        return;
    }
    const auto* bar = qstyleoption_cast<const QStyleOptionProgressBar*>(option);
    if (!bar || bar->maximum <= bar->minimum || bar->progress <= bar->minimum)
        return;
    const SkinPart& fill = m_art->part(section, QStringLiteral("fill"));
    const double done = double(bar->progress - bar->minimum) / double(bar->maximum - bar->minimum);
    QRect area = option->rect;
    // Never narrower than the fill's two rounded ends.
    const int least = fill.margins.left() + fill.margins.right();
    area.setWidth(std::clamp(int(area.width() * std::min(done, 1.0) + 0.5), std::min(least, area.width()), area.width()));
    m_art->draw(painter, area, fill, kNormal);
}

void SkinStyle::drawMenuItem(const QStyleOption* option, QPainter* painter) const
{
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (!item)
        return;
    const SkinArt& art = *m_art;
    const QRect rect = item->rect;
    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        const SkinPart& separator = art.part(kPopup, QStringLiteral("separator"));
        const int height = std::min(separator.rect.height(), rect.height());
        art.draw(painter, QRect(rect.left(), rect.top() + (rect.height() - height) / 2, rect.width(), height), separator,
                 kNormal);
        return;
    }
    const bool selected = item->state.testFlag(State_Selected) && enabled(item);
    if (selected)
        art.draw(painter, rect, art.part(kPopup, QStringLiteral("highlight")), kNormal);
    if (item->checkType != QStyleOptionMenuItem::NotCheckable && item->checked) {
        const bool radio = item->checkType == QStyleOptionMenuItem::Exclusive;
        const SkinPart& mark = art.part(kPopup, radio ? QStringLiteral("radio") : QStringLiteral("check"));
        const QSize size = mark.rect.size();
        const QRect column(rect.left(), rect.top(), kMenuCheckColumn, rect.height());
        art.draw(painter, QRect(column.center() - QPoint(size.width() / 2 - 1, size.height() / 2 - 1), size), mark,
                 selected ? QStringLiteral("highlighted") : kNormal);
    }
    const bool on = enabled(item);
    painter->save();
    painter->setFont(art.font(kPopup));
    painter->setPen(on ? art.color(kPopup, QStringLiteral("fontcolor"), item->palette.color(QPalette::Text))
                       : art.color(kPopup, QStringLiteral("disabledfontcolor"), item->palette.color(QPalette::Disabled, QPalette::Text)));
    const QRect textArea = rect.adjusted(kMenuCheckColumn + 2, 0, -8, 0);
    const int mnemonic = proxy()->styleHint(SH_UnderlineShortcut, item, nullptr) ? Qt::TextShowMnemonic : Qt::TextHideMnemonic;
    const qsizetype tab = item->text.indexOf(QLatin1Char('\t'));
    painter->drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter | mnemonic, item->text.left(tab));
    if (tab >= 0)
        painter->drawText(textArea, Qt::AlignRight | Qt::AlignVCenter | mnemonic, item->text.mid(tab + 1));
    painter->restore();
}

// ---- Complex controls ----

void SkinStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                   const QWidget* widget) const
{
    if (skinned() && control == CC_ComboBox) {
        drawComboBox(option, painter, widget);
        return;
    }
    if (skinned() && control == CC_ScrollBar) {
        drawScrollBar(option, painter, widget);
        return;
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

void SkinStyle::drawComboBox(const QStyleOptionComplex* option, QPainter* painter, const QWidget* widget) const
{
    const QString section = SkinDataNameOf(widget, QStringLiteral("combobox"));
    m_art->draw(painter, option->rect, m_art->part(section, QStringLiteral("frame")), frameState(option));
    const QRect arrow = subControlRect(CC_ComboBox, option, SC_ComboBoxArrow, widget);
    const bool onArrow = option->activeSubControls.testFlag(SC_ComboBoxArrow);
    const bool open = option->state.testFlag(State_On);
    const QString state = pressState(option, open || (onArrow && option->state.testFlag(State_Sunken)),
                                     option->state.testFlag(State_MouseOver));
    m_art->draw(painter, arrow, m_art->part(section, QStringLiteral("button")), state == kFocused ? kNormal : state);
}

void SkinStyle::drawScrollBar(const QStyleOptionComplex* option, QPainter* painter, const QWidget* widget) const
{
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (!bar)
        return;
    const bool vertical = bar->orientation == Qt::Vertical;
    const QString section = vertical ? QStringLiteral("vscrollbar") : QStringLiteral("hscrollbar");
    const SkinArt& art = *m_art;
    art.draw(painter, bar->rect, art.part(section, QStringLiteral("track")), kNormal);

    const auto partState = [&](SubControl sub, bool atEnd) {
        if (!enabled(bar) || atEnd)
            return kDisabled;
        const bool active = bar->activeSubControls.testFlag(sub);
        if (active && bar->state.testFlag(State_Sunken))
            return kPressed;
        if (active && bar->state.testFlag(State_MouseOver))
            return kHover;
        return kNormal;
    };
    const bool atStart = bar->sliderValue <= bar->minimum;
    const bool atEnd = bar->sliderValue >= bar->maximum;
    art.draw(painter, subControlRect(CC_ScrollBar, bar, SC_ScrollBarSubLine, widget),
             art.part(section, QStringLiteral("prior")), partState(SC_ScrollBarSubLine, atStart));
    art.draw(painter, subControlRect(CC_ScrollBar, bar, SC_ScrollBarAddLine, widget),
             art.part(section, QStringLiteral("next")), partState(SC_ScrollBarAddLine, atEnd));
    if (bar->maximum > bar->minimum && enabled(bar)) {
        const QString thumbState = partState(SC_ScrollBarSlider, false);
        art.draw(painter, subControlRect(CC_ScrollBar, bar, SC_ScrollBarSlider, widget),
                 art.part(section, QStringLiteral("thumb")), thumbState);
    }
}

QRect SkinStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                                const QWidget* widget) const
{
    if (!skinned() || control != CC_ComboBox)
        return QProxyStyle::subControlRect(control, option, sub, widget);
    const QString section = SkinDataNameOf(widget, QStringLiteral("combobox"));
    const SkinPart& button = m_art->part(section, QStringLiteral("button"));
    const QMargins frame = m_art->part(section, QStringLiteral("frame")).margins;
    const QRect inner = option->rect.marginsRemoved(QMargins(1, 1, 1, 1));
    const int buttonWidth = std::min(button.rect.width(), inner.width());
    const QRect arrow(inner.right() + 1 - buttonWidth, inner.top(), buttonWidth, inner.height());
    switch (sub) {
    case SC_ComboBoxArrow:
        return arrow;
    case SC_ComboBoxEditField: {
        const QMargins padding = m_art->margins(section, QStringLiteral("padding"));
        return QRect(QPoint(option->rect.left() + std::max(padding.left(), frame.left()), option->rect.top() + 1),
                     QPoint(arrow.left() - 1, option->rect.bottom() - 1));
    }
    case SC_ComboBoxFrame:
        return option->rect;
    case SC_ComboBoxListBoxPopup:
        return option->rect;
    default:
        return QProxyStyle::subControlRect(control, option, sub, widget);
    }
}

// ---- Metrics ----

int SkinStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    if (!skinned())
        return QProxyStyle::pixelMetric(metric, option, widget);
    const SkinArt& art = *m_art;
    switch (metric) {
    case PM_ScrollBarExtent:
        return art.integer(QStringLiteral("vscrollbar"), QStringLiteral("size"), 14);
    case PM_ScrollBarSliderMin:
        return art.integer(QStringLiteral("vscrollbar"), QStringLiteral("minthumb"), 20);
    case PM_DefaultFrameWidth:
        if (isComboList(widget))
            return art.part(SkinDataNameOf(widget->parentWidget(), QStringLiteral("combobox")), QStringLiteral("list")).margins.left();
        if (SkinDataNameOf(widget, QString()) == QLatin1String("panel"))
            return 0;
        return 2;
    case PM_MenuPanelWidth:
        return art.part(kPopup, QStringLiteral("frame")).margins.left();
    case PM_MenuHMargin:
    case PM_MenuVMargin:
        return 1;
    case PM_ToolTipLabelFrameWidth:
        return art.margins(kHint, QStringLiteral("padding")).top();
    case PM_ButtonShiftHorizontal:
    case PM_ButtonShiftVertical:
        return 0;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

QSize SkinStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                  const QWidget* widget) const
{
    if (!skinned() || type != CT_MenuItem)
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (!item)
        return size;
    if (item->menuItemType == QStyleOptionMenuItem::Separator)
        return {size.width(), m_art->part(kPopup, QStringLiteral("separator")).rect.height()};
    const QFontMetrics metrics(m_art->font(kPopup));
    QString text = item->text;
    text.replace(QLatin1Char('\t'), QStringLiteral("    "));
    const int width = kMenuCheckColumn + 2 + metrics.horizontalAdvance(text) + kMenuTextRightGap;
    return {width, m_art->integer(kPopup, QStringLiteral("itemheight"), 24)};
}

int SkinStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                         QStyleHintReturn* returnData) const
{
    if (skinned()) {
        switch (hint) {
        case SH_ComboBox_Popup:
            return 0;  // the list drops down below the box
        case SH_ComboBox_PopupFrameStyle:
            return QFrame::StyledPanel | QFrame::Plain;
        case SH_Menu_Scrollable:
            return 0;
        default:
            break;
        }
    }
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

} // namespace quillo
