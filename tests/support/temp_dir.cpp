#include "tests/support/temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace tervo::testing {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tervo-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Tests may leave read-only folders behind; give write access back first.
    for (auto it = std::filesystem::recursive_directory_iterator(
             path_, std::filesystem::directory_options::skip_permission_denied, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempDir::write(const std::string& name, const std::string& bytes) const {
    auto file = path_ / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out << bytes;
    return file;
}

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::filesystem::path corpus_dir() {
    // A checkout elsewhere (a git worktree) names the corpus explicitly.
    for (const char* variable : {"TERVO_CORPUS_DIR", "TERVO_CORPUS"}) {
        if (const char* named = std::getenv(variable); named && *named) {
            const std::filesystem::path dir(named);
            if (std::filesystem::exists(dir / "MANIFEST.tsv")) return std::filesystem::weakly_canonical(dir);
        }
    }
    auto dir = std::filesystem::path(TERVO_SOURCE_DIR) / ".." / "shared" / "corpus";
    if (std::filesystem::exists(dir / "MANIFEST.tsv")) return std::filesystem::weakly_canonical(dir);
    return {};
}

}  // namespace tervo::testing
