// Interim file input: enough for the decoders and their tests.
#include "imagelib/file_input.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tervo::imagelib {

std::shared_ptr<const FileInput> FileInput::open(const char* path) {
    if (path == nullptr || *path == '\0') return nullptr;
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    const int64_t size = std::min<int64_t>(st.st_size, kMaxFileBytes);
    return std::shared_ptr<const FileInput>(new FileInput(fd, size));
}

FileInput::~FileInput() { ::close(fd_); }

std::size_t FileInput::read_at(int64_t offset, void* dest, std::size_t count) const {
    if (offset < 0 || offset >= size_) return 0;
    count = std::size_t(std::min<int64_t>(int64_t(count), size_ - offset));
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::pread(fd_, static_cast<char*>(dest) + done, count - done, offset + int64_t(done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += std::size_t(got);
    }
    return done;
}

std::size_t FileCursor::read(void* dest, std::size_t count) {
    const std::size_t got = input_.read_at(position_, dest, count);
    position_ += int64_t(got);
    return got;
}

bool FileCursor::skip(int64_t count) {
    if (count < 0 || position_ + count > input_.size()) {
        position_ = input_.size();
        return false;
    }
    position_ += count;
    return true;
}

}  // namespace tervo::imagelib
