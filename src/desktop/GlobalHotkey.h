#pragma once
// A key chord that reaches the program whichever window has the focus. On X11 the key is grabbed
// on the root window through the X server, once for each state of NumLock and CapsLock, since the
// server compares the whole modifier state; the key presses then arrive as native events of the
// root window. Wayland has no such grab: there the desktop's own shortcut settings run
// `quillo --translate-selection` instead.
#include <QAbstractNativeEventFilter>
#include <QKeySequence>
#include <QObject>
#include <cstdint>

namespace quillo {

class GlobalHotkey : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    explicit GlobalHotkey(QObject* parent = nullptr);
    ~GlobalHotkey() override;

    // Whether this desktop lets a program grab a key (X11).
    static bool grabAvailable();

    // Releases the key held so far and grabs the first chord of `keys`. False, with error() set,
    // where no grab exists, the key has no code on this keyboard or another program holds it.
    bool setShortcut(const QKeySequence& keys);
    QKeySequence shortcut() const { return m_shortcut; }
    QString error() const { return m_error; }

signals:
    void activated();

protected:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void release();

    QKeySequence m_shortcut;
    QString m_error;
    std::uint8_t m_keycode = 0;
    std::uint16_t m_modifiers = 0;
};

// The X11 key symbol of a Qt key (letters, digits, function keys, Latin-1); 0 when it has none.
std::uint32_t KeySymbolOf(int qtKey);
// The X11 modifier mask of Qt's modifiers (Shift, Control, Alt = Mod1, Meta = Mod4).
std::uint16_t X11ModifiersOf(Qt::KeyboardModifiers modifiers);

// Whether the window that has the focus on an X11 desktop fills its screen (a film, a game, a
// presentation); false where that cannot be told.
bool ActiveWindowIsFullScreen();

} // namespace quillo
