// The name comparison on two arbitrary names, any mode and direction: no
// crash, and swapping the names always swaps the sign of the result.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "sortwin/name_compare.h"

namespace {

int sign(int32_t v) { return (v > 0) - (v < 0); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const int32_t mode = static_cast<int8_t>(data[0]) % 4;         // 0, 1, 2 and one "other" value
    const int32_t direction = static_cast<int8_t>(data[1]) % 3;    // 1 negates, others keep
    std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
    // The names are split at the first NUL, as the list hands them over.
    auto split = rest.find('\0');
    std::string_view a = rest.substr(0, split);
    std::string_view b = split == std::string_view::npos ? std::string_view() : rest.substr(split + 1);
    b = b.substr(0, b.find('\0'));
    const int32_t ab = tervo::compare_names(a, b, mode, direction);
    const int32_t ba = tervo::compare_names(b, a, mode, direction);
    if (sign(ab) != -sign(ba)) std::abort();
    if (a == b && ab != 0) std::abort();
    return 0;
}
