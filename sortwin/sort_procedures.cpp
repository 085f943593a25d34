#include "sortwin/sort_procedures.h"

#include <algorithm>

namespace tervo {

void fill_sort_list(const AppState& app, SortList& list) {
    list.clear();
    const int count = std::clamp(app.files.file_count, 0, kMaxFiles);
    for (int i = 0; i < count; ++i) list.append(std::string(text_of(app.files.file_names[i])), i);
}

void sort_by_column(AppState& app, SortList& list, Platform& platform, WindowHandle window, int column) {
    if (column >= 0 && column < kSortColumns) {
        SortDirection& direction = app.sort.sort_direction[column];
        direction = direction == SortDirection::Up ? SortDirection::Down : SortDirection::Up;
    }
    if (!sort_items(list, column, app.sort)) platform.message_box(window, "ソート失敗", "Error", MessageIcon::None);
}

void move_item(SortList& list, Platform& platform, WindowHandle window, bool up) {
    const std::optional<int> selected = list.first_selected();
    if (!selected) {
        platform.message_box(window, "項目を選択して下さい", "UPDOWN", MessageIcon::None);
        return;
    }
    const int count = list.count();
    // Read the text as a 260-byte list request would: at most 259 bytes.
    std::string text = list.items()[*selected].text.substr(0, kNameBytes - 1);
    list.remove(*selected);

    int target = up ? *selected - 1 : *selected + 1;
    if (target > count - 1) target = count - 1;
    if (target < 0) target = 0;

    list.insert_with_fresh_param(target, std::move(text));
    list.select_only(target);
    list.focus_only(target);
    list.set_drop_highlighted(target, true);
}

void apply_order(AppState& app, const SortList& list) {
    const int count = std::min(list.count(), kMaxFiles);
    for (int i = 0; i < count; ++i) set_text(app.files.file_names[i], list.items()[i].text);
    app.files.file_count = count;
}

std::array<std::string, 2> sort_status_texts(const SortState& sort) {
    const char* direction = sort.sort_direction[0] == SortDirection::Up ? "UP" : "DOWN";
    const char* mode = sort.sort_mode == SortMode::Strcmp   ? "strcmp"
                       : sort.sort_mode == SortMode::Number ? "文数順"
                                                            : "文一致数";
    return {direction, mode};
}

AfterCommand run_sort_command(AppState& app, SortList& list, Platform& platform, WindowHandle window, int command) {
    switch (command) {
        case tb_sort_up: move_item(list, platform, window, true); break;
        case tb_sort_down: move_item(list, platform, window, false); break;
        case tb_mode_strcmp: app.sort.sort_mode = SortMode::Strcmp; break;
        case tb_mode_number: app.sort.sort_mode = SortMode::Number; break;
        case tb_mode_text_first: app.sort.sort_mode = SortMode::TextFirst; break;
        case tb_sort_close: return AfterCommand::Close;
        default: break;
    }
    return AfterCommand::Stay;
}

}  // namespace tervo
