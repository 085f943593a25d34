#include "slideshow/open_path.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string_view>

#include "core/diagnostics.h"
#include "imagelib/imgctl.h"
#include "slideshow/folder_scan.h"
#include "slideshow/status_bar.h"

namespace tervo {
namespace {

constexpr const char* kMissing = "指定されたパスが見つかりません。";
constexpr const char* kUnreadable = "指定されたパスが読めません。";
constexpr const char* kNotPicture = "画像ファイルではありません。";
constexpr const char* kOtherFolder = "ほかのフォルダの画像は開きません。";
constexpr const char* kTooLong = "パスが長すぎます。";
constexpr const char* kUnusable = "このパスは使えません。";

constexpr std::size_t kLongestText = kNameBytes - 1;
// A message box names a path in at most this many characters.
constexpr std::size_t kLongestShownPath = 60;

std::string working_directory() {
    std::string buffer(PATH_MAX, '\0');
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) return {};
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(buffer.find('\0'));
    return buffer;
}

// Problems of the file system with a path that exists but cannot be used
// (a loop of links, no permission on a folder on the way, ...).
const char* stat_failure(int error) { return (error == ENOENT || error == ENOTDIR) ? kMissing : kUnreadable; }

bool folder_readable(const std::string& path) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(path.c_str()), closedir);
    return dir != nullptr;
}

// Opened without blocking: a name swapped for a FIFO meanwhile must not hang.
bool file_readable(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    close(fd);
    return true;
}

// Only the header is read: whether the content is a picture this program shows.
bool is_picture(const std::string& path) {
    const ImageHandle image = ToDIB(path.c_str());
    if (image == 0) return false;
    DeleteDIB(image);
    return true;
}

// A folder that the record and the settings file can hold; the message why
// not otherwise.
const char* folder_problem(const std::string& folder) {
    if (folder.size() > kLongestText) return kTooLong;
    // The settings file keeps the folder on one line.
    if (folder.find('\n') != std::string::npos) return kUnusable;
    return nullptr;
}

std::vector<int> filter_patterns(int32_t file_select) {
    if (file_select == 0) return {1, 2, 3};
    return {file_select};
}

void fill_table(AppState& app, const std::vector<int>& patterns) {
    app.files.file_count = 0;
    for (int pattern : patterns) app.files.file_count = scan_extension(app, pattern, app.files.file_count);
}

int index_in_table(const AppState& app, std::string_view name) {
    for (int i = 0; i < app.files.file_count; ++i)
        if (text_of(app.files.file_names[static_cast<std::size_t>(i)]) == name) return i;
    return -1;
}

// The extensions of the newer types, each type's together; no pattern of
// the settings filter lists them.
std::vector<std::string_view> other_type_extensions(std::string_view name) {
    static const std::vector<std::vector<std::string_view>> kTypes = {
        {".webp"}, {".avif"}, {".heic", ".heif"}, {".tif", ".tiff"}, {".jxl"}};
    for (const auto& type : kTypes)
        if (ends_with_any(name, type)) return type;
    return {};
}

// Fills the table so that it holds `name` and returns its index.
int table_with_picture(AppState& app, const std::string& name) {
    fill_table(app, filter_patterns(app.settings.file_select));
    int index = index_in_table(app, name);
    const int own = pattern_of_name(name);
    if (index < 0 && own != 0) {
        fill_table(app, {own});
        index = index_in_table(app, name);
    }
    const std::vector<std::string_view> others = other_type_extensions(name);
    if (index < 0 && !others.empty()) {
        app.files.file_count = scan_extensions(app, others, 0);
        index = index_in_table(app, name);
    }
    if (index < 0) {
        index = app.files.file_count < kMaxFiles ? app.files.file_count++ : kMaxFiles - 1;
        set_text(app.files.file_names[static_cast<std::size_t>(index)], name);
    }
    return index;
}

void open_picture(AppState& app, Platform& platform, const std::string& folder, const std::string& name,
                  OpenedFrom from) {
    set_text(app.settings.folder, folder);
    const int index = table_with_picture(app, name);
    ViewState& view = app.view;
    view.play_state = PlayState::Stopped;
    view.current_index = index;
    view.scale_fixed = false;  // the size mode applies afresh, as after a step
    platform.stop_play_timer();
    refresh_status_bar(app, platform);
    if (from == OpenedFrom::Drop) platform.repaint(true);
}

}  // namespace

const char* open_caption(OpenedFrom from) { return from == OpenedFrom::CommandLine ? "起動" : "ドロップ"; }

int pattern_of_name(const std::string& name) {
    for (int pattern = 1; pattern <= 4; ++pattern)
        if (name_matches_pattern(name, pattern)) return pattern;
    return 0;
}

