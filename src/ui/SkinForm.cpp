#include "ui/SkinForm.h"

#include "skins/CompressedStoredSkin.h"
#include "skins/SkinChangeEvent.h"
#include "skins/SkinData.h"
#include "ui/SkinArt.h"
#include "ui/SkinCaptions.h"
#include "ui/SkinControls.h"
#include "ui/SkinLook.h"
#include "ui/SkinTheme.h"

#include <QContextMenuEvent>
#include <QShortcut>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QStyle>
#include <QWindow>
#include <QVBoxLayout>

namespace quillo {

namespace {

const QString kForm = QStringLiteral("FORMINFO");
const char kFrameProperty[] = "quilloSkinForm";

// Without a skin the frame is drawn plainly, in these sizes.
constexpr QMargins kPlainInsets(4, 28, 4, 4);
constexpr QSize kPlainButton(28, 22);
constexpr int kPlainResizeBorder = 4;

QString captionText(const QString& key)
{
    const TSkinData* holder = CurrentSkinData();
    const QString text = holder ? holder->resourceString(key) : QString();
    return text.isEmpty() ? SkinCaption(key) : text;
}

// ---- Caption buttons ----

class SkinCaptionButton : public QAbstractButton
{
public:
    SkinCaptionButton(const QString& object, QWidget* window)
        : QAbstractButton(window)
        , m_object(object)
    {
        setObjectName(object);
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_Hover);
        refresh();
    }

    // The restore button takes the maximise button's place.
    void setObject(const QString& object)
    {
        if (object == m_object)
            return;
        m_object = object;
        refresh();
    }
    const QString& object() const { return m_object; }

    void refresh()
    {
        const auto art = CurrentSkinArt();
        const SkinPart* part = art ? &art->part(m_object) : nullptr;
        resize(part && !part->isNull() ? part->rect.size() : kPlainButton);
        const QString hint = art ? art->value(m_object, QStringLiteral("hint")) : QString();
        setToolTip(captionText(hint.isEmpty() ? plainHintKey() : hint));
        update();
    }

    QSize sizeHint() const override { return size(); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QString state = isDown() ? QStringLiteral("pressed")
                              : underMouse() ? QStringLiteral("hover")
                              : window()->isActiveWindow() ? QStringLiteral("normal")
                                                           : QStringLiteral("inactive");
        const auto art = CurrentSkinArt();
        if (art && art->draw(&painter, rect(), art->part(m_object), state))
            return;
        paintPlain(painter, state);
    }

private:
    QString plainHintKey() const
    {
        if (m_object == QLatin1String("closebutton"))
            return QStringLiteral("CLOSEBUTTON_HINT");
        if (m_object == QLatin1String("minbutton"))
            return QStringLiteral("MINBUTTON_HINT");
        if (m_object == QLatin1String("sysmenubutton"))
            return QStringLiteral("MENUBUTTON_HINT");
        return QStringLiteral("MAXBUTTON_HINT");
    }

    void paintPlain(QPainter& painter, const QString& state)
    {
        painter.setRenderHint(QPainter::Antialiasing);
        if (state == QLatin1String("hover") || state == QLatin1String("pressed"))
            painter.fillRect(rect(), palette().color(QPalette::Button).darker(state == QLatin1String("hover") ? 110 : 125));
        painter.setPen(QPen(palette().color(QPalette::HighlightedText), 1.2));
        const QRectF box(width() / 2.0 - 4.5, height() / 2.0 - 4.5, 9, 9);
        if (m_object == QLatin1String("closebutton")) {
            painter.drawLine(box.topLeft(), box.bottomRight());
            painter.drawLine(box.topRight(), box.bottomLeft());
        } else if (m_object == QLatin1String("minbutton")) {
            painter.drawLine(QPointF(box.left(), box.center().y()), QPointF(box.right(), box.center().y()));
        } else if (m_object == QLatin1String("sysmenubutton")) {
            for (qreal dy : {1.5, 4.5, 7.5})
                painter.drawLine(QPointF(box.left(), box.top() + dy), QPointF(box.right(), box.top() + dy));
        } else {
            painter.drawRect(box);
        }
    }

