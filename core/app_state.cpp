#include "core/app_state.h"

namespace tervo {

AppState& app_state() {
    static AppState state;
    return state;
}

}  // namespace tervo
