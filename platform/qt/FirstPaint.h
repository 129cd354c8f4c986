#pragma once
// Work that is not part of a window's first frame waits until that frame is
// drawn, so that the user sees the window sooner.

#include <functional>

class QWidget;

namespace qx {

// Runs work once, when the event loop is next free after window has been
// painted for the first time; never when window goes before that.
void AfterFirstPaint(QWidget* window, std::function<void()> work);

} // namespace qx
