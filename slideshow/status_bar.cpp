#include "slideshow/status_bar.h"

#include <cstdio>
#include <iterator>

namespace tervo {
namespace {

const char* const kPlayStateNames[] = {"初期状態", "指完停止中", "連続前進中", "連続後退中", "駒送前進中", "駒送後退中"};
const char* const kFilterNames[] = {"ALL(BJGP)", "Bitmap", "JPEG", "GIF", "PNG"};

const char* play_state_name(PlayState state) {
    const auto index = static_cast<int32_t>(state);
    return (index >= 0 && index <= 5) ? kPlayStateNames[index] : "";
}

const char* filter_name(int32_t file_select) {
    return (file_select >= 0 && file_select <= 4) ? kFilterNames[file_select] : "";
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
    const bool initial = view.play_state == PlayState::Initial;
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

std::vector<std::vector<std::string>> status_bar_widest_texts() {
    std::vector<std::vector<std::string>> parts(8);
    parts[0].assign(std::begin(kPlayStateNames), std::end(kPlayStateNames));
    parts[6].assign(std::begin(kFilterNames), std::end(kFilterNames));
    parts[7] = {"回転0度", "回転90度", "回転180度", "回転270度"};
    for (char digit = '0'; digit <= '9'; ++digit) {
        auto digits = [digit](std::size_t count) { return std::string(count, digit); };
        // The table holds at most 1024 names: neither number has more than
        // four digits, and neither is ever negative.
        parts[1].push_back("No." + digits(4) + "/" + digits(4));
        // The interval comes from the settings file unchecked: any 32-bit
        // number, whose thousands have up to seven digits and a sign and
        // whose tenths digit may carry a sign of its own.
        parts[2].push_back("時間：-" + digits(7) + ".-" + digits(1) + "秒");
        // A size mode gives 0.5 to 2.0, and a zoom stays within 0.25 to 4.0
        // or leaves the scale as it is. A fit gives at most the smaller
        // side of the client area for a one-pixel image (four digits up to
        // 10000 pixels) and, in a window smaller than its margins, at least
        // -65.
        parts[5].push_back("拡縮：" + digits(4) + "." + digits(6));
        parts[5].push_back("拡縮：-" + digits(2) + "." + digits(6));
    }
    return parts;
}

void refresh_status_bar(AppState& app, Platform& platform) {
    platform.set_status_bar(status_bar_edges(), status_bar_texts(app));
}

}  // namespace tervo
