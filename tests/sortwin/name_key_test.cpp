// The prepared-key comparison and the sort built on it, against a plain
// transcription of the comparison rules over many generated names.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <string>
#include <vector>

#include "sortwin/name_compare.h"
#include "sortwin/sort_list.h"

namespace tervo {
namespace {

bool digit(char c) { return c >= '0' && c <= '9'; }
int fold(char c) { return (c >= 'a' && c <= 'z') ? c - 32 : static_cast<unsigned char>(c); }

int32_t reference_text(const std::string& a, const std::string& b) {
    for (std::size_t i = 0;; ++i) {
        const int x = fold(a.c_str()[i]), y = fold(b.c_str()[i]);
        if (x != y || x == 0) return x - y;
    }
}

std::vector<std::string> reference_runs(const std::string& name) {
    std::vector<std::string> runs;
    for (char c : name) {
        if (runs.empty() || digit(runs.back()[0]) != digit(c)) {
            if (runs.size() == 20) break;
            runs.emplace_back();
        }
        runs.back() += c;
    }
    return runs;
}

// Run values wrap modulo 2^32; a difference of exactly 2^31 keeps the sign of
// the true difference.
int32_t reference_numbers(const std::string& a, const std::string& b) {
    auto value = [](const std::string& run) {
        uint32_t v = 0;
        for (char c : run) v = v * 10 + static_cast<uint32_t>(c - '0');
        return static_cast<int64_t>(static_cast<int32_t>(v));
    };
    const int64_t difference = value(a) - value(b);
    const auto wrapped = static_cast<int32_t>(static_cast<uint32_t>(difference));
    return wrapped != INT32_MIN ? wrapped : difference < 0 ? INT32_MIN + 1 : INT32_MAX;
}

int32_t reference_compare(std::string a, std::string b, int32_t mode) {
    for (std::string* name : {&a, &b}) *name = name->substr(0, std::min(name->find('\0'), std::size_t{255}));
    int32_t r = 0;
    if (mode == 0) {
        r = reference_text(a, b);
    } else {
        std::vector<std::string> ra = reference_runs(a), rb = reference_runs(b);
        const std::size_t n = std::max(ra.size(), rb.size());
        ra.resize(n);
        rb.resize(n);
        auto numbers = [&](std::size_t k) { return !ra[k].empty() && !rb[k].empty() && digit(ra[k][0]) && digit(rb[k][0]); };
        for (int pass = mode == 1 ? 2 : 0; pass < 3 && r == 0; ++pass) {  // 0: text pairs, 1: numbers, 2: all
            for (std::size_t k = 0; k < n && r == 0; ++k) {
                if (pass != 2 && numbers(k) != (pass == 1)) continue;
                r = numbers(k) ? reference_numbers(ra[k], rb[k]) : reference_text(ra[k], rb[k]);
            }
        }
    }
    return r;
}

// Names of alternating text and digit runs: leading zeros, long and wrapping
// digit runs, mixed case, bytes of 0x80 and above, sometimes past 255 bytes or
// 20 runs.
struct NameMaker {
    std::mt19937 random{4711};
    int below(std::size_t n) { return static_cast<int>(random() % n); }
    std::string pick(const std::string& from, int max_length) {
        std::string run(1 + below(max_length), ' ');
        for (char& c : run) c = from[below(from.size())];
        return run;
    }
    std::string digits(int max_length) { return pick("00123456789", max_length); }
    std::string text() { return pick(std::string("aAbBzZ_.- [`~") + "\x7f\x80\x82\x93\xfa\xff\x4f", 3); }
    std::string name(int max_digits) {
        std::string result = below(20) == 0 ? std::string(240 + below(20), 'x') : "";
        const int runs = below(8) == 0 ? 18 + below(6) : 1 + below(6), digits_at = below(2);
        for (int k = 0; k < runs; ++k) result += k % 2 == digits_at ? digits(max_digits) : text();
        return result;
    }
    // A name sharing a leading part with the given one.
    std::string variant(const std::string& name) {
        const std::string head = name.substr(0, below(name.size() + 1)), tail = name.substr(head.size());
        switch (below(4)) {
            case 0: return head + "0" + tail;
            case 1: return head + tail.substr(tail.empty() ? 0 : 1);
            case 2: return head + text() + tail;
            default: return head + digits(3);
        }
    }
};

TEST(NameKey, ComparisonMatchesTheRulesOnGeneratedNames) {
    NameMaker maker;
    for (int i = 0; i < 5000; ++i) {
        const std::string a = maker.name(12);
        std::string b = maker.below(2) ? maker.variant(a) : maker.name(12);
        if (maker.below(50) == 0) b.insert(maker.below(b.size() + 1), 1, '\0');
        for (int32_t mode : {0, 1, 2}) {
            auto where = [&] { return "'" + a + "' against '" + b + "', mode " + std::to_string(mode); };
            const int32_t expected = reference_compare(a, b, mode);
            ASSERT_EQ(compare_names(a, b, mode, 2), expected) << where();
            ASSERT_EQ(compare_names(a, b, mode, 0), expected) << where();
            ASSERT_EQ(compare_names(a, b, mode, 1), expected == INT32_MIN ? INT32_MIN : -expected) << where();
            if (mode == 2) {
                ASSERT_EQ(compare_names(a, b, 7, 2), expected) << where();  // any other mode is mode 2
            }
        }
    }
}

// Names whose runs are of the same kinds run by run, as a folder of camera
// pictures has them: the text runs differ in length, case and bytes at any
// run, the digit runs in value.
TEST(NameKey, SameShapedNamesCompareByTheRules) {
    NameMaker maker;
    for (int i = 0; i < 3000; ++i) {
        const int runs = 1 + maker.below(maker.below(10) == 0 ? 24 : 7), digits_at = maker.below(2);
        std::string a, b;
        for (int k = 0; k < runs; ++k) {
            const bool digits = k % 2 == digits_at;
            const std::string run = digits ? maker.digits(11) : maker.text();
            a += run;
            b += maker.below(3) == 0 ? run : digits ? maker.digits(11) : maker.text();
        }
        for (int32_t mode : {1, 2}) {
            ASSERT_EQ(compare_names(a, b, mode, 2), reference_compare(a, b, mode))
                << "'" << a << "' against '" << b << "', mode " << mode;
        }
    }
}

// Where the comparison is a strict weak order, a stable sort has exactly one
// result: without wrapping digit runs for modes 0 and 1, and for mode 2 when
// all names have the same shape of runs.
TEST(NameKey, SortMatchesAStableSortByTheRules) {
    NameMaker maker;
    for (int32_t mode : {0, 1, 2}) {
        for (int32_t direction : {1, 2}) {
            std::vector<std::string> names;
            for (int i = 0; i < 300; ++i) {
                names.push_back(mode < 2 ? maker.name(9) : maker.text() + maker.digits(4) + maker.text() + maker.digits(2));
                if (i % 3 == 0) names.push_back(names.back());  // equal names keep their order
            }
            SortList list;
            for (std::size_t i = 0; i < names.size(); ++i) list.append(names[i], static_cast<int32_t>(i) * 3);
            SortState sort;
            sort.sort_mode = static_cast<SortMode>(mode);
            sort.sort_direction[0] = static_cast<SortDirection>(direction);
            ASSERT_TRUE(sort_items(list, 0, sort));

            std::vector<int32_t> expected(names.size());
            for (std::size_t i = 0; i < names.size(); ++i) expected[i] = static_cast<int32_t>(i) * 3;
            std::stable_sort(expected.begin(), expected.end(), [&](int32_t x, int32_t y) {
                const int32_t r = reference_compare(names[x / 3], names[y / 3], mode);
                return direction == 1 ? r > 0 : r < 0;
            });
            for (std::size_t i = 0; i < names.size(); ++i) {
                ASSERT_EQ(list.items()[i].param, expected[i]) << "mode " << mode << ", direction " << direction << ", at " << i;
            }
        }
    }
}

}  // namespace
}  // namespace tervo
