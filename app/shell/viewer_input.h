// The keys and mouse actions of the main window besides its menu mnemonics,
// as the viewers people know answer them.
#pragma once

#include <Qt>

namespace tervo {

enum class ViewerAction {
    None,
    StepForward,
    StepBackward,
    PlayOrStop,
    First,
    Last,
    ZoomIn,
    ZoomOut,
    Rotate,
    FullScreen,  // into full screen, or back out of it
    Escape,      // out of full screen, else stop
};

// The action of a key pressed on the main window. Keys held with Ctrl, Alt
// or Meta stay with the menus and the desktop.
ViewerAction action_for_key(int key, Qt::KeyboardModifiers modifiers);

// Turns the wheel's movement into steps: one per notch (120 eighths of a
// degree), fine-grained wheels adding up until they make a notch.
class WheelSteps {
public:
    // The action of one notch, and how many notches `delta` (the vertical
    // angle delta of a wheel event) completes; with Ctrl the wheel zooms.
    ViewerAction action(int delta, bool ctrl) const;
    int notches(int delta);

private:
    int pending_ = 0;
};

}  // namespace tervo
