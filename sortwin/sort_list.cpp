#include "sortwin/sort_list.h"

#include <algorithm>
#include <numeric>

#include "sortwin/name_compare.h"
#include "sortwin/name_key.h"

namespace tervo {

void SortList::clear() {
    items_.clear();
    next_param_ = 0;
}

void SortList::append(std::string text, int32_t param) {
    items_.push_back(SortListItem{std::move(text), param});
    next_param_ = std::max(next_param_, param + 1);
}

int32_t SortList::insert_with_fresh_param(int index, std::string text) {
    index = std::clamp(index, 0, count());
    const int32_t param = next_param_++;
    items_.insert(items_.begin() + index, SortListItem{std::move(text), param});
    return param;
}

void SortList::remove(int index) { items_.erase(items_.begin() + index); }

std::optional<int> SortList::find_param(int32_t param) const {
    for (int i = 0; i < count(); ++i) {
        if (items_[i].param == param) return i;
    }
    return std::nullopt;
}

std::optional<int> SortList::first_selected() const {
    for (int i = 0; i < count(); ++i) {
        if (items_[i].selected) return i;
    }
    return std::nullopt;
}

void SortList::select_only(std::optional<int> index) {
    for (int i = 0; i < count(); ++i) items_[i].selected = (index == i);
}

void SortList::focus_only(std::optional<int> index) {
    for (int i = 0; i < count(); ++i) items_[i].focused = (index == i);
}

void SortList::set_drop_highlighted(int index, bool on) { items_[index].drop_highlighted = on; }

void SortList::reorder(const std::vector<int>& order) {
    std::vector<SortListItem> reordered;
    reordered.reserve(order.size());
    for (int index : order) reordered.push_back(std::move(items_[index]));
    items_ = std::move(reordered);
}

namespace {

bool params_unique(const SortList& list) {
    std::vector<int32_t> params;
    params.reserve(list.items().size());
    for (const SortListItem& item : list.items()) params.push_back(item.param);
    std::sort(params.begin(), params.end());
    return std::adjacent_find(params.begin(), params.end()) == params.end();
}

// A bottom-up merge sort. The name comparison is not a strict weak order
// (wrapped values of long digit runs, mode 2's mixed pairs), which the
// standard sorts do not allow; a plain merge stays well-defined and stable
// with any comparison.
template <typename Before>
void merge_sort(std::vector<int>& keys, Before before) {
    std::vector<int> merged(keys.size());
    for (std::size_t width = 1; width < keys.size(); width *= 2) {
        for (std::size_t left = 0; left < keys.size(); left += 2 * width) {
            const std::size_t middle = std::min(left + width, keys.size());
            const std::size_t right = std::min(left + 2 * width, keys.size());
            std::size_t i = left, j = middle, out = left;
            while (i < middle && j < right) merged[out++] = before(keys[j], keys[i]) ? keys[j++] : keys[i++];
            while (i < middle) merged[out++] = keys[i++];
            while (j < right) merged[out++] = keys[j++];
        }
        keys.swap(merged);
    }
}

}  // namespace

bool sort_items(SortList& list, int column, const SortState& sort) {
    if (column < 0 || column >= kSortColumns || !params_unique(list)) return false;

    // With unique parameters, the item a parameter finds is the item itself:
    // the sort works on positions and compares each item by its own key.
    const auto mode = static_cast<int32_t>(sort.sort_mode);
    const auto direction = static_cast<int32_t>(sort.sort_direction[column]);
    std::vector<NameKey> keys;
    keys.reserve(list.items().size());
    for (const SortListItem& item : list.items()) keys.emplace_back(item.text, mode != 0);

    std::vector<int> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    merge_sort(order, [&](int a, int b) { return compare_keys(keys[a], keys[b], mode, direction) < 0; });
    list.reorder(order);
    return true;
}

}  // namespace tervo
