#include "desktop/DesktopTyping.h"

#include <QGuiApplication>
#include <QStringList>
#include <qguiapplication_platform.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

#include <utility>

namespace quillo {

namespace {

class NoTyping : public DesktopTyping
{
public:
    bool available() const override { return false; }
    FocusedProgram focusedProgram() const override { return {}; }
    bool eraseAndPaste(bool) override { return false; }
};

class XTestTyping : public DesktopTyping
{
public:
    XTestTyping(Display* display, xcb_connection_t* connection)
        : m_display(display)
        , m_resourceMask(xcb_get_setup(connection)->resource_id_mask)
    {
    }

    bool available() const override { return true; }

    FocusedProgram focusedProgram() const override
    {
        const Window focus = focusWindow();
        if (focus == None)
            return {};
        FocusedProgram program;
        // Windows of one client share the bits above the server's resource mask.
        const Window owner = XGetSelectionOwner(m_display, XA_PRIMARY);
        const XID clientBits = ~XID{m_resourceMask};
        program.ownsSelection = owner != None && (owner & clientBits) == (focus & clientBits);
        const auto [instance, windowClass] = windowClassOf(focus);
        program.terminal = IsTerminalWindowClass(instance, windowClass);
        return program;
    }

    bool eraseAndPaste(bool terminal) override
    {
        // The chord that started this may still be held: Ctrl+Alt+BackSpace is not BackSpace.
        releaseHeldModifiers();
        QList<KeySym> paste{XK_Control_L};
        if (terminal)
            paste.append(XK_Shift_L);
        paste.append(XK_v);
        const bool sent = press({XK_BackSpace}) && press(paste);
        XSync(m_display, False);
        return sent;
    }

private:
    // The window with the keyboard focus; under PointerRoot focus, the top-level window under the
    // pointer.
    Window focusWindow() const
    {
        Window focus = None;
        int revert = 0;
        XGetInputFocus(m_display, &focus, &revert);
        if (focus != PointerRoot && focus != None)
            return focus;
        Window root = None, child = None;
        int rootX = 0, rootY = 0, x = 0, y = 0;
        unsigned int mask = 0;
        XQueryPointer(m_display, DefaultRootWindow(m_display), &root, &child, &rootX, &rootY, &x, &y, &mask);
        return child;
    }

    // WM_CLASS of the window or of the nearest ancestor that has one: the focus often sits on
    // an inner window of the program's top-level one.
    std::pair<QString, QString> windowClassOf(Window window) const
    {
        while (window != None) {
            XClassHint hint{};
            if (XGetClassHint(m_display, window, &hint)) {
                std::pair<QString, QString> names{QString::fromLocal8Bit(hint.res_name),
                                                  QString::fromLocal8Bit(hint.res_class)};
                XFree(hint.res_name);
                XFree(hint.res_class);
                return names;
            }
            Window root = None, parent = None;
            Window* children = nullptr;
            unsigned int count = 0;
            if (!XQueryTree(m_display, window, &root, &parent, &children, &count))
                break;
            if (children)
                XFree(children);
            window = parent == root ? None : parent;
        }
        return {};
    }

    void releaseHeldModifiers()
    {
        char keys[32] = {};
        XQueryKeymap(m_display, keys);
        XModifierKeymap* modifiers = XGetModifierMapping(m_display);
        if (!modifiers)
            return;
        for (int i = 0; i < 8 * modifiers->max_keypermod; ++i) {
            const KeyCode code = modifiers->modifiermap[i];
            if (code != 0 && (keys[code / 8] & (1 << (code % 8))))
                XTestFakeKeyEvent(m_display, code, False, CurrentTime);
        }
        XFreeModifiermap(modifiers);
    }

    // Presses the keys in order and releases them in reverse.
    bool press(const QList<KeySym>& symbols)
    {
        QList<KeyCode> codes;
        for (const KeySym symbol : symbols) {
            const KeyCode code = XKeysymToKeycode(m_display, symbol);
            if (code == 0)
                return false;
            codes.append(code);
        }
        bool sent = true;
        for (const KeyCode code : codes)
            sent = XTestFakeKeyEvent(m_display, code, True, CurrentTime) && sent;
        for (auto code = codes.rbegin(); code != codes.rend(); ++code)
            sent = XTestFakeKeyEvent(m_display, *code, False, CurrentTime) && sent;
        return sent;
    }

    Display* m_display;
    std::uint32_t m_resourceMask;
};

} // namespace

bool IsTerminalWindowClass(const QString& instance, const QString& windowClass)
{
    // Most terminals say so in their class (xterm, gnome-terminal, Alacritty…); the rest by name.
    static const QStringList contained{QStringLiteral("term"),    QStringLiteral("rxvt"),   QStringLiteral("konsole"),
                                       QStringLiteral("alacritty"), QStringLiteral("tilix"), QStringLiteral("guake"),
                                       QStringLiteral("tilda"),   QStringLiteral("yakuake")};
    static const QStringList exact{QStringLiteral("st"),   QStringLiteral("st-256color"), QStringLiteral("foot"),
                                   QStringLiteral("footclient"), QStringLiteral("kitty"), QStringLiteral("sakura")};
    for (const QString& name : {instance.toLower(), windowClass.toLower()}) {
        if (exact.contains(name))
            return true;
        for (const QString& part : contained)
            if (name.contains(part))
                return true;
    }
    return false;
}

std::unique_ptr<DesktopTyping> CreateDesktopTyping()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    int event = 0, error = 0, major = 0, minor = 0;
    if (display && x11->connection() && XTestQueryExtension(display, &event, &error, &major, &minor))
        return std::make_unique<XTestTyping>(display, x11->connection());
    return std::make_unique<NoTyping>();
}

} // namespace quillo
