#include "tools/dialog_text.h"

#include <cstdio>

#include "core/settings_file.h"

namespace tervo {

std::string_view dialog_text(std::string_view text) {
    text = text.substr(0, kDialogTextBytes - 1);
    // A NUL typed into a field ends the text, as it would in the buffer.
    return text.substr(0, text.find('\0'));
}

int32_t read_first_character(std::string_view text) { return read_decimal(dialog_text(text).substr(0, 1)); }

int32_t read_time_digits(std::string_view text) {
    text = dialog_text(text);
    std::string digits;
    if (!text.empty()) {
        digits += text[0];
        if (text.size() > 2) digits += text[2];
    }
    return read_decimal(digits);
}

std::string format_display_time(int32_t value, int32_t units_per_second) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%d.%ds", value / units_per_second,
                  (value % units_per_second) / (units_per_second / 10));
    return buffer;
}

}  // namespace tervo
