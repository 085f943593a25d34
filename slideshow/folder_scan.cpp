#include "slideshow/folder_scan.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "core/diagnostics.h"
#include "slideshow/status_bar.h"

namespace tervo {
namespace {

// A JPEG goes by four extensions in the wild (cameras and browsers save
// ".jpeg" and ".jfif" too); a folder of them must not look half empty.
const std::vector<std::string_view> kPatternExtensions[] = {
    {".bmp"}, {".jpg", ".jpeg", ".jpe", ".jfif"}, {".gif"}, {".png"}};

char fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool ends_with_ignoring_case(std::string_view name, std::string_view suffix) {
    if (name.size() < suffix.size()) return false;
    auto tail = name.substr(name.size() - suffix.size());
    return std::equal(tail.begin(), tail.end(), suffix.begin(), [](char a, char b) { return fold(a) == fold(b); });
}

bool less_ignoring_case(const std::string& a, const std::string& b) {
    auto folded_less = std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [](char x, char y) { return static_cast<unsigned char>(fold(x)) < static_cast<unsigned char>(fold(y)); });
    if (folded_less) return true;
    auto folded_greater = std::lexicographical_compare(
        b.begin(), b.end(), a.begin(), a.end(),
        [](char x, char y) { return static_cast<unsigned char>(fold(x)) < static_cast<unsigned char>(fold(y)); });
    return !folded_greater && a < b;  // names equal but for case: a fixed order
}

// Every entry of the folder whose own name ends in one of the extensions,
// hidden entries and sub-folders included, in case-insensitive name order.
std::vector<std::string> matching_names(const std::string& folder, const std::vector<std::string_view>& extensions) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.empty() ? "." : folder.c_str()), closedir);
    if (!dir) return names;
    while (dirent* entry = readdir(dir.get())) {
        std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (name.size() >= kNameBytes) continue;  // cannot be stored in a table slot
        if (ends_with_any(name, extensions)) names.emplace_back(name);
    }
    std::sort(names.begin(), names.end(), less_ignoring_case);
    return names;
}

// For a pattern outside 1..4 the search is for the folder path itself: it
// finds the folder's own entry, named by its last component.
std::vector<std::string> folder_entry(const std::string& folder) {
    if (folder.empty() || folder.back() == '/') return {};
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0) return {};
    auto slash = folder.rfind('/');
    return {slash == std::string::npos ? folder : folder.substr(slash + 1)};
}

}  // namespace

std::string browse_callback(const AppState& app) { return std::string(text_of(app.settings.folder)); }

void browse_folder(AppState& app, Platform& platform) {
    auto chosen = platform.choose_folder("フォルダを選択", browse_callback(app));
    // A path that does not fit the folder field cannot be used either, nor
    // one with a line feed, which the settings file cannot hold in its line:
    // the next start would show another folder.
    if (!chosen || chosen->empty() || chosen->size() >= kNameBytes || chosen->find('\n') != std::string::npos) {
        platform.message_box(platform.main_window(), "キャンセルしました。", "フォルダ選択", MessageIcon::Warning);
        return;
    }
    set_text(app.settings.folder, *chosen);
    rescan_folder(app, platform);
}

bool ends_with_any(std::string_view name, const std::vector<std::string_view>& extensions) {
    return std::any_of(extensions.begin(), extensions.end(),
                       [name](std::string_view extension) { return ends_with_ignoring_case(name, extension); });
}

bool name_matches_pattern(std::string_view name, int pattern) {
    return pattern >= 1 && pattern <= 4 && ends_with_any(name, kPatternExtensions[pattern - 1]);
}

namespace {

// Stores `names` into the table from index `first_free`, up to its 1024
// names; returns the new number.
int store_names(AppState& app, const std::vector<std::string>& names, int first_free) {
    int n = first_free;
    for (const auto& name : names) {
        if (n >= kMaxFiles) break;
        set_text(app.files.file_names[static_cast<std::size_t>(n)], name);
        ++n;
    }
    return n;
}

}  // namespace

int scan_extension(AppState& app, int pattern, int first_free) {
    if (pattern >= 1 && pattern <= 4) return scan_extensions(app, kPatternExtensions[pattern - 1], first_free);
    return store_names(app, folder_entry(std::string(text_of(app.settings.folder))), first_free);
}

int scan_extensions(AppState& app, const std::vector<std::string_view>& extensions, int first_free) {
    return store_names(app, matching_names(std::string(text_of(app.settings.folder)), extensions), first_free);
}

void rescan_folder(AppState& app, Platform& platform) {
    if (text_of(app.settings.folder).empty()) return;
    platform.discard_prepared_pictures();
    FileTable& table = app.files;
    table.file_count = 0;
    if (app.settings.file_select == 0) {
        for (int pattern = 1; pattern <= 3; ++pattern)
            table.file_count = scan_extension(app, pattern, table.file_count);
    } else {
        table.file_count = scan_extension(app, app.settings.file_select, 0);
    }
    if (table.file_count == 0) {
        // The message is the same for a folder that cannot be read; stderr says why.
        const std::string folder(text_of(app.settings.folder));
        errno = 0;
        if (std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir); !dir)
            report_failure("cannot read the folder", folder, error_text(errno));
        platform.message_box(platform.main_window(), "読み込むファイルが見つかりません。", "ファイル検索",
                             MessageIcon::Warning);
    }
    app.view.play_state = PlayState::Stopped;
    app.view.current_index = -1;
    // A scan ends any play: the timer would otherwise reload the same image on every tick.
    platform.stop_play_timer();
    refresh_status_bar(app, platform);
}

}  // namespace tervo
