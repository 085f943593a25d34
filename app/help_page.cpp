#include "app/help_page.h"

#include <cstdio>
#include <system_error>

namespace tervo {

std::vector<std::filesystem::path> help_page_candidates(const std::filesystem::path& program_dir) {
    return {
        (program_dir / TERVO_HELP_DIR_FROM_PROGRAM / kHelpPageName).lexically_normal(),
        program_dir / "help" / kHelpPageName,
    };
}

std::filesystem::path find_help_page(const std::filesystem::path& program_dir) {
    const auto candidates = help_page_candidates(program_dir);
    std::error_code error;
    for (const auto& candidate : candidates)
        if (std::filesystem::is_regular_file(candidate, error)) return candidate;
    return candidates.front();
}

std::filesystem::path running_program_dir() {
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : program.parent_path();
}

std::filesystem::path find_help_page() { return find_help_page(running_program_dir()); }

std::string file_url(const std::filesystem::path& path) {
    std::string url = "file://";
    for (unsigned char c : path.string()) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
        if (plain) {
            url += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            url += escaped;
        }
    }
    return url;
}

}  // namespace tervo
