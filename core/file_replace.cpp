#include "core/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include "core/stale_temps.h"

namespace tervo {
namespace {

// The file that is really written: where a link leads, and what is there now.
// Relative names are taken from the folder open as `base`.
struct Target {
    int base = AT_FDCWD;
    std::string path;    // the name to put the new file under
    std::string folder;  // the folder that holds it
    bool exists = false;
    struct stat info {};
};

std::string folder_of(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// An existing file may be replaced only when we could write it in place:
// the access check covers the permissions of ordinary users, a read-only
// file system and the immutable attribute, and since the superuser passes
// any permission check, a file without any write bit counts as
// write-protected for everybody. (Checked without opening the file, so a
// watcher sees no write and nothing can block.)
bool may_overwrite(int base, const std::string& path, struct stat& info) {
    if (::fstatat(base, path.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return false;
    if (!S_ISREG(info.st_mode)) {
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    if ((info.st_mode & 0222) == 0) {
        errno = EACCES;
        return false;
    }
    return ::faccessat(base, path.c_str(), W_OK, AT_EACCESS) == 0;
}

// The absolute name of the file a link leads to, through all its levels; a
// dangling link or a loop fails, so a link never leads to a file being
// created.
bool link_destination(int base, const std::string& link, std::string& destination) {
    using CString = std::unique_ptr<char, decltype(&std::free)>;
    if (base == AT_FDCWD || link.front() == '/') {
        CString real(::realpath(link.c_str(), nullptr), &std::free);
        if (real) destination = real.get();
        return real != nullptr;
    }
    // realpath() knows only the current folder; the descriptor of what the
    // link leads to knows its own name.
    const int fd = ::openat(base, link.c_str(), O_PATH | O_CLOEXEC);
    if (fd < 0) return false;
    CString real(::realpath(descriptor_path(fd).c_str(), nullptr), &std::free);
    const int error = errno;
    ::close(fd);
    errno = error;
    if (real) destination = real.get();
    return real != nullptr;
}

bool resolve_target(int base, const std::string& path, Target& target) {
    target.base = base;
    if (path.empty() || path.back() == '/') {
        errno = path.empty() ? ENOENT : EISDIR;
        return false;
    }
    struct stat link_info {};
    if (::fstatat(base, path.c_str(), &link_info, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT) return false;
        target.path = path;
        target.folder = folder_of(path);
        return true;
    }
    if (S_ISLNK(link_info.st_mode)) {
        if (!link_destination(base, path, target.path)) return false;
    } else {
        target.path = path;
    }
    target.folder = folder_of(target.path);
    target.exists = true;
    return may_overwrite(base, target.path, target.info);
}

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) errno = ENOSPC;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

mode_t new_file_mode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Gives the staged file the target's permissions and contents and makes
// it durable.
bool fill(int fd, const Target& target, std::string_view bytes) {
    if (target.exists) {
        // Keeping the owner matters when the superuser saves a user's file;
        // an ordinary user cannot give a file away, and that is no failure.
        if (target.info.st_uid != ::geteuid() || target.info.st_gid != ::getegid())
            (void)::fchown(fd, target.info.st_uid, target.info.st_gid);
    }
    const mode_t mode = target.exists ? (target.info.st_mode & 07777) : new_file_mode();
    return ::fchmod(fd, mode) == 0 && write_all(fd, bytes) && ::fsync(fd) == 0;
}

void sync_folder(const Target& target) {
    int fd = ::openat(target.base, target.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

std::string temp_path_in(const std::string& folder) {
    std::string name = make_temp_name(current_temp_owner());
    return folder == "." ? name : (folder == "/" ? "/" : folder + "/") + name;
}

// Gives an unnamed file a name; the /proc path works for everybody, the
// empty path only with the privilege to open files by descriptor.
bool link_unnamed(int fd, int base, const std::string& name) {
    if (::linkat(AT_FDCWD, descriptor_path(fd).c_str(), base, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno == EEXIST) return false;
    return ::linkat(fd, "", base, name.c_str(), AT_EMPTY_PATH) == 0;
}

bool move_into_place(const std::string& temp, const Target& target) {
    if (::renameat(target.base, temp.c_str(), target.base, target.path.c_str()) != 0) {
        const int error = errno;
        ::unlinkat(target.base, temp.c_str(), 0);
        errno = error;
        return false;
    }
    return true;
}

enum class Outcome { Done, Failed, Unsupported };

Outcome replace_unnamed(const Target& target, std::string_view bytes) {
    int fd = ::openat(target.base, target.folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) return Outcome::Unsupported;
    if (!fill(fd, target, bytes)) {
        const int error = errno;
        ::close(fd);  // the unnamed file goes with its descriptor
        errno = error;
        return Outcome::Failed;
    }
    Outcome outcome = Outcome::Unsupported;
    // A new file gets its name in one step. An existing one cannot be
    // replaced by a link, so the file is linked under a short temporary
    // name and renamed over it; a kill between the two leaves a temporary
    // that the next save in this folder removes.
    if (!target.exists && link_unnamed(fd, target.base, target.path)) {
        outcome = Outcome::Done;
    } else {
        for (int attempt = 0; attempt < 8 && outcome == Outcome::Unsupported; ++attempt) {
            std::string temp = temp_path_in(target.folder);
            if (link_unnamed(fd, target.base, temp))
                outcome = move_into_place(temp, target) ? Outcome::Done : Outcome::Failed;
            else if (errno != EEXIST) break;
        }
    }
    ::close(fd);
    return outcome;
}

bool replace_named(const Target& target, std::string_view bytes) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::string temp = temp_path_in(target.folder);
        int fd = ::openat(target.base, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        bool written = fill(fd, target, bytes);
        written = ::close(fd) == 0 && written;
        if (!written) {
            const int error = errno;
            ::unlinkat(target.base, temp.c_str(), 0);
            errno = error;
            return false;
        }
        return move_into_place(temp, target);
    }
    return false;
}

// Where the new contents must go into the existing file itself: a rename
// would cut the other names of a file with several links (they would keep
// the old text), and needs a folder we may write, which a user may lack
// for a file that is still his to write.
bool needs_in_place(const Target& target) {
    if (!target.exists) return false;
    return target.info.st_nlink > 1 || ::faccessat(target.base, target.folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0;
}

// Files up to this size are read back before being overwritten, so that a
// write that fails half way can put the old contents back.
constexpr off_t kRestorableBytes = off_t{64} << 20;

bool read_all(int fd, std::string& into, off_t size) {
    into.resize(static_cast<std::size_t>(size));
    std::size_t done = 0;
    while (done < into.size()) {
        ssize_t n = ::pread(fd, into.data() + done, into.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool overwrite(int fd, std::string_view bytes) {
    return ::lseek(fd, 0, SEEK_SET) == 0 && write_all(fd, bytes) &&
           ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && ::fsync(fd) == 0;
}

// Writes the complete contents over the file itself, as an editor saving
// without a backup does: every link sees them, and the folder is not
// written. A failure part way (a full disk when the file grows) puts the
// old contents back when they were small enough to keep.
bool replace_in_place(const Target& target, std::string_view bytes) {
    int fd = ::openat(target.base, target.path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat now {};
    // The name must still stand for the file that was checked.
    if (::fstat(fd, &now) != 0 || !S_ISREG(now.st_mode) || now.st_ino != target.info.st_ino ||
        now.st_dev != target.info.st_dev) {
        ::close(fd);
        return false;
    }
    std::string old;
    const bool restorable = now.st_size <= kRestorableBytes && read_all(fd, old, now.st_size);
    bool written = overwrite(fd, bytes);
    if (!written) {
        const int error = errno;  // the failed write's reason, not the restore's
        if (restorable) (void)overwrite(fd, old);
        ::close(fd);
        errno = error;
        return false;
    }
    return ::close(fd) == 0;
}

}  // namespace

namespace {

// The failure of the step that just failed; every step sets errno.
FileResult failed() { return FileResult{errno != 0 ? errno : EIO}; }

}  // namespace

std::string descriptor_path(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

FileResult replace_file(const std::string& path, std::string_view bytes, Staging staging) {
    return replace_file_at(AT_FDCWD, path, bytes, staging);
}

FileResult replace_file_at(int folder_fd, const std::string& path, std::string_view bytes, Staging staging) {
    errno = 0;
    Target target;
    if (!resolve_target(folder_fd, path, target)) return failed();
    if (needs_in_place(target)) return replace_in_place(target, bytes) ? FileResult{} : failed();
    remove_stale_temps(target.folder, target.base);
    Outcome outcome = staging == Staging::Unnamed ? replace_unnamed(target, bytes) : Outcome::Unsupported;
    if (outcome == Outcome::Unsupported) outcome = replace_named(target, bytes) ? Outcome::Done : Outcome::Failed;
    if (outcome != Outcome::Done) return failed();
    sync_folder(target);
    return {};
}

}  // namespace tervo
