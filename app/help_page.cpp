#include "app/help_page.h"

#include <cstdio>
#include <system_error>

namespace tervo {

std::vector<std::filesystem::path> help_page_candidates(const std::filesystem::path& program_dir) {
    return {
        program_dir.parent_path() / "share" / "tervo" / "help" / kHelpPageName,
        program_dir / "help" / kHelpPageName,
        std::filesystem::path(TERVO_HELP_SOURCE_DIR) / kHelpPageName,
    };
}

std::filesystem::path find_help_page() {
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    const auto candidates = help_page_candidates(error ? std::filesystem::path() : program.parent_path());
    for (const auto& candidate : candidates)
        if (std::filesystem::is_regular_file(candidate, error)) return candidate;
    return candidates.back();
}

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
