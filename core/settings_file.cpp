#include "core/settings_file.h"

#include "core/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

namespace tervo {
namespace {

constexpr std::size_t kReadPiece = 512;
// Four lines of at most kMaxLineBytes each fit many times over; a larger
// file (a sparse one may claim any size) is used as far as this.
constexpr std::size_t kMaxSettingsBytes = std::size_t{64} << 10;

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
        // Every folder the program can hold is read back whole. A longer
        // value cannot be kept, and a cut one would name another folder, so
        // it is ignored like the folder chooser refuses such a path.
        auto value = up_to_nul(line.substr(16));
        if (value.size() <= kMaxFolderBytes) set_text(s.folder, value);
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

namespace {

// Opens the file for reading, creating it empty when nothing has that name.
// Never blocks (a pipe or device named like the file is refused, not
// waited for) and never creates a file through a link that names nothing.
int open_settings_for_reading(int folder_fd, const char* file_name, struct stat& info) {
    errno = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        int fd = ::openat(folder_fd, file_name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0 && errno == ENOENT) {
            // O_EXCL does not follow a link, so a dangling one fails here
            // with EEXIST; so does a file made meanwhile, which the next
            // attempt opens.
            constexpr int kCreate = O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
            fd = ::openat(folder_fd, file_name, kCreate, 0666);
            if (fd < 0 && errno == EEXIST) {
                struct stat link_info {};
                if (::fstatat(folder_fd, file_name, &link_info, AT_SYMLINK_NOFOLLOW) == 0 &&
                    S_ISLNK(link_info.st_mode)) {
                    errno = ELOOP;
                    return -1;
                }
                continue;
            }
        }
        if (fd < 0) return -1;
        const bool unreadable = ::fstat(fd, &info) != 0;
        if (unreadable || !S_ISREG(info.st_mode)) {
            const int error = unreadable ? errno : (S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
            ::close(fd);
            errno = error;
            return -1;
        }
        return fd;
    }
    return -1;
}

// The folder the settings file is found in, for one read or write: the
// start directory held open, else the one the record names (opened for
// this use), else the current one. An absolute name needs none.
class SettingsFolder {
public:
    SettingsFolder(const AppState& app, const char* file_name) {
        const std::string_view named = text_of(app.start_directory);
        if (file_name[0] == '/') return;
        if (app.start_folder.fd() >= 0) {
            fd_ = app.start_folder.fd();
        } else if (!named.empty()) {
            owned_ = ::open(std::string(named).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            fd_ = owned_;
            error_ = owned_ < 0 ? errno : 0;
        }
    }
    ~SettingsFolder() {
        if (owned_ >= 0) ::close(owned_);
    }
    SettingsFolder(const SettingsFolder&) = delete;
    SettingsFolder& operator=(const SettingsFolder&) = delete;

    int fd() const { return fd_; }
    // Why the named folder could not be opened; 0 when it was.
    int error() const { return error_; }

private:
    int fd_ = AT_FDCWD;
    int owned_ = -1;
    int error_ = 0;
};

// The name a held directory has now, which may differ from the one
// recorded at start; empty when it cannot be told.
std::string present_name(int folder_fd) {
    std::string name(4096, '\0');
    const ssize_t n = ::readlink(descriptor_path(folder_fd).c_str(), name.data(), name.size());
    if (n <= 0 || name[0] != '/') return {};
    name.resize(static_cast<std::size_t>(n));
    return name;
}

}  // namespace

std::string settings_path(const AppState& app, const char* file_name) {
    if (file_name[0] == '/') return file_name;
    std::string dir = app.start_folder.fd() >= 0 ? present_name(app.start_folder.fd()) : std::string();
    if (dir.empty()) dir = text_of(app.start_directory);
    if (dir.empty()) return file_name;
    return join_path(dir, file_name);
}

FileResult read_settings_file(AppState& app, const char* file_name) {
    const SettingsFolder folder(app, file_name);
    if (folder.error() != 0) return FileResult{folder.error()};
    struct stat info {};
    int fd = open_settings_for_reading(folder.fd(), file_name, info);
    if (fd < 0) return FileResult{errno != 0 ? errno : EIO};
    SettingsLineReader reader(app);
    char piece[kReadPiece];
    FileResult result;
    for (std::size_t total = 0; total < kMaxSettingsBytes;) {
        ssize_t n = ::read(fd, piece, std::min(sizeof piece, kMaxSettingsBytes - total));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) result.error = errno;
        if (n <= 0) break;
        total += static_cast<std::size_t>(n);
        reader.feed(std::string_view(piece, static_cast<std::size_t>(n)));
    }
    reader.finish();
    ::close(fd);
    return result;
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

FileResult write_settings_file(const AppState& app, const char* file_name) {
    const SettingsFolder folder(app, file_name);
    if (folder.error() != 0) return FileResult{folder.error()};
    return replace_file_at(folder.fd(), file_name, format_settings(app));
}

}  // namespace tervo
