// Reading back what a test or the program wrote.
#pragma once

#include <filesystem>
#include <string>

namespace tervo::testing {

// The whole contents of a file, byte for byte (empty when it cannot be read).
std::string read_file(const std::filesystem::path& path);

}  // namespace tervo::testing
