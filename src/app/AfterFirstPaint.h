#pragma once
#include <functional>

class QWidget;

namespace quillo {

// Runs `work` once, after `window` has painted for the first time: for what the first frame does
// not show, so that the window is on screen before it is made.
void AfterFirstPaint(QWidget* window, std::function<void()> work);

} // namespace quillo
