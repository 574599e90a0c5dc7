#include "desktop/GlobalHotkey.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <memory>
#include <qguiapplication_platform.h>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace quillo {

namespace {

// Lock states the server adds to a key's modifiers: none, CapsLock, NumLock, both.
constexpr std::uint16_t kLockVariants[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
constexpr std::uint16_t kChordModifiers =
    XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

xcb_connection_t* x11Connection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t rootWindow(xcb_connection_t* connection)
{
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

std::uint8_t keycodeOf(xcb_connection_t* connection, std::uint32_t symbol)
{
    const std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)> symbols(
        xcb_key_symbols_alloc(connection), &xcb_key_symbols_free);
    const std::unique_ptr<xcb_keycode_t, decltype(&free)> codes(xcb_key_symbols_get_keycode(symbols.get(), symbol),
                                                                &free);
    return codes ? codes.get()[0] : 0;
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    const auto cookie = xcb_intern_atom(connection, 1, static_cast<std::uint16_t>(strlen(name)), name);
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The values of a window's property of `type`, as 32-bit items.
QList<std::uint32_t> property(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name, xcb_atom_t type)
{
    const auto cookie = xcb_get_property(connection, 0, window, name, type, 0, 64);
    const std::unique_ptr<xcb_get_property_reply_t, decltype(&free)> reply(
        xcb_get_property_reply(connection, cookie, nullptr), &free);
    if (!reply || reply->format != 32)
        return {};
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    return QList<std::uint32_t>(values, values + xcb_get_property_value_length(reply.get()) / 4);
}

} // namespace

std::uint32_t KeySymbolOf(int qtKey)
{
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F35)
        return 0xffbe + static_cast<std::uint32_t>(qtKey - Qt::Key_F1);
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return static_cast<std::uint32_t>(qtKey - Qt::Key_A + 'a');
    // Qt's printable Latin-1 keys carry the character's own code, as X11's key symbols do.
    if (qtKey >= Qt::Key_Space && qtKey <= Qt::Key_ydiaeresis)
        return static_cast<std::uint32_t>(qtKey);
    switch (qtKey) {
    case Qt::Key_Insert: return 0xff63;
    case Qt::Key_Pause: return 0xff13;
    case Qt::Key_Print: return 0xff61;
    default: return 0;
    }
}

std::uint16_t X11ModifiersOf(Qt::KeyboardModifiers modifiers)
{
    std::uint16_t mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & Qt::AltModifier)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & Qt::MetaModifier)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

GlobalHotkey::GlobalHotkey(QObject* parent)
    : QObject(parent)
{
    QCoreApplication::instance()->installNativeEventFilter(this);
}

GlobalHotkey::~GlobalHotkey()
{
    release();
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool GlobalHotkey::grabAvailable()
{
    return x11Connection() != nullptr;
}

bool GlobalHotkey::setShortcut(const QKeySequence& keys)
{
    release();
    m_shortcut = keys;
    m_error.clear();
    xcb_connection_t* connection = x11Connection();
    if (!connection) {
        m_error = tr("This desktop lets no program take a key for itself.");
        return false;
    }
    if (keys.isEmpty())
        return true;
    const QKeyCombination chord = keys[0];
    const std::uint32_t symbol = KeySymbolOf(chord.key());
    const std::uint8_t keycode = symbol ? keycodeOf(connection, symbol) : 0;
    if (keycode == 0) {
        m_error = tr("The key %1 is not on this keyboard.").arg(keys.toString(QKeySequence::NativeText));
        return false;
    }
    const std::uint16_t modifiers = X11ModifiersOf(chord.keyboardModifiers());
    const xcb_window_t root = rootWindow(connection);
    bool taken = false;
    for (std::uint16_t lock : kLockVariants) {
        const auto cookie = xcb_grab_key_checked(connection, 1, root, modifiers | lock, keycode, XCB_GRAB_MODE_ASYNC,
                                                 XCB_GRAB_MODE_ASYNC);
        if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
            taken = true;
            free(error);
        }
    }
    m_keycode = keycode;
    m_modifiers = modifiers;
    if (taken) {
        release();
        m_error = tr("Another program already uses %1.").arg(keys.toString(QKeySequence::NativeText));
        return false;
    }
    return true;
}

void GlobalHotkey::release()
{
    xcb_connection_t* connection = m_keycode ? x11Connection() : nullptr;
    if (connection) {
        const xcb_window_t root = rootWindow(connection);
        for (std::uint16_t lock : kLockVariants)
            xcb_ungrab_key(connection, m_keycode, root, m_modifiers | lock);
        xcb_flush(connection);
    }
    m_keycode = 0;
    m_modifiers = 0;
}

bool GlobalHotkey::nativeEventFilter(const QByteArray& eventType, void* message, qintptr* /*result*/)
{
    if (m_keycode == 0 || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & ~0x80) != XCB_KEY_PRESS)
        return false;
    const auto* press = static_cast<const xcb_key_press_event_t*>(message);
    if (press->detail != m_keycode || (press->state & kChordModifiers) != m_modifiers)
        return false;
    emit activated();
    return true;
}

bool ActiveWindowIsFullScreen()
{
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return false;
    const QList<std::uint32_t> active =
        property(connection, rootWindow(connection), atom(connection, "_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW);
    if (active.isEmpty() || active.first() == XCB_WINDOW_NONE)
        return false;
    const QList<std::uint32_t> states =
        property(connection, active.first(), atom(connection, "_NET_WM_STATE"), XCB_ATOM_ATOM);
    return states.contains(atom(connection, "_NET_WM_STATE_FULLSCREEN"));
}

} // namespace quillo
