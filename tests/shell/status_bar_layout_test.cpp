// Where the status bar's parts end for the widths their texts need.
#include <gtest/gtest.h>

#include "app/shell/status_bar_layout.h"

namespace tervo {
namespace {

using Edges = std::vector<int>;
constexpr int F = kFlexiblePart;

TEST(StatusPartLayout, PartsWhoseTextsFitKeepTheirEdges) {
    EXPECT_EQ(lay_out_status_parts({80, 160, 240}, {70, 80, 10}, 1000, 40), (Edges{80, 160, 240}));
    // Beyond the last part the bar stays empty when no part takes the rest.
    EXPECT_EQ(lay_out_status_parts({80, 160}, {0, 0}, 50, 40), (Edges{80, 160}));
}

TEST(StatusPartLayout, ANarrowPartGrowsToItsTextAndPushesTheRestAlong) {
    EXPECT_EQ(lay_out_status_parts({80, 160, 240, 300}, {70, 95, 60, 61}, 1000, 40), (Edges{80, 175, 255, 316}));
}

TEST(StatusPartLayout, FlexiblePartsShareTheRestInProportionToTheirDesignedWidths) {
    // 80 + 60 fixed in a bar of 440: 300 left for two parts designed 200 and 100.
    EXPECT_EQ(lay_out_status_parts({80, 280, 380, 440}, {0, F, F, 0}, 440, 40), (Edges{80, 280, 380, 440}));
    EXPECT_EQ(lay_out_status_parts({80, 280, 380, 440}, {0, F, F, 0}, 740, 40), (Edges{80, 480, 680, 740}));
    // A widened fixed part takes its room from them; rounding goes to the last.
    EXPECT_EQ(lay_out_status_parts({80, 280, 380, 440}, {0, F, F, 100}, 441, 40), (Edges{80, 254, 341, 441}));
    // Designed with no width, they share evenly.
    EXPECT_EQ(lay_out_status_parts({80, 80, 80}, {0, F, F}, 181, 10), (Edges{80, 130, 181}));
}

TEST(StatusPartLayout, FlexiblePartsKeepTheirMinimumInATooNarrowBar) {
    EXPECT_EQ(lay_out_status_parts({80, 280, 380, 440}, {0, F, F, 0}, 200, 40), (Edges{80, 120, 160, 220}));
    EXPECT_EQ(lay_out_status_parts({80, 280}, {0, F}, 0, 40), (Edges{80, 120}));
}

}  // namespace
}  // namespace tervo
