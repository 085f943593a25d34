#include "core/diagnostics.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace tervo {

void report_failure(std::string_view what, std::string_view path, std::string_view why) {
    // One write, so lines of two threads never mix.
    std::string line = "tervo: ";
    if (!what.empty()) line.append(what).append(" ");
    line.append(path).append(": ").append(why).append("\n");
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

std::string_view error_text(int error) { return std::strerror(error); }

}  // namespace tervo
