#include "core/stale_temps.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <random>

namespace tervo {
namespace {

// The state letter and start time of a process from /proc/<pid>/stat; the
// command name in brackets may itself hold spaces and brackets, so the
// fields are counted from its last ')'.
struct ProcessStat {
    char state = '?';
    uint64_t start_ticks = 0;
};

std::optional<ProcessStat> read_process_stat(int64_t pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%lld/stat", static_cast<long long>(pid));
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    char buffer[1024];
    ssize_t n = ::read(fd, buffer, sizeof buffer - 1);
    ::close(fd);
    if (n <= 0) return std::nullopt;
    std::string_view text(buffer, static_cast<std::size_t>(n));
    auto close_paren = text.rfind(')');
    if (close_paren == std::string_view::npos) return std::nullopt;
    text.remove_prefix(close_paren + 1);
    // Fields after the name: 3 state, 4 ppid, ... 22 starttime.
    ProcessStat stat;
    int field = 2;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && text[at] == ' ') ++at;
        std::size_t end = text.find(' ', at);
        if (end == std::string_view::npos) end = text.size();
        ++field;
        std::string_view value = text.substr(at, end - at);
        if (field == 3 && !value.empty()) stat.state = value[0];
        if (field == 22) {
            if (std::from_chars(value.data(), value.data() + value.size(), stat.start_ticks).ec != std::errc{})
                return std::nullopt;
            return stat;
        }
        at = end;
    }
    return std::nullopt;
}

bool read_number(std::string_view& text, uint64_t& value) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end == text.data()) return false;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return true;
}

}  // namespace

TempOwner current_temp_owner() {
    TempOwner owner;
    owner.pid = ::getpid();
    if (auto stat = read_process_stat(owner.pid)) owner.start_ticks = stat->start_ticks;
    return owner;
}

std::string make_temp_name(const TempOwner& owner) {
    static thread_local std::mt19937_64 random{std::random_device{}()};
    char name[80];
    std::snprintf(name, sizeof name, "%.*s%lld-%llu-%08llx", static_cast<int>(kTempPrefix.size()), kTempPrefix.data(),
                  static_cast<long long>(owner.pid), static_cast<unsigned long long>(owner.start_ticks),
                  static_cast<unsigned long long>(random() & 0xffffffffu));
    return name;
}

std::optional<TempOwner> parse_temp_name(std::string_view name) {
    if (name.substr(0, kTempPrefix.size()) != kTempPrefix) return std::nullopt;
    name.remove_prefix(kTempPrefix.size());
    uint64_t pid = 0, ticks = 0;
    if (!read_number(name, pid) || pid == 0 || pid > INT32_MAX) return std::nullopt;
    if (name.empty() || name[0] != '-') return std::nullopt;
    name.remove_prefix(1);
    if (!read_number(name, ticks)) return std::nullopt;
    if (name.size() < 2 || name[0] != '-') return std::nullopt;
    for (char c : name.substr(1))
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return std::nullopt;
    return TempOwner{static_cast<int64_t>(pid), ticks};
}

bool owner_has_ended(const TempOwner& owner) {
    if (auto stat = read_process_stat(owner.pid))
        return stat->state == 'Z' || stat->state == 'X' || stat->start_ticks != owner.start_ticks;
    // No /proc entry: either the process is gone or /proc is not there, in
    // which case only a failed signal test proves the end.
    if (::kill(static_cast<pid_t>(owner.pid), 0) == 0) return false;
    if (errno == ESRCH) return true;
    // The process exists but belongs to someone else; without /proc its
    // start time cannot be checked, so it is kept.
    return false;
}

int remove_stale_temps(const std::string& folder, int base_fd) {
    const int folder_fd = ::openat(base_fd, folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_fd < 0) return 0;
    DIR* dir = ::fdopendir(folder_fd);
    if (dir == nullptr) {
        ::close(folder_fd);
        return 0;
    }
    const int dir_fd = ::dirfd(dir);
    const uid_t me = ::geteuid();
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        std::string_view name(entry->d_name);
        auto owner = parse_temp_name(name);
        if (!owner || !owner_has_ended(*owner)) continue;
        struct stat info {};
        if (::fstatat(dir_fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(info.st_mode) || info.st_uid != me) continue;
        if (::unlinkat(dir_fd, entry->d_name, 0) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}

}  // namespace tervo
