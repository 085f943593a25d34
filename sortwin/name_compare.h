// The digit-aware comparison of two file names by which the sort window
// orders its list. Names are byte strings; only ASCII letters are folded and
// only ASCII digits form numbers, so every byte of 0x80 and above (the bytes
// of multi-byte characters, full-width digits included) is plain text.
#pragma once

#include <cstdint>
#include <string_view>

namespace tervo {

// A name is compared on at most this many bytes.
constexpr int kCompareNameBytes = 255;
// A name is cut into at most this many runs: maximal stretches of ASCII
// digits ("digit runs") or of other bytes ("text runs"); the rest is dropped.
constexpr int kMaxNameRuns = 20;

// Byte-wise comparison of two NUL-terminated strings with a..z folded to
// A..Z: the difference of the first differing folded bytes (-255..255), or 0.
int32_t compare_text(const char* a, const char* b);

// Compares two names, each cut to 255 bytes. Mode 0 compares the whole
// names as text; mode 1 compares run by run, digit pairs by value; any other
// mode compares all non-numeric pairs first and the digit pairs only when
// those are all equal. Direction 1 negates the result (two's complement, so
// the most negative value stays as it is); any other direction keeps it.
int32_t compare_names(std::string_view name1, std::string_view name2, int32_t sort_mode, int32_t direction);

}  // namespace tervo