std::string absolute_path(const std::string& path) {
    std::string joined = path;
    if (path.empty() || path.front() != '/') {
        const std::string cwd = working_directory();
        if (cwd.empty()) return {};
        joined = join_path(cwd, path);
    }
    std::vector<std::string_view> parts;
    bool climbs = false;
    std::string_view rest = joined;
    while (!rest.empty()) {
        const auto slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".") continue;
        if (part == "..") climbs = true;
        parts.push_back(part);
    }
    if (climbs) {
        std::unique_ptr<char, void (*)(void*)> resolved(realpath(joined.c_str(), nullptr), free);
        return resolved ? std::string(resolved.get()) : std::string();
    }
    std::string clean;
    for (std::string_view part : parts) {
        clean += '/';
        clean += part;
    }
    return clean.empty() ? "/" : clean;
}

std::string elided_path(const std::string& path, std::size_t longest) {
    // Counted in characters, cut only between them; bytes that are not
    // UTF-8 count one each.
    const auto starts_character = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; };
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < path.size(); ++i)
        if (starts_character(path[i]) || i == 0) starts.push_back(i);
    if (starts.size() <= longest || longest < 3) return path;
    const std::size_t head = (longest - 1) / 2;
    const std::size_t tail = longest - 1 - head;
    return path.substr(0, starts[head]) + "\u2026" + path.substr(starts[starts.size() - tail]);
}

namespace {

void tell(Platform& platform, OpenedFrom from, const char* text, const std::string& path) {
    report_failure("", path, text);
    std::string shown = text;
    if (!path.empty()) shown += "\n" + elided_path(path, kLongestShownPath);
    platform.message_box(platform.main_window(), shown, open_caption(from), MessageIcon::Warning);
}

// The folder `given` opens, or its message.
struct Opening {
    std::string folder;
    std::string name;  // empty for a folder
    const char* problem = nullptr;
};

Opening refused(const char* problem) { return {{}, {}, problem}; }
Opening opens(const std::string& folder, const std::string& name) { return {folder, name, nullptr}; }

Opening check_path(const std::string& given) {
    struct stat info {};
    if (given.empty()) return refused(kMissing);
    if (stat(given.c_str(), &info) != 0) return refused(stat_failure(errno));
    const std::string path = absolute_path(given);
    if (path.empty()) return refused(kUnreadable);

    if (S_ISDIR(info.st_mode)) {
        if (const char* problem = folder_problem(path)) return refused(problem);
        if (!folder_readable(path)) return refused(kUnreadable);
        return opens(path, {});
    }

    if (!S_ISREG(info.st_mode)) return refused(kNotPicture);
    const auto slash = path.rfind('/');
    const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    const std::string name = path.substr(slash + 1);
    if (name.size() > kLongestText) return refused(kTooLong);
    if (const char* problem = folder_problem(folder)) return refused(problem);
    // The folder itself need not be listable: the picture is then the table.
    if (!file_readable(path)) return refused(kUnreadable);
    if (!is_picture(path)) return refused(kNotPicture);
    return opens(folder, name);
}

// A folder shows its first picture at once, as a picture shows itself.
void open_folder(AppState& app, Platform& platform, const std::string& folder, OpenedFrom from) {
    set_text(app.settings.folder, folder);
    rescan_folder(app, platform);
    if (app.files.file_count == 0) return;
    app.view.current_index = 0;
    app.view.scale_fixed = false;
    refresh_status_bar(app, platform);
    if (from == OpenedFrom::Drop) platform.repaint(true);
}

// The other paths given with the one opened: those outside its folder are
// left alone, with one message naming the first of them.
void tell_other_folders(Platform& platform, OpenedFrom from, const std::string& folder,
                        const std::vector<std::string>& others) {
    std::vector<std::string> left;
    for (const std::string& other : others) {
        const std::string path = absolute_path(other);
        const auto slash = path.rfind('/');
        const std::string parent = slash == 0 ? "/" : path.substr(0, slash == std::string::npos ? 0 : slash);
        if (path.empty() || (parent != folder && path != folder)) left.push_back(other);
    }
    if (left.empty()) return;
    std::string named = left.front();
    if (left.size() > 1) named += " (+" + std::to_string(left.size() - 1) + ")";
    tell(platform, from, kOtherFolder, named);
}

}  // namespace

bool open_outside_paths(AppState& app, Platform& platform, const std::vector<std::string>& paths, OpenedFrom from) {
    if (paths.empty()) return false;
    const Opening opening = check_path(paths.front());
    if (opening.problem) {
        tell(platform, from, opening.problem, paths.front());
        return false;
    }
    if (opening.name.empty())
        open_folder(app, platform, opening.folder, from);
    else
        open_picture(app, platform, opening.folder, opening.name, from);
    tell_other_folders(platform, from, opening.folder, {paths.begin() + 1, paths.end()});
    return true;
}

}  // namespace tervo
