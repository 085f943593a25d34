// A fresh directory under the system's temporary folder, removed afterwards.
#pragma once

#include <filesystem>
#include <string>

// What a test writes it usually reads back.
#include "tests/support/read_file.h"

namespace tervo::testing {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    // Writes a file of the given bytes below the directory; returns its path.
    std::filesystem::path write(const std::string& name, const std::string& bytes) const;

private:
    std::filesystem::path path_;
};

}  // namespace tervo::testing
