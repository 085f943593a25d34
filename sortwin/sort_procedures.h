// What the sort window does, as plain procedures over the record and the
// window's list; the Qt window only forwards its events here and shows the
// list and the status texts.
#pragma once

#include <array>
#include <string>

#include "core/app_state.h"
#include "core/platform.h"
#include "sortwin/sort_list.h"

namespace tervo {

// The sort window's toolbar commands, in button order.
enum SortCommand : int {
    tb_sort_up = 370,
    tb_sort_down = 371,
    tb_mode_strcmp = 372,
    tb_mode_number = 373,
    tb_mode_text_first = 374,
    tb_sort_close = 375,
};

// Right edges of the status bar's two parts, in pixels.
inline constexpr std::array<int, 2> kSortStatusEdges{120, 240};

// Fills the list with the file table's names in table order; item i carries
// parameter i.
void fill_sort_list(const AppState& app, SortList& list);

// A click on the header of a column: reverses the column's direction (1 to
// 2, anything else to 1) and sorts the list; "ソート失敗" when the sort
// cannot run.
void sort_by_column(AppState& app, SortList& list, Platform& platform, WindowHandle window, int column);

// Moves the selected item one place up or down by deleting it and inserting
// it again with a fresh parameter, focused, selected and drop-highlighted;
// "項目を選択して下さい" when nothing is selected.
void move_item(SortList& list, Platform& platform, WindowHandle window, bool up);

// Writes the list's texts into the file table in list order and sets
// file_count; entries past the count, current_index and display_no stay.
void apply_order(AppState& app, const SortList& list);

// The two status texts: the direction of column 0, then the mode.
std::array<std::string, 2> sort_status_texts(const SortState& sort);

enum class AfterCommand { Stay, Close };

// Runs a toolbar command (370..375); any other id does nothing. Close means
// the window ends without writing the order back.
AfterCommand run_sort_command(AppState& app, SortList& list, Platform& platform, WindowHandle window, int command);

}  // namespace tervo
