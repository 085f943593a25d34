#include "app/app_state.h"

namespace tervo {

AppState& app_state() {
    static AppState state;
    return state;
}

std::string join_path(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != '/') path += '/';
    path += name;
    return path;
}

}  // namespace tervo
