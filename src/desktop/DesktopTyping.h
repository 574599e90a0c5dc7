#pragma once
// Keys sent into another program, as if the user typed them. Only an X server lets one program
// type into another (through its XTest extension); on Wayland and without XTest there is no
// typing at all, and callers leave the text on the clipboard for the user to paste.
#include <QString>

#include <memory>

namespace quillo {

// What can be told of the program that has the keyboard focus.
struct FocusedProgram
{
    // It holds the primary selection: some of its text is selected now.
    bool ownsSelection = false;
    // Its window class is a terminal's, where Ctrl+V is a key of the program inside.
    bool terminal = false;
};

class DesktopTyping
{
public:
    virtual ~DesktopTyping() = default;
    virtual bool available() const = 0;
    virtual FocusedProgram focusedProgram() const = 0;
    // Removes the selection (BackSpace) and pastes the clipboard (Ctrl+V, or Ctrl+Shift+V in a
    // terminal). False when the keys could not be sent.
    virtual bool eraseAndPaste(bool terminal) = 0;
};

// XTest on an X server; elsewhere a typing that is not available.
std::unique_ptr<DesktopTyping> CreateDesktopTyping();

// Whether a window of this WM_CLASS (instance and class, either may be empty) is a terminal.
bool IsTerminalWindowClass(const QString& instance, const QString& windowClass);

} // namespace quillo
