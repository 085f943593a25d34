#include "slideshow/status_bar.h"

#include <cstdio>

namespace tervo {
namespace {

const char* play_state_name(int32_t state) {
    static const char* const names[] = {"初期状態", "指完停止中", "連続前進中", "連続後退中", "駒送前進中", "駒送後退中"};
    return (state >= 0 && state <= 5) ? names[state] : "";
}

const char* filter_name(int32_t file_select) {
    static const char* const names[] = {"ALL(BJGP)", "Bitmap", "JPEG", "GIF", "PNG"};
    return (file_select >= 0 && file_select <= 4) ? names[file_select] : "";
}

template <typename... Args>
std::string format(const char* pattern, Args... args) {
    char buffer[100];
    std::snprintf(buffer, sizeof buffer, pattern, args...);
    return buffer;
}

}  // namespace

const std::vector<int>& status_bar_edges() {
    static const std::vector<int> edges{80, 160, 240, 470, 620, 720, 800, 860};
    return edges;
}

std::vector<std::string> status_bar_texts(const AppState& app) {
    const ViewState& view = app.view;
    const bool initial = view.play_state == Initial;
    const bool chosen = view.current_index >= 0 && view.current_index < app.files.file_count;
    // Folder and file names are shown whole, however long they are.
    std::string folder = initial ? "" : std::string(text_of(app.settings.folder));
    std::string name = (initial || !chosen)
                           ? ""
                           : std::string(text_of(app.files.file_names[static_cast<std::size_t>(view.current_index)]));
    const int32_t ms = app.settings.pl_timeno;
    return {
        play_state_name(view.play_state),
        format("No.%d/%d", view.display_no, app.files.file_count),
        format("時間：%d.%d秒", ms / 1000, (ms % 1000) / 100),
        folder,
        name,
        format("拡縮：%f", view.scale),
        filter_name(app.settings.file_select),
        format("回転%d度", view.rotation * 90),
    };
}

void refresh_status_bar(AppState& app, Platform& platform) {
    platform.set_status_bar(status_bar_edges(), status_bar_texts(app));
}

}  // namespace tervo
