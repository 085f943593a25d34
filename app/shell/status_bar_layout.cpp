#include "app/shell/status_bar_layout.h"

#include <algorithm>
#include <cstddef>

namespace tervo {

std::vector<int> lay_out_status_parts(const std::vector<int>& designed_edges, const std::vector<int>& needed_widths,
                                      int available_width, int flexible_minimum) {
    const std::size_t count = designed_edges.size();
    std::vector<int> widths(count);
    int fixed_total = 0;
    long long flexible_designed = 0;
    std::vector<std::size_t> flexible;
    for (std::size_t part = 0; part < count; ++part) {
        const int designed = std::max(0, designed_edges[part] - (part == 0 ? 0 : designed_edges[part - 1]));
        const int needed = part < needed_widths.size() ? needed_widths[part] : 0;
        if (needed == kFlexiblePart) {
            flexible.push_back(part);
            flexible_designed += designed;
            widths[part] = designed;
            continue;
        }
        widths[part] = std::max(designed, needed);
        fixed_total += widths[part];
    }

    if (!flexible.empty()) {
        const int share = std::max(0, available_width - fixed_total);
        int given = 0;
        for (std::size_t i = 0; i < flexible.size(); ++i) {
            const std::size_t part = flexible[i];
            int width;
            if (i + 1 == flexible.size()) {
                width = share - given;  // the last one takes what rounding left
            } else if (flexible_designed > 0) {
                width = static_cast<int>(share * static_cast<long long>(widths[part]) / flexible_designed);
            } else {
                width = share / static_cast<int>(flexible.size());
            }
            given += width;
            widths[part] = std::max(width, flexible_minimum);
        }
    }

    std::vector<int> edges(count);
    int edge = 0;
    for (std::size_t part = 0; part < count; ++part) edges[part] = edge += widths[part];
    return edges;
}

}  // namespace tervo
