#include "ui/window_handle.h"

#include <QApplication>
#include <QWidget>

namespace tervo {

WindowHandle window_handle(const QWidget* window) {
    return window ? WindowHandle(reinterpret_cast<std::uintptr_t>(window)) : WindowHandle();
}

QWidget* window_for(WindowHandle handle) {
    if (handle == WindowHandle()) return nullptr;
    // A handle stands for a window only while that window exists: looking it
    // up among the living ones costs a few comparisons per message box.
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window_handle(window) == handle) return window;
    return nullptr;
}

}  // namespace tervo
