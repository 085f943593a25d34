// Helpers for the record's fixed-size, NUL-terminated byte-string fields and
// for paths built from them. File names are bytes as the system gives them.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace tervo {

// The text of a NUL-terminated field (never reads past the array).
template <std::size_t N>
std::string_view text_of(const std::array<char, N>& field) {
    return std::string_view(field.data(), strnlen(field.data(), N));
}

// Clears the whole field, then copies at most N-1 bytes of value into it.
template <std::size_t N>
void set_text(std::array<char, N>& field, std::string_view value) {
    field.fill('\0');
    if (!value.empty()) std::memcpy(field.data(), value.data(), std::min(value.size(), N - 1));
}

// "folder" + "/" + "name"; no separator is added when the folder already ends
// in one (the root folder "/").
std::string join_path(std::string_view folder, std::string_view name);

}  // namespace tervo
