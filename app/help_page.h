// Where the program's help page is: in the installed tree, found from the
// program's own folder, or beside the program in the build tree.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tervo {

inline constexpr const char* kHelpPageName = "index.html";

// The places looked at, in order, for a program in `program_dir`: the help
// folder of the installed tree (its place relative to the installed program,
// fixed when the program is built), then <program_dir>/help, where the build
// puts a copy.
std::vector<std::filesystem::path> help_page_candidates(const std::filesystem::path& program_dir);

// The first candidate for `program_dir` that is a regular file; the
// installed place when none is, so a broken install names the page it lacks.
std::filesystem::path find_help_page(const std::filesystem::path& program_dir);

// The folder of the running program; empty when it cannot be told.
std::filesystem::path running_program_dir();

// find_help_page for the running program.
std::filesystem::path find_help_page();

// "file://" URL of an absolute path, bytes outside the unreserved set
// percent-encoded.
std::string file_url(const std::filesystem::path& path);

}  // namespace tervo
