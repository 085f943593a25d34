// Replacing a file all or nothing, in plain C++: the settings file and the
// image writers share it.
#pragma once

#include <string>
#include <string_view>

namespace tervo {

// The outcome of a file operation: true when it was done; otherwise `error`
// is the system's error number (errno) of the step that failed.
struct FileResult {
    int error = 0;
    explicit operator bool() const { return error == 0; }
};

// How the new contents wait until they are complete.
enum class Staging {
    // A file without a name (O_TMPFILE) in the target's folder, given its
    // name only when complete; where the file system cannot do that, a
    // named temporary file is used instead.
    Unnamed,
    // Always a short named temporary file in the target's folder (what a
    // file system without O_TMPFILE gets).
    Named,
};

// Writes `bytes` to a file in the target's folder, flushes it to the disk
// and puts it in place of `path` only when every byte was written.
//
// - A symbolic link is followed through all its levels: the file it names is
//   replaced in its own folder and the link stays as it was. A link that
//   names nothing is never followed to create a file.
// - An existing target must be a regular file we could open for writing and
//   not write-protected (it has at least one write permission bit, which
//   also holds for the superuser, who could otherwise write anything).
// - Temporary names are short, so targets with names up to the file
//   system's limit work, and temporaries left by killed runs of the program
//   in that folder are removed.
//
// - A target with more than one link, or in a folder we may not write while
//   the file itself is writable, is written in place once `bytes` is
//   complete: written over from the start, cut to length and flushed. Every
//   link then sees the new contents; a crash during that write leaves the
//   file part new, part old (a failed write puts small files back as they
//   were).
//
// On any failure (a full disk, a read-only folder or file, a target that is
// a folder, a pipe or a dangling link) nothing new is left on the disk, an
// existing file stays untouched and the result is false, with the system's
// error number of the step that failed. A replaced file
// keeps its permissions (and, where allowed, its owner); a new one gets the
// ordinary ones (0666 less the umask).
[[nodiscard]] FileResult replace_file(const std::string& path, std::string_view bytes,
                                      Staging staging = Staging::Unnamed);

// The name under /proc by which the file open as `fd` is reached.
std::string descriptor_path(int fd);

// The same with a relative `path` taken from the folder open as `folder_fd`
// (a descriptor, or AT_FDCWD for the current folder): every step happens in
// that folder even when it is renamed or moved meanwhile.
[[nodiscard]] FileResult replace_file_at(int folder_fd, const std::string& path, std::string_view bytes,
                                         Staging staging = Staging::Unnamed);

}  // namespace tervo
