#include "core/start_directory.h"

#include <fcntl.h>
#include <unistd.h>

#include <utility>

#include "core/app_state.h"

namespace tervo {

StartDirectory::~StartDirectory() { release(); }

StartDirectory::StartDirectory(StartDirectory&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

StartDirectory& StartDirectory::operator=(StartDirectory&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

void StartDirectory::release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool StartDirectory::hold_current() {
    release();
    // O_PATH: the directory is only named through it, so a directory we may
    // search but not read can be held too.
    fd_ = ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    return fd_ >= 0;
}

void capture_start_directory(AppState& app) {
    app.start_folder.hold_current();
    std::array<char, kStartDirBytes> directory{};
    if (::getcwd(directory.data(), directory.size()) == nullptr) return;
    app.start_directory = directory;
}

}  // namespace tervo
