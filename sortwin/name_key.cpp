#include "sortwin/name_key.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace tervo {
namespace {

bool is_ascii_digit(unsigned char byte) { return byte >= '0' && byte <= '9'; }

int32_t fold(unsigned char byte) { return (byte >= 'a' && byte <= 'z') ? byte - ('a' - 'A') : byte; }

int32_t wrapping_difference(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

// compare_text on two stretches of bytes that hold no NUL, each ending as if
// a terminator followed it. Bytes are compared raw first: equal bytes fold
// equal, so folding is needed only where they differ.
int32_t compare_span(const unsigned char* a, std::size_t length_a, const unsigned char* b, std::size_t length_b) {
    const std::size_t common = std::min(length_a, length_b);
    std::size_t i = 0;
    // Skip equal stretches eight bytes at a time; a differing word is then
    // looked at byte by byte below.
    for (; i + 8 <= common; i += 8) {
        uint64_t x, y;
        std::memcpy(&x, a + i, 8);
        std::memcpy(&y, b + i, 8);
        if (x != y) break;
    }
    for (; i < common; ++i) {
        if (a[i] == b[i]) continue;
        const int32_t x = fold(a[i]), y = fold(b[i]);
        if (x != y) return x - y;
    }
    if (length_a == length_b) return 0;
    // The shorter one's terminator meets a byte of the longer, never a NUL.
    return length_a < length_b ? -fold(b[common]) : fold(a[common]);
}

const unsigned char* bytes(const NameKey& key) { return reinterpret_cast<const unsigned char*>(key.text().data()); }

int32_t compare_text_runs(const NameKey& a, const NameKey& b, int k) {
    const NameRun& x = a.run(k);
    const NameRun& y = b.run(k);
    return compare_span(bytes(a) + x.start, x.length, bytes(b) + y.start, y.length);
}

bool is_number_pair(const NameKey& a, const NameKey& b, int k) { return a.run(k).digits && b.run(k).digits; }

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

int32_t compare_run_pair(const NameKey& a, const NameKey& b, int k) {
    if (is_number_pair(a, b, k)) return compare_values(a.run(k).value, b.run(k).value);
    return compare_text_runs(a, b, k);
}

int32_t compare_runs_in_order(const NameKey& a, const NameKey& b, int n) {
    for (int k = 0; k < n; ++k) {
        if (int32_t r = compare_run_pair(a, b, k); r != 0) return r;
    }
    return 0;
}

int32_t compare_text_before_numbers(const NameKey& a, const NameKey& b, int n) {
    if (a.run_count() == b.run_count() && a.digit_runs() == b.digit_runs()) {
        // Runs of the same kinds pair text with text and digits with digits,
        // so the text pass is one comparison of the joined text runs.
        const std::string_view x = a.text_runs(), y = b.text_runs();
        if (int32_t r = compare_span(reinterpret_cast<const unsigned char*>(x.data()), x.size(),
                                     reinterpret_cast<const unsigned char*>(y.data()), y.size());
            r != 0)
            return r;
        for (uint32_t digits = a.digit_runs(); digits != 0; digits &= digits - 1) {
            const int k = std::countr_zero(digits);
            if (int32_t r = compare_values(a.run(k).value, b.run(k).value); r != 0) return r;
        }
        return 0;
    }
    for (int k = 0; k < n; ++k) {
        if (is_number_pair(a, b, k)) continue;
        if (int32_t r = compare_text_runs(a, b, k); r != 0) return r;
    }
    for (int k = 0; k < n; ++k) {
        if (!is_number_pair(a, b, k)) continue;
        if (int32_t r = compare_values(a.run(k).value, b.run(k).value); r != 0) return r;
    }
    return 0;
}

}  // namespace

NameKey::NameKey(std::string_view name, bool with_runs) {
    const std::size_t limit = std::min<std::size_t>(name.size(), kCompareNameBytes);
    text_ = name.substr(0, strnlen(name.data(), limit));
    if (!with_runs) return;

    const unsigned char* p = bytes(*this);
    const std::size_t length = text_.size();
    std::size_t start = 0;
    while (start < length && run_count_ < kMaxNameRuns) {
        const bool digits = is_ascii_digit(p[start]);
        std::size_t end = start + 1;
        uint32_t value = digits ? static_cast<uint32_t>(p[start] - '0') : 0;
        while (end < length && is_ascii_digit(p[end]) == digits) {
            if (digits) value = value * 10u + static_cast<uint32_t>(p[end] - '0');
            ++end;
        }
        if (digits) {
            digit_runs_ |= 1u << run_count_;
        } else {
            std::memcpy(text_runs_.data() + text_runs_length_, p + start, end - start);
            text_runs_length_ = static_cast<uint16_t>(text_runs_length_ + (end - start));
            text_runs_[text_runs_length_++] = '\0';
        }
        runs_[run_count_++] = NameRun{static_cast<uint8_t>(start), static_cast<uint8_t>(end - start), digits,
                                      static_cast<int32_t>(value)};
        start = end;
    }
}

int32_t compare_keys(const NameKey& a, const NameKey& b, int32_t sort_mode, int32_t direction) {
    int32_t r = 0;
    if (sort_mode == 0) {
        r = compare_span(bytes(a), a.text().size(), bytes(b), b.text().size());
    } else {
        const int n = std::max(a.run_count(), b.run_count());
        r = sort_mode == 1 ? compare_runs_in_order(a, b, n) : compare_text_before_numbers(a, b, n);
    }
    return direction == 1 ? wrapping_difference(0, r) : r;
}

}  // namespace tervo
