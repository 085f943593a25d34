// The program's diagnostics: one line on stderr per failure, saying what
// failed, on which path and why, so that a report of a message box can be
// told apart from every other.
#pragma once

#include <string_view>

namespace tervo {

// Prints "tervo: <what> <path>: <why>" ("tervo: <path>: <why>" when `what`
// is empty).
void report_failure(std::string_view what, std::string_view path, std::string_view why);

// The text of a system error number.
std::string_view error_text(int error);

}  // namespace tervo
