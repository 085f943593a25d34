#include "imagelib/file_input.h"

#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tervo::imagelib {

FileIdentity identity_of(const struct ::stat& st) {
    FileIdentity identity;
    identity.device = static_cast<uint64_t>(st.st_dev);
    identity.inode = static_cast<uint64_t>(st.st_ino);
    identity.size = static_cast<int64_t>(st.st_size);
    identity.modified_seconds = static_cast<int64_t>(st.st_mtim.tv_sec);
    identity.modified_nanoseconds = static_cast<int64_t>(st.st_mtim.tv_nsec);
    identity.changed_seconds = static_cast<int64_t>(st.st_ctim.tv_sec);
    identity.changed_nanoseconds = static_cast<int64_t>(st.st_ctim.tv_nsec);
    return identity;
}

std::shared_ptr<const FileInput> FileInput::open(const char* path) {
    if (!path || !*path) return nullptr;
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a
    // writer; the fstat below then turns it away.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st {};
    const bool unreadable = ::fstat(fd, &st) != 0;
    if (unreadable || !S_ISREG(st.st_mode) || st.st_size < 0) {
        // No error number for what is not a regular file.
        const int error = unreadable ? errno : 0;
        ::close(fd);
        errno = error;
        return nullptr;
    }
    const int64_t size = std::min<int64_t>(st.st_size, kMaxFileBytes);
    return std::shared_ptr<const FileInput>(new FileInput(fd, size, identity_of(st)));
}

FileInput::~FileInput() { ::close(fd_); }

std::size_t FileInput::read_at(int64_t offset, void* dest, std::size_t count) const {
    if (offset < 0 || offset >= size_ || count == 0) return 0;
    const std::size_t wanted = static_cast<std::size_t>(std::min<int64_t>(static_cast<int64_t>(count), size_ - offset));
    // A regular file reads in full unless it ends (or shrank) meanwhile: a
    // short read is that end, so it is not retried.
    for (;;) {
        const ssize_t got = ::pread(fd_, dest, wanted, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        return got < 0 ? 0 : static_cast<std::size_t>(got);
    }
}

std::size_t FileCursor::read(void* dest, std::size_t count) {
    auto* out = static_cast<unsigned char*>(dest);
    std::size_t done = 0;
    while (done < count) {
        const int64_t offset = position_ - buffer_start_;
        if (buffer_ && offset >= 0 && offset < static_cast<int64_t>(buffer_length_)) {
            const std::size_t n = std::min(count - done, buffer_length_ - static_cast<std::size_t>(offset));
            std::memcpy(out + done, buffer_.get() + offset, n);
            done += n;
            position_ += static_cast<int64_t>(n);
            continue;
        }
        if (count - done >= kReadAhead) {
            const std::size_t got = input_.read_at(position_, out + done, count - done);
            position_ += static_cast<int64_t>(got);
            return done + got;
        }
        if (!buffer_) buffer_ = std::make_unique<unsigned char[]>(kReadAhead);
        buffer_start_ = position_;
        buffer_length_ = input_.read_at(position_, buffer_.get(), kReadAhead);
        if (buffer_length_ == 0) break;
    }
    return done;
}

bool FileCursor::skip(int64_t count) {
    if (count < 0 || count > input_.size() - position_) {
        position_ = input_.size();
        return false;
    }
    position_ += count;
    return true;
}

}  // namespace tervo::imagelib
