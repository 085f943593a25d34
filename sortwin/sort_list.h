// The sort window's list as plain data: one item per file name, each with a
// parameter unique within the list by which the comparison finds it, and the
// item states the list control shows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/app_state.h"

namespace tervo {

struct SortListItem {
    std::string text;  // a file name, at most 259 bytes
    int32_t param = 0;
    bool selected = false;
    bool focused = false;
    bool drop_highlighted = false;
};

class SortList {
public:
    const std::vector<SortListItem>& items() const { return items_; }
    int count() const { return static_cast<int>(items_.size()); }

    // Empties the list; parameters given afterwards start again at 0.
    void clear();
    // Appends an item carrying the given parameter (used when filling).
    void append(std::string text, int32_t param);
    // Inserts an item at index (clamped to 0..count) with a parameter no
    // other item of the list carries; returns that parameter.
    int32_t insert_with_fresh_param(int index, std::string text);
    void remove(int index);

    // The index of the first item carrying param, or nothing.
    std::optional<int> find_param(int32_t param) const;
    // The index of the first selected item, or nothing.
    std::optional<int> first_selected() const;

    // Single selection: selecting one item deselects every other; focus
    // likewise. Drop highlights accumulate.
    void select_only(std::optional<int> index);
    void focus_only(std::optional<int> index);
    void set_drop_highlighted(int index, bool on);

    // Puts the items in another order: item i becomes the item that stood at
    // index order[i]. order must be a permutation of 0..count-1.
    void reorder(const std::vector<int>& order);

private:
    std::vector<SortListItem> items_;
    int32_t next_param_ = 0;  // above every parameter handed out so far
};

// Sorts the list stably by the items' texts, cut to 255 bytes, compared in
// the current mode and the direction of the given column (a column without a
// direction entry keeps the result as computed); states move with their
// items. Returns false, leaving the list as it was, when the list cannot be
// sorted (item parameters that are not unique, or a column outside the
// list's record).
bool sort_items(SortList& list, int column, const SortState& sort);

}  // namespace tervo
