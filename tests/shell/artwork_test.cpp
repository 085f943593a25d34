// The toolbar strip and the program icon are drawn in code: check their
// sizes and that each image shows what its button means.
#include <gtest/gtest.h>

#include <QImage>

#include <set>

#include "resources/icon_art.h"
#include "resources/toolbar_art.h"

namespace tervo {
namespace {

struct Colours {
    int blue = 0, red = 0, green = 0, grey = 0, drawn = 0;
};

Colours count(const QImage& image) {
    Colours c;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor p = image.pixelColor(x, y);
            if (p.alpha() < 200) continue;
            ++c.drawn;
            const int r = p.red(), g = p.green(), b = p.blue();
            if (b > r + 60 && b > g + 20) ++c.blue;
            if (r > g + 80 && r > b + 80) ++c.red;
            if (g > r + 60 && g > b + 40) ++c.green;
            if (std::abs(r - g) < 12 && std::abs(g - b) < 12 && r > 80 && r < 200) ++c.grey;
        }
    }
    return c;
}

int differing_pixels(const QImage& a, const QImage& b) {
    int differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            if (std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) + std::abs(p.blue() - q.blue()) +
                    std::abs(p.alpha() - q.alpha()) > 60)
                ++differing;
        }
    }
    return differing;
}

TEST(Artwork, ToolbarStripHoldsThirteenDistinctImages) {
    const QImage strip = toolbar_strip();
    EXPECT_EQ(strip.size(), QSize(416, 32));
    std::set<QByteArray> seen;
    for (int n = 0; n < kToolbarImageCount; ++n) {
        const QImage image = toolbar_image(n);
        EXPECT_EQ(image.size(), QSize(32, 32));
        EXPECT_GT(count(image).drawn, 60) << n;
        seen.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
    }
    EXPECT_EQ(seen.size(), 13u);
}

TEST(Artwork, EachImageHasTheColoursOfItsButton) {
    struct Case {
        int n;
        bool blue, red, green, grey;
    };
    // arrows and the question mark blue, stop bars and exit button red, the
    // rotate triangle green, the sort bars grey
    for (const Case& c : {Case{1, true, false, false, false}, Case{2, true, false, false, false},
                          Case{3, false, true, false, false}, Case{4, true, false, false, false},
                          Case{5, true, false, false, false}, Case{6, true, false, true, false},
                          Case{9, false, false, false, true}, Case{11, true, false, false, false},
                          Case{12, false, true, false, false}}) {
        const Colours colours = count(toolbar_image(c.n));
        EXPECT_EQ(colours.blue > 40, c.blue) << c.n;
        EXPECT_EQ(colours.red > 40, c.red) << c.n;
        EXPECT_EQ(colours.green > 40, c.green) << c.n;
        if (c.grey) {
            EXPECT_GT(colours.grey, 80) << c.n;
        }
    }
    // the left-pointing arrows mirror the right-pointing ones (up to the
    // rounding of their smoothed edges)
    EXPECT_LT(differing_pixels(toolbar_image(1).mirrored(true, false), toolbar_image(5)), 20);
    EXPECT_LT(differing_pixels(toolbar_image(2).mirrored(true, false), toolbar_image(4)), 20);
}

TEST(Artwork, ProgramIconInLargeAndSmallSize) {
    for (int size : {kSmallIconSize, kLargeIconSize}) {
        const QImage image = program_icon_image(size);
        EXPECT_EQ(image.size(), QSize(size, size));
        EXPECT_GT(count(image).drawn, size * size / 2);
    }
    const QIcon icon = program_icon();
    EXPECT_TRUE(icon.availableSizes().contains(QSize(16, 16)));
    EXPECT_TRUE(icon.availableSizes().contains(QSize(32, 32)));
}

}  // namespace
}  // namespace tervo
