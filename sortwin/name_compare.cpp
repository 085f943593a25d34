#include "sortwin/name_compare.h"

#include <cstring>

#include "sortwin/name_key.h"

namespace tervo {
namespace {

bool is_ascii_digit(unsigned char byte) { return byte >= '0' && byte <= '9'; }

unsigned char fold(unsigned char byte) { return (byte >= 'a' && byte <= 'z') ? byte - ('a' - 'A') : byte; }

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
    const bool with_runs = sort_mode != 0;
    return compare_keys(NameKey(name1, with_runs), NameKey(name2, with_runs), sort_mode, direction);
}

}  // namespace tervo
