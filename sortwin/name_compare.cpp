#include "sortwin/name_compare.h"

#include <algorithm>
#include <cstring>

namespace tervo {
namespace {

bool is_ascii_digit(unsigned char byte) { return byte >= '0' && byte <= '9'; }

unsigned char fold(unsigned char byte) { return (byte >= 'a' && byte <= 'z') ? byte - ('a' - 'A') : byte; }

// Differences are taken modulo 2^32 and read as signed, as the values are.
int32_t wrapping_difference(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

bool is_number_pair(const NameRuns& a, const NameRuns& b, int k) {
    return is_ascii_digit(static_cast<unsigned char>(a.runs[k][0])) &&
           is_ascii_digit(static_cast<unsigned char>(b.runs[k][0]));
}

// Two run values compared by their wrapped difference. A difference of
// exactly 2^31 wraps to the most negative value in both orders, and that value
// also survives negation; it is given the sign of the true difference instead,
// one step short of the limit, so that comparing b with a always gives the
// opposite sign of comparing a with b.
int32_t compare_values(int32_t a, int32_t b) {
    const int32_t d = wrapping_difference(a, b);
    if (d != INT32_MIN) return d;
    return a < b ? INT32_MIN + 1 : INT32_MAX;
}

int32_t compare_run_pair(const NameRuns& a, const NameRuns& b, int k) {
    if (is_number_pair(a, b, k)) return compare_values(run_value(a.runs[k].data()), run_value(b.runs[k].data()));
    return compare_text(a.runs[k].data(), b.runs[k].data());
}

int32_t compare_runs_in_order(const NameRuns& a, const NameRuns& b, int n) {
    for (int k = 0; k < n; ++k) {
        if (int32_t r = compare_run_pair(a, b, k); r != 0) return r;
    }
    return 0;
}

int32_t compare_text_before_numbers(const NameRuns& a, const NameRuns& b, int n) {
    for (int k = 0; k < n; ++k) {
        if (is_number_pair(a, b, k)) continue;
        if (int32_t r = compare_text(a.runs[k].data(), b.runs[k].data()); r != 0) return r;
    }
    for (int k = 0; k < n; ++k) {
        if (!is_number_pair(a, b, k)) continue;
        if (int32_t r = compare_run_pair(a, b, k); r != 0) return r;
    }
    return 0;
}

// A zero-filled 256-byte copy of a name's first 255 bytes (up to its first NUL).
std::array<char, kCompareNameBytes + 1> cut_name(std::string_view name) {
    std::array<char, kCompareNameBytes + 1> buffer{};
    const std::size_t length = strnlen(name.data(), std::min<std::size_t>(name.size(), kCompareNameBytes));
    std::memcpy(buffer.data(), name.data(), length);
    return buffer;
}

}  // namespace

int32_t compare_text(const char* a, const char* b) {
    for (std::size_t i = 0;; ++i) {
        const unsigned char x = fold(static_cast<unsigned char>(a[i]));
        const unsigned char y = fold(static_cast<unsigned char>(b[i]));
        if (x != y) return static_cast<int32_t>(x) - static_cast<int32_t>(y);
        if (x == 0) return 0;
    }
}

NameRuns split_runs(const char* name) {
    enum class Kind { None, Digit, Text };
    NameRuns result;
    const std::size_t length = strnlen(name, kCompareNameBytes);
    auto store = [&](std::size_t start, std::size_t end) {
        std::memcpy(result.runs[result.run_count].data(), name + start, end - start);
        ++result.run_count;
    };

    Kind kind = Kind::None;
    std::size_t start = 0;
    std::size_t i = 0;
    for (; i < length; ++i) {
        const Kind byte_kind = is_ascii_digit(static_cast<unsigned char>(name[i])) ? Kind::Digit : Kind::Text;
        if (byte_kind != kind) {
            if (kind != Kind::None) store(start, i);
            kind = byte_kind;
            start = i;
        }
        // A 21st run has just begun: it and the rest of the name are dropped.
        if (result.run_count >= kMaxNameRuns) break;
    }
    if (i > start) store(start, i);
    return result;
}

int32_t run_value(const char* digits) {
    uint32_t value = 0;
    for (const char* p = digits; is_ascii_digit(static_cast<unsigned char>(*p)); ++p) {
        value = value * 10u + static_cast<uint32_t>(*p - '0');
    }
    return static_cast<int32_t>(value);
}

int32_t compare_names(std::string_view name1, std::string_view name2, int32_t sort_mode, int32_t direction) {
    const auto a = cut_name(name1);
    const auto b = cut_name(name2);
    int32_t r = 0;
    if (sort_mode == 0) {
        r = compare_text(a.data(), b.data());
    } else {
        const NameRuns runs_a = split_runs(a.data());
        const NameRuns runs_b = split_runs(b.data());
        const int n = std::max(runs_a.run_count, runs_b.run_count);
        r = sort_mode == 1 ? compare_runs_in_order(runs_a, runs_b, n) : compare_text_before_numbers(runs_a, runs_b, n);
    }
    return direction == 1 ? wrapping_difference(0, r) : r;
}

}  // namespace tervo
