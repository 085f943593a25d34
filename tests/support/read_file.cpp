#include "tests/support/read_file.h"

#include <fstream>
#include <sstream>

namespace tervo::testing {

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    // Copied as a whole buffer, a read that fails (a folder opens, but
    // cannot be read) ends the copy instead of throwing out of the test.
    if (in) bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace tervo::testing
