// Where the program's help page is: installed beside the program, or in the
// build tree and source tree it was built from.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tervo {

inline constexpr const char* kHelpPageName = "index.html";

// The places looked at, in order, for a program in `program_dir`:
// <prefix>/share/tervo/help (installed), <program_dir>/help (build tree),
// then the source tree's resources/help.
std::vector<std::filesystem::path> help_page_candidates(const std::filesystem::path& program_dir);

// The first candidate that exists for the running program; the source tree's
// page when none does.
std::filesystem::path find_help_page();

// "file://" URL of an absolute path, bytes outside the unreserved set
// percent-encoded.
std::string file_url(const std::filesystem::path& path);

}  // namespace tervo
