#pragma once
// A pause that keeps the application alive: for code without windows that must wait in place
// (a step of a sequence, a pause before a request) while the windows stay responsive.

namespace quillo {

// Pauses for at least `milliseconds` while the application keeps handling its events; ends with
// the first event handled after the time is up, or at once when the application is quitting.
void WaitWithMessages(int milliseconds);

} // namespace quillo
