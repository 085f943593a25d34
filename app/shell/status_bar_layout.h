// Where the status bar's parts end, given the edges the program asks for and
// the width each part's texts need in the bar's font.
#pragma once

#include <vector>

namespace tervo {

// A part whose texts have no bound in width (a path).
inline constexpr int kFlexiblePart = -1;

// `designed_edges`: the right edges the program asks for. `needed_widths`:
// for each part, the width its widest text needs, or kFlexiblePart.
// A part keeps its designed width where its texts fit it and is widened to
// them where they do not; the flexible parts then share what is left of
// `available_width` in proportion to their designed widths, each keeping at
// least `flexible_minimum`. Without flexible parts the layout may end short
// of `available_width`. Returns the right edges.
std::vector<int> lay_out_status_parts(const std::vector<int>& designed_edges, const std::vector<int>& needed_widths,
                                      int available_width, int flexible_minimum);

}  // namespace tervo