    QString m_object;
};

// ---- Resize grips along the borders ----

class SkinFrameGrip : public QWidget
{
public:
    SkinFrameGrip(Qt::Edges edges, QWidget* window)
        : QWidget(window)
        , m_edges(edges)
    {
        const bool diagonalDown = edges == (Qt::TopEdge | Qt::LeftEdge) || edges == (Qt::BottomEdge | Qt::RightEdge);
        const bool diagonalUp = edges == (Qt::TopEdge | Qt::RightEdge) || edges == (Qt::BottomEdge | Qt::LeftEdge);
        setCursor(diagonalDown ? Qt::SizeFDiagCursor
                  : diagonalUp ? Qt::SizeBDiagCursor
                  : edges & (Qt::LeftEdge | Qt::RightEdge) ? Qt::SizeHorCursor
                                                           : Qt::SizeVerCursor);
    }

    Qt::Edges edges() const { return m_edges; }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() != Qt::LeftButton)
            return;
        QWindow* handle = window()->windowHandle();
        m_manual = !(handle && handle->startSystemResize(m_edges));
        m_pressed = event->globalPosition().toPoint();
        m_start = window()->geometry();
    }

    // Where the desktop does not resize for us.
    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (!m_manual || !(event->buttons() & Qt::LeftButton))
            return;
        const QPoint delta = event->globalPosition().toPoint() - m_pressed;
        QRect area = m_start;
        const QSize least = window()->minimumSize().expandedTo(window()->minimumSizeHint()).expandedTo(QSize(1, 1));
        if (m_edges & Qt::LeftEdge)
            area.setLeft(std::min(area.left() + delta.x(), area.right() + 1 - least.width()));
        if (m_edges & Qt::RightEdge)
            area.setRight(std::max(area.right() + delta.x(), area.left() + least.width() - 1));
        if (m_edges & Qt::TopEdge)
            area.setTop(std::min(area.top() + delta.y(), area.bottom() + 1 - least.height()));
        if (m_edges & Qt::BottomEdge)
            area.setBottom(std::max(area.bottom() + delta.y(), area.top() + least.height() - 1));
        window()->setGeometry(area);
    }

    void mouseReleaseEvent(QMouseEvent*) override { m_manual = false; }

private:
    Qt::Edges m_edges;
    bool m_manual = false;
    QPoint m_pressed;
    QRect m_start;
};

// The window's outline from the skin's mask: only the corner cells can differ from a rectangle.
QRegion maskRegion(const QImage& mask, const QSize& size, const QMargins& margins)
{
    QRegion region(QRect(QPoint(0, 0), size));
    if (mask.isNull() || mask.width() < margins.left() + margins.right()
        || mask.height() < margins.top() + margins.bottom())
        return region;
    const QRgb inside = mask.pixel(mask.width() / 2, mask.height() / 2);
    const struct
    {
        QRect cell;
        QPoint target;
    } corners[] = {
        {QRect(0, 0, margins.left(), margins.top()), QPoint(0, 0)},
        {QRect(mask.width() - margins.right(), 0, margins.right(), margins.top()), QPoint(size.width() - margins.right(), 0)},
        {QRect(0, mask.height() - margins.bottom(), margins.left(), margins.bottom()),
         QPoint(0, size.height() - margins.bottom())},
        {QRect(mask.width() - margins.right(), mask.height() - margins.bottom(), margins.right(), margins.bottom()),
         QPoint(size.width() - margins.right(), size.height() - margins.bottom())},
    };
    for (const auto& corner : corners) {
        for (int y = 0; y < corner.cell.height(); ++y) {
            for (int x = 0; x < corner.cell.width(); ++x) {
                if (mask.pixel(corner.cell.x() + x, corner.cell.y() + y) != inside)
                    region -= QRect(corner.target + QPoint(x, y), QSize(1, 1));
            }
        }
    }
    return region;
}

} // namespace

// ---- The frame ----

