#pragma once
// How a window (or a session behind it) binds the std::function events of its components (a
// request's OnDone, a memo's OnKeyDown) to its handlers: one call per event, with the handler
// taking the event's own parameters. Qt signals are connected with connect() to the handler itself.
#include <QPointer>
#include <utility>

namespace quillo {

// An event handler that calls `handler` on `owner` with the event's arguments, and does nothing
// once the owner is gone. For events that run on the GUI thread, where the owner lives: an event
// on the worker (OnRedirected, OnStatus) must not look at the owner's lifetime from there.
template <class Owner, class... Args>
auto BindHandler(Owner* owner, void (Owner::*handler)(Args...))
{
    return [guard = QPointer<Owner>(owner), handler](Args... args) {
        if (guard)
            (guard.data()->*handler)(std::forward<Args>(args)...);
    };
}

} // namespace quillo
