#include "sortwin/name_compare.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace tervo {
namespace {

struct NameCase {
    std::string name1;
    std::string name2;
    int32_t mode0;
    int32_t mode1;
    int32_t mode2;
};

const std::string k20Runs = "a1b2c3d4e5f6g7h8i9j0";
const std::string k255 = std::string(254, 'a');

const NameCase kNameCases[] = {
    // The comparison's reference examples.
    {"img2.bmp", "img10.bmp", 1, -8, -8},
    {"a2b.jpg", "a10a.jpg", 1, -8, 1},
    {"photo 2 b.png", "photo 10 a.png", 1, -8, 1},
    {"x9.png", "X09.PNG", 9, 0, 0},
    {"img01.jpg", "img1.jpg", -1, 0, 0},
    {"B.jpg", "a.jpg", 1, 1, 1},
    {"_x.jpg", "a.jpg", 30, 30, 30},
    {"10.jpg", "a.jpg", -16, -16, -16},
    {"p7.gif", "p7a.gif", -19, -19, -19},
    {"DSC_0099.JPG", "DSC_0100.JPG", -1, -1, -1},
    // Equal names, and names equal but for the case of ASCII letters.
    {"img2.bmp", "img2.bmp", 0, 0, 0},
    {"Photo_01.JPG", "pHOTO_01.jpg", 0, 0, 0},
    {"", "", 0, 0, 0},
    {"", "a", -65, -65, -65},
    // Only 20 runs take part; a name of exactly 20 runs keeps its last.
    {k20Runs + "X.jpg", k20Runs + "Y.jpg", -1, 0, 0},
    {k20Runs, k20Runs, 0, 0, 0},
    {"a1b2c3d4e5f6g7h8i9j0", "a1b2c3d4e5f6g7h8i9j5", -5, -5, -5},
    // A name whose runs lead another's is less (terminator against '2').
    {"a1b", "a1b2c3", -50, -50, -50},
    // Only the first 255 bytes count.
    {k255 + "a1", k255 + "a2", 0, 0, 0},
    {k255 + "1", k255 + "2", -1, -1, -1},
    // Long digit runs wrap modulo 2^32, and so do their differences.
    {"x4294967297", "x2", 2, -1, -1},
    // A difference of exactly 2^31 keeps the sign of the true difference, so
    // that swapping the names always swaps the sign.
    {"x2147483648", "x0", 2, INT32_MIN + 1, INT32_MIN + 1},
    {"x0", "x2147483648", -2, INT32_MAX, INT32_MAX},
    {"x2000000000", "x3000000000", -1, -1000000000, -1000000000},
    // Bytes of 0x80 and above are text, never folded, never digits: the
    // full-width digits of "写真１０" and "写真２" compare byte by byte.
    {"写真１０.jpg", "写真２.jpg", -1, -1, -1},
    {"\xE9.jpg", "\xC9.jpg", 32, 32, 32},
    {"\xA0x", "zz", 70, 70, 70},
    // Brackets, caret, underscore and grave accent sort after letters.
    {"[1].jpg", "z.jpg", 1, 1, 1},
};

TEST(NameCompare, ComparesEveryModeAsDocumented) {
    for (const NameCase& c : kNameCases) {
        SCOPED_TRACE("'" + c.name1 + "' against '" + c.name2 + "'");
        EXPECT_EQ(compare_names(c.name1, c.name2, 0, 2), c.mode0);
        EXPECT_EQ(compare_names(c.name1, c.name2, 1, 2), c.mode1);
        EXPECT_EQ(compare_names(c.name1, c.name2, 2, 2), c.mode2);
        // Any mode other than 0 and 1 is mode 2.
        EXPECT_EQ(compare_names(c.name1, c.name2, 3, 2), c.mode2);
        EXPECT_EQ(compare_names(c.name1, c.name2, -1, 2), c.mode2);
        // Direction 1 negates (the most negative value stays); others keep.
        for (int mode = 0; mode < 3; ++mode) {
            const int32_t r = compare_names(c.name1, c.name2, mode, 0);
            const int32_t negated = r == INT32_MIN ? INT32_MIN : -r;
            EXPECT_EQ(compare_names(c.name1, c.name2, mode, 1), negated) << "mode " << mode;
        }
    }
}

TEST(NameCompare, TextComparisonFoldsOnlyAsciiLetters) {
    EXPECT_EQ(compare_text("abc", "ABC"), 0);
    EXPECT_EQ(compare_text("ab", "abc"), -'C');
    EXPECT_EQ(compare_text("\xFF", "\x01"), 254);
    EXPECT_EQ(compare_text("`", "z"), 0x60 - 0x5A);
}

}  // namespace
}  // namespace tervo