TSkinForm::TSkinForm(QWidget* window)
    : QObject(window)
    , m_window(window)
{
    setObjectName(QStringLiteral("SkinForm"));
    window->setProperty(kFrameProperty, QVariant::fromValue(static_cast<QObject*>(this)));
    const Qt::WindowFlags flags = window->windowFlags();
    const bool wasVisible = window->isVisible();
    window->setWindowFlag(Qt::FramelessWindowHint, true);
    createButtons(flags);
    if (captionButton(QStringLiteral("sysmenubutton"))) {
        // The desktop opens a framed window's menu on Alt+Space; without its frame we must.
        auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), window);
        connect(shortcut, &QShortcut::activated, this,
                [this] { showSystemMenu(m_window->mapToGlobal(QPoint(m_insets.left(), captionHeight()))); });
    }
    for (Qt::Edges edges : {Qt::Edges(Qt::LeftEdge), Qt::Edges(Qt::RightEdge), Qt::Edges(Qt::TopEdge),
                            Qt::Edges(Qt::BottomEdge), Qt::TopEdge | Qt::LeftEdge, Qt::TopEdge | Qt::RightEdge,
                            Qt::BottomEdge | Qt::LeftEdge, Qt::BottomEdge | Qt::RightEdge})
        m_grips.append(new SkinFrameGrip(edges, window));
    window->installEventFilter(this);
    refresh();
    if (wasVisible)
        window->show();
}

TSkinForm* TSkinForm::of(const QWidget* window)
{
    return window ? qobject_cast<TSkinForm*>(window->property(kFrameProperty).value<QObject*>()) : nullptr;
}

void TSkinForm::createButtons(Qt::WindowFlags flags)
{
    if ((flags & Qt::WindowType_Mask) == Qt::Tool)
        return;
    const struct
    {
        Qt::WindowType hint;
        const char* object;
    } kinds[] = {
        {Qt::WindowSystemMenuHint, "sysmenubutton"},
        {Qt::WindowMinimizeButtonHint, "minbutton"},
        {Qt::WindowMaximizeButtonHint, "maxbutton"},
        {Qt::WindowCloseButtonHint, "closebutton"},
    };
    for (const auto& kind : kinds) {
        if (!flags.testFlag(kind.hint))
            continue;
        auto* button = new SkinCaptionButton(QString::fromLatin1(kind.object), m_window);
        m_buttons.append(button);
        const QString object = button->object();
        connect(button, &QAbstractButton::clicked, this, [this, object] {
            if (object == QLatin1String("sysmenubutton")) {
                const QAbstractButton* menuButton = captionButton(object);
                showSystemMenu(menuButton->mapToGlobal(QPoint(0, menuButton->height())));
            } else if (object == QLatin1String("minbutton")) {
                m_window->showMinimized();
            } else if (object == QLatin1String("maxbutton")) {
                toggleMaximized();
            } else {
                m_window->close();
            }
        });
    }
}

QAbstractButton* TSkinForm::captionButton(const QString& name) const
{
    for (QAbstractButton* button : m_buttons) {
        if (button->objectName() == name)
            return button;
    }
    return nullptr;
}

int TSkinForm::captionHeight() const
{
    const auto art = CurrentSkinArt();
    return art ? art->integer(kForm, QStringLiteral("captionheight"), m_insets.top()) : m_insets.top();
}

