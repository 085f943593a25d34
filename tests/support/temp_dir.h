// A fresh directory under the system's temporary folder, removed afterwards.
#pragma once

#include <filesystem>
#include <string>

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

// The whole contents of a file (empty when it cannot be read).
std::string read_file(const std::filesystem::path& path);

// The path of the shared image corpus, or an empty path when it is absent.
// TERVO_CORPUS_DIR in the environment names it elsewhere.
std::filesystem::path corpus_dir();

}  // namespace tervo::testing
