#include "app/settings_file.h"

#include "imagelib/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace tervo {
namespace {

constexpr const char* kOpenErrorText = "ﾌｧｲﾙが開けません";
constexpr const char* kOpenErrorTitle = "ﾌｧｲﾙｴﾗｰ";
constexpr std::size_t kReadPiece = 512;

void show_file_error(Platform& platform, WindowHandle owner) {
    platform.message_box(owner, kOpenErrorText, kOpenErrorTitle, MessageIcon::Warning);
}

void enter_start_directory(const AppState& app) {
    auto dir = text_of(app.start_directory);
    if (dir.empty()) return;
    // Like the rest of the program, a directory that cannot be entered
    // leaves the current one in place.
    if (chdir(std::string(dir).c_str()) != 0) return;
}

bool starts_with(std::string_view line, std::string_view key) { return line.substr(0, key.size()) == key; }

// The value as a C string would see it: up to the first NUL byte.
std::string_view up_to_nul(std::string_view value) {
    auto nul = value.find('\0');
    return nul == std::string_view::npos ? value : value.substr(0, nul);
}

int32_t read_integer_value(std::string_view value) {
    return read_decimal(up_to_nul(value).substr(0, kMaxIntegerChars));
}

}  // namespace

int32_t read_decimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10u + static_cast<uint32_t>(text[i] - '0');
    if (negative) value = 0u - value;
    return static_cast<int32_t>(value);
}

void parse_settings_line(AppState& app, std::string_view line) {
    Settings& s = app.settings;
    if (starts_with(line, "file_select=")) {
        s.file_select = read_integer_value(line.substr(12));
    } else if (starts_with(line, "pl_timeno=")) {
        s.pl_timeno = read_integer_value(line.substr(10));
    } else if (starts_with(line, "read_foldername=")) {
        // Only the first 256 bytes are cleared: longer tails of an earlier,
        // longer value stay behind the terminator, as in the record's layout.
        auto value = up_to_nul(line.substr(16)).substr(0, kMaxFolderBytes);
        std::fill_n(s.folder.begin(), kMaxFolderBytes + 1, '\0');
        std::copy(value.begin(), value.end(), s.folder.begin());
    } else if (starts_with(line, "psize=")) {
        s.psize = read_integer_value(line.substr(6));
    }
}

void SettingsLineReader::feed(std::string_view bytes) {
    for (char c : bytes) {
        if (c == '\n') {
            end_line();
            continue;
        }
        // One byte of room stays for a CR that turns out to end the line.
        if (line_.size() <= kMaxLineBytes) line_.push_back(c);
        else line_overlong_ = true;
    }
}

void SettingsLineReader::end_line() {
    if (!line_.empty() && line_.back() == '\r') line_.pop_back();
    // A line longer than the limit is parsed on its first kMaxLineBytes bytes.
    if (line_.size() > kMaxLineBytes) line_.resize(kMaxLineBytes);
    parse_settings_line(app_, line_);
    line_.clear();
    line_overlong_ = false;
}

void SettingsLineReader::finish() {
    if (!line_.empty() || line_overlong_) end_line();
}

void load_settings(AppState& app, Platform& platform, WindowHandle owner, const char* file_name) {
    enter_start_directory(app);
    // Opens the file, or creates it empty when it does not exist yet.
    int fd = ::open(file_name, O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    struct stat info {};
    if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (fd >= 0) ::close(fd);
        show_file_error(platform, owner);
        return;
    }
    SettingsLineReader reader(app);
    char piece[kReadPiece];
    for (;;) {
        ssize_t n = ::read(fd, piece, sizeof piece);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        reader.feed(std::string_view(piece, static_cast<std::size_t>(n)));
    }
    reader.finish();
    ::close(fd);
}

std::string format_settings(const AppState& app) {
    const Settings& s = app.settings;
    std::string text;
    text += "file_select=" + std::to_string(s.file_select) + "\r\n";
    text += "pl_timeno=" + std::to_string(s.pl_timeno) + "\r\n";
    text += "read_foldername=" + std::string(text_of(s.folder)) + "\r\n";
    text += "psize=" + std::to_string(s.psize) + "\r\n";
    return text;
}

bool save_settings(AppState& app, Platform& platform, WindowHandle owner, const char* file_name) {
    enter_start_directory(app);
    if (!replace_file(file_name, format_settings(app))) {
        show_file_error(platform, owner);
        return false;
    }
    return true;
}

}  // namespace tervo