void TSkinForm::refresh()
{
    const auto art = CurrentSkinArt();
    QMargins insets = art ? art->margins(kForm, QStringLiteral("clientinsets")) : kPlainInsets;
    if (insets.isNull())
        insets = kPlainInsets;
    // The resize border lies outside the client area, so its grips never cover a control.
    const int border = resizeBorder() + 1;
    insets = QMargins(std::max(insets.left(), border), std::max(insets.top(), border), std::max(insets.right(), border),
                      std::max(insets.bottom(), border));
    if (insets != m_insets) {
        const QSize client = m_window->size().shrunkBy(m_insets);
        m_insets = insets;
        m_window->setContentsMargins(insets);
        if (!(m_window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
            m_window->resize(client.grownBy(insets));
    }
    for (QAbstractButton* button : m_buttons)
        static_cast<SkinCaptionButton*>(button)->refresh();
    placeButtons();
    placeGrips();
    updateMask();
    m_window->update();
}

void TSkinForm::placeButtons()
{
    const auto art = CurrentSkinArt();
    const bool maximized = m_window->isMaximized();
    // Plain buttons line up from the right edge, the menu button alone on the left.
    int plainRight = m_window->width() - 4;
    for (auto it = m_buttons.crbegin(); it != m_buttons.crend(); ++it) {
        auto* button = static_cast<SkinCaptionButton*>(*it);
        if (button->objectName() == QLatin1String("maxbutton"))
            button->setObject(maximized ? QStringLiteral("restorebutton") : QStringLiteral("maxbutton"));
        const QString& object = button->object();
        const int top = art ? art->integer(object, QStringLiteral("top"), 4) : (m_insets.top() - kPlainButton.height()) / 2;
        if (art && !art->part(object).isNull()) {
            const int offset = art->integer(object, QStringLiteral("offset"), 0);
            const bool left = art->value(object, QStringLiteral("align")) == QLatin1String("left");
            button->move(left ? offset : m_window->width() - offset - button->width(), top);
        } else if (object == QLatin1String("sysmenubutton")) {
            button->move(4, top);
        } else {
            plainRight -= button->width();
            button->move(plainRight, top);
        }
        button->raise();
    }
}

int TSkinForm::resizeBorder() const
{
    const auto art = CurrentSkinArt();
    return std::max(1, art ? art->integer(kForm, QStringLiteral("resizeborder"), kPlainResizeBorder) : kPlainResizeBorder);
}

void TSkinForm::placeGrips()
{
    const int border = resizeBorder();
    const int w = m_window->width();
    const int h = m_window->height();
    const bool resizable = !m_window->isMaximized() && m_window->minimumSize() != m_window->maximumSize();
    for (QWidget* widget : std::as_const(m_grips)) {
        auto* grip = static_cast<SkinFrameGrip*>(widget);
        const Qt::Edges edges = grip->edges();
        const int x = edges & Qt::LeftEdge ? 0 : edges & Qt::RightEdge ? w - border : border;
        const int y = edges & Qt::TopEdge ? 0 : edges & Qt::BottomEdge ? h - border : border;
        const int gw = edges & (Qt::LeftEdge | Qt::RightEdge) ? border : w - 2 * border;
        const int gh = edges & (Qt::TopEdge | Qt::BottomEdge) ? border : h - 2 * border;
        grip->setGeometry(x, y, gw, gh);
        grip->setVisible(resizable);
        grip->raise();
    }
}

void TSkinForm::updateMask()
{
    // The offscreen platform has no window shapes.
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return;
    const auto art = CurrentSkinArt();
    if (!art || m_window->isMaximized() || art->maskImage().isNull()) {
        m_window->clearMask();
        return;
    }
    m_window->setMask(maskRegion(art->maskImage(), m_window->size(), art->margins(kForm, QStringLiteral("margins"))));
}

void TSkinForm::paintFrame()
{
    QPainter painter(m_window);
    const QRect area = m_window->rect();
    const bool active = m_window->isActiveWindow();
    const auto art = CurrentSkinArt();
    const QPalette& palette = m_window->palette();
    QColor titleColour;
    QFont titleFont = m_window->font();
    int titleLeft = 10;
    if (art && art->drawFrame(&painter, area, active)) {
        titleColour = art->color(kForm, active ? QStringLiteral("captionfontcolor") : QStringLiteral("captiondisabledfontcolor"),
                                 palette.color(QPalette::WindowText));
        titleFont = art->font(kForm, QStringLiteral("caption"));
        titleLeft = art->integer(kForm, QStringLiteral("captiontextleft"), titleLeft);
    } else {
        painter.fillRect(area, palette.color(active ? QPalette::Active : QPalette::Inactive, QPalette::Highlight));
        painter.fillRect(area.marginsRemoved(m_insets), palette.color(QPalette::Window));
        titleColour = palette.color(QPalette::HighlightedText);
        if (IsSongFace(titleFont.family()) && titleFont.pixelSize() > 0)
            titleFont = SongFont(titleFont.pixelSize(), true);
        else
            titleFont.setBold(true);
        titleLeft = 36;
    }
    if (!captionButton(QStringLiteral("sysmenubutton")))
        titleLeft = 10;
    int titleRight = area.width() - 8;
    for (const QAbstractButton* button : m_buttons) {
        if (button->x() > area.width() / 2)
            titleRight = std::min(titleRight, button->x() - 6);
    }
    const QRect titleArea(titleLeft, 0, std::max(0, titleRight - titleLeft), captionHeight());
    painter.setFont(titleFont);
    painter.setPen(titleColour);
    const QString title = painter.fontMetrics().elidedText(m_window->windowTitle(), Qt::ElideRight, titleArea.width());
    painter.drawText(titleArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title);
}

QMenu* TSkinForm::createSystemMenu(QWidget* parent) const
{
    auto* menu = new TSkinPopupMenu(QStringLiteral("SystemMenu"), parent);
    const bool maximized = m_window->isMaximized();
    const bool canMinimize = captionButton(QStringLiteral("minbutton")) != nullptr;
    const bool canMaximize = captionButton(QStringLiteral("maxbutton")) != nullptr;
    QWidget* window = m_window;
    const auto entry = [&](const char* name, const char* key, bool enabled, auto act) {
        QAction* action = menu->addItem(QString::fromLatin1(name), captionText(QString::fromLatin1(key)));
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, window, act);
    };
    entry("RestoreItem", "MI_RESTORECAPTION", maximized || window->isMinimized(), [window] { window->showNormal(); });
    entry("MinimizeItem", "MI_MINCAPTION", canMinimize, [window] { window->showMinimized(); });
    entry("MaximizeItem", "MI_MAXCAPTION", canMaximize && !maximized, [window] { window->showMaximized(); });
    if (m_windowMenu)
        menu->addActions(m_windowMenu->actions());
    else
        menu->addSeparator();
    entry("CloseItem", "MI_CLOSECAPTION", true, [window] { window->close(); });
    return menu;
}

void TSkinForm::showSystemMenu(const QPoint& globalPosition)
{
    QMenu* menu = createSystemMenu(m_window);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPosition);
}

