#include "app/shell/viewer_input.h"

#include <cstdlib>

namespace tervo {
namespace {

constexpr int kNotch = 120;

}  // namespace

ViewerAction action_for_key(int key, Qt::KeyboardModifiers modifiers) {
    // Shift is part of "+" on most layouts; the keypad's keys count as keys.
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return ViewerAction::None;
    switch (key) {
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_PageDown:
    case Qt::Key_Return:
    case Qt::Key_Enter: return ViewerAction::StepForward;
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_PageUp:
    case Qt::Key_Backspace: return ViewerAction::StepBackward;
    case Qt::Key_Space: return ViewerAction::PlayOrStop;
    case Qt::Key_Home: return ViewerAction::First;
    case Qt::Key_End: return ViewerAction::Last;
    case Qt::Key_Plus: return ViewerAction::ZoomIn;
    case Qt::Key_Minus: return ViewerAction::ZoomOut;
    case Qt::Key_R: return ViewerAction::Rotate;
    case Qt::Key_F11: return ViewerAction::FullScreen;
    case Qt::Key_Escape: return ViewerAction::Escape;
    default: return ViewerAction::None;
    }
}

ViewerAction WheelSteps::action(int delta, bool ctrl) const {
    if (ctrl) return delta > 0 ? ViewerAction::ZoomIn : ViewerAction::ZoomOut;
    return delta > 0 ? ViewerAction::StepBackward : ViewerAction::StepForward;
}

int WheelSteps::notches(int delta) {
    if (delta == 0) return 0;
    // A turn the other way starts afresh.
    if ((delta > 0) != (pending_ > 0)) pending_ = 0;
    pending_ += delta;
    const int whole = std::abs(pending_) / kNotch;
    pending_ -= (pending_ > 0 ? 1 : -1) * whole * kNotch;
    return whole;
}

}  // namespace tervo
