// The one open of an image file per load. The path's bytes are opened
// exactly as given, without blocking, and only a regular file is kept; every
// later read of that load goes through this descriptor, so a name swapped
// for a FIFO, a device or another file after the check is never opened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "imagelib/file_identity.h"

struct stat;

namespace tervo::imagelib {

// The identity a file status describes.
FileIdentity identity_of(const struct ::stat& st);

// No load reads past this many bytes, whatever size the file claims.
constexpr int64_t kMaxFileBytes = int64_t{1} << 30;

class FileInput {
public:
    // Nothing when the path cannot be opened or is not a regular file.
    static std::shared_ptr<const FileInput> open(const char* path);

    FileInput(const FileInput&) = delete;
    FileInput& operator=(const FileInput&) = delete;
    ~FileInput();

    // The size seen when the file was opened, at most kMaxFileBytes.
    int64_t size() const { return size_; }

    // The file's status as the descriptor showed it when it was opened.
    const FileIdentity& identity() const { return identity_; }

    // Reads up to `count` bytes at `offset`, never past size(); the number
    // of bytes read, short at the end or when the file shrank meanwhile.
    std::size_t read_at(int64_t offset, void* dest, std::size_t count) const;

private:
    FileInput(int fd, int64_t size, const FileIdentity& identity) : fd_(fd), size_(size), identity_(identity) {}
    int fd_;
    int64_t size_;
    FileIdentity identity_;
};

// Sequential reading over a FileInput, as the codec libraries' callbacks
// want it. Small reads are served from a read-ahead buffer: giflib and
// libspng ask for a few bytes at a time, and a system call for each would
// cost more than the decoding.
class FileCursor {
public:
    explicit FileCursor(const FileInput& input) : input_(input) {}
    std::size_t read(void* dest, std::size_t count);
    bool skip(int64_t count);
    int64_t position() const { return position_; }
    void seek(int64_t position) { position_ = position; }
    const FileInput& input() const { return input_; }

    // Reads at least this large go straight to the file.
    static constexpr std::size_t kReadAhead = std::size_t{64} << 10;

private:
    const FileInput& input_;
    int64_t position_ = 0;
    std::unique_ptr<unsigned char[]> buffer_;
    int64_t buffer_start_ = 0;  // file offset of buffer_[0]
    std::size_t buffer_length_ = 0;
};

}  // namespace tervo::imagelib
