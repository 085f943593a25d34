// How the tool dialogs turn the texts of their fields back into numbers.
// Only the first 31 bytes of a typed text count.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tervo {

constexpr std::size_t kDialogTextBytes = 32;

// The part of a field's text that counts: its first 31 bytes.
std::string_view dialog_text(std::string_view text);

// Texts such as "2:JPEG": only the first character, read as a decimal
// integer (0 when it is not a digit).
int32_t read_first_character(std::string_view text);

// Times such as "1.5s": the characters at positions 0 and 2 (the digits
// before and after the point) read together as a decimal integer.
int32_t read_time_digits(std::string_view text);

// Formats a time as "%d.%ds": whole seconds and tenths, truncated, from a
// value counted in `units_per_second` (1000 for milliseconds, 100 for
// hundredths).
std::string format_display_time(int32_t value, int32_t units_per_second);

// The display-time lists of the settings dialog and the GIF builder.
inline constexpr std::array<const char*, 14> kDisplayTimeEntries = {
    "0.1s", "0.2s", "0.3s", "0.5s", "0.7s", "1.0s", "1.2s",
    "1.5s", "1.7s", "2.0s", "2.5s", "3.0s", "4.0s", "5.0s",
};

}  // namespace tervo