void TSkinForm::toggleMaximized()
{
    if (!captionButton(QStringLiteral("maxbutton")))
        return;
    if (m_window->isMaximized())
        m_window->showNormal();
    else
        m_window->showMaximized();
}

bool TSkinForm::mouseEvent(QEvent* event)
{
    auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint position = mouse->position().toPoint();
    const bool onCaption = position.y() < captionHeight();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (!onCaption || mouse->button() != Qt::LeftButton)
            return false;
        m_dragging = !(m_window->windowHandle() && m_window->windowHandle()->startSystemMove());
        m_dragOffset = mouse->globalPosition().toPoint() - m_window->pos();
        return true;
    case QEvent::MouseMove:
        // Where the desktop does not move the window for us.
        if (!m_dragging || !(mouse->buttons() & Qt::LeftButton) || m_window->isMaximized())
            return false;
        m_window->move(mouse->globalPosition().toPoint() - m_dragOffset);
        return true;
    case QEvent::MouseButtonRelease:
        m_dragging = false;
        return false;
    case QEvent::MouseButtonDblClick:
        if (!onCaption || mouse->button() != Qt::LeftButton)
            return false;
        toggleMaximized();
        return true;
    default:
        return false;
    }
}

bool TSkinForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_window)
        return false;
    if (event->type() == SkinChangeEvent::eventType()) {
        const SkinNotice notice = static_cast<SkinChangeEvent*>(event)->notice();
        if (notice == SkinNoticeLoaded)
            refresh();
        else if (notice == SkinNoticeApplied)
            m_window->update();
        return false;
    }
    switch (event->type()) {
    case QEvent::Paint:
        paintFrame();
        return false;
    case QEvent::Resize:
        placeButtons();
        placeGrips();
        updateMask();
        return false;
    case QEvent::WindowStateChange:
        refresh();
        return false;
    case QEvent::WindowTitleChange:
    case QEvent::ActivationChange:
        m_window->update();
        for (QAbstractButton* button : m_buttons)
            button->update();
        return false;
    case QEvent::ContextMenu: {
        // The caption bar's own menu is the window menu.
        const auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        if (menuEvent->pos().y() >= captionHeight())
            return false;
        showSystemMenu(menuEvent->globalPos());
        return true;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return mouseEvent(event);
    default:
        return false;
    }
}

// ---- Attaching and client sizes ----

TSkinForm* AttachSkinForm(QWidget* window)
{
    if (!window || !window->isWindow() || !SkinnedFramesEnabled())
        return TSkinForm::of(window);
    if (TSkinForm* frame = TSkinForm::of(window))
        return frame;
    return new TSkinForm(window);
}

QSize ClientSize(const QWidget* window)
{
    const TSkinForm* frame = TSkinForm::of(window);
    return frame ? window->size().shrunkBy(frame->insets()) : window->size();
}

void SetClientSize(QWidget* window, const QSize& size)
{
    const TSkinForm* frame = TSkinForm::of(window);
    window->resize(frame ? size.grownBy(frame->insets()) : size);
}

QWidget* CreateClientArea(QWidget* window)
{
    auto* client = new QWidget(window);
    client->setObjectName(QStringLiteral("ClientArea"));
    auto* fill = new QVBoxLayout(window);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(client);
    return client;
}

} // namespace quillo
