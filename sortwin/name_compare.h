// The digit-aware comparison of two file names by which the sort window
// orders its list. Names are byte strings; only ASCII letters are folded and
// only ASCII digits form numbers, so every byte of 0x80 and above (the bytes
// of multi-byte characters, full-width digits included) is plain text.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tervo {

// A name is compared on at most this many bytes.
constexpr int kCompareNameBytes = 255;
constexpr int kMaxNameRuns = 20;

// The runs of one name: maximal stretches of ASCII digits ("digit runs") or of
// other bytes ("text runs"), each NUL-terminated in a zero-filled slot, so the
// slots past run_count read as empty strings.
struct NameRuns {
    std::array<std::array<char, kCompareNameBytes + 1>, kMaxNameRuns> runs{};
    int32_t run_count = 0;
};

// Byte-wise comparison of two NUL-terminated strings with a..z folded to
// A..Z: the difference of the first differing folded bytes (-255..255), or 0.
int32_t compare_text(const char* a, const char* b);

// Cuts a NUL-terminated name (at most its first 255 bytes) into at most 20
// runs; everything from the 21st run on is dropped.
NameRuns split_runs(const char* name);

// The decimal value of a digit run, computed modulo 2^32 and read as a signed
// 32-bit number (runs of 10 or more digits wrap).
int32_t run_value(const char* digits);

// Compares two names, each cut to 255 bytes. Mode 0 compares the whole
// names as text; mode 1 compares run by run, digit pairs by value; any other
// mode compares all non-numeric pairs first and the digit pairs only when
// those are all equal. Direction 1 negates the result (two's complement, so
// the most negative value stays as it is); any other direction keeps it.
int32_t compare_names(std::string_view name1, std::string_view name2, int32_t sort_mode, int32_t direction);

}  // namespace tervo
