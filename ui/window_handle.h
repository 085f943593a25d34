// The shell's windows as the procedures name them, and back.
#pragma once

#include "core/platform.h"

class QWidget;

namespace tervo {

// The handle of a window (a widget that is a window of its own).
WindowHandle window_handle(const QWidget* window);

// The open window a handle names; nullptr for the empty handle and for a
// window that has been closed and deleted since, so a stale handle can
// never reach freed memory.
QWidget* window_for(WindowHandle handle);

}  // namespace tervo
