#include "sortwin/name_compare.h"

#include "sortwin/name_key.h"

namespace tervo {
namespace {

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

int32_t compare_names(std::string_view name1, std::string_view name2, int32_t sort_mode, int32_t direction) {
    const bool with_runs = sort_mode != 0;
    return compare_keys(NameKey(name1, with_runs), NameKey(name2, with_runs), sort_mode, direction);
}

}  // namespace tervo
