// The directory the program was started from, where the settings file lives.
#pragma once

namespace tervo {

struct AppState;

// The start directory held open for as long as the record lives: the
// settings file is read and written through this descriptor, so it is
// found even after the directory has been renamed or moved.
class StartDirectory {
public:
    StartDirectory() = default;
    ~StartDirectory();
    StartDirectory(StartDirectory&& other) noexcept;
    StartDirectory& operator=(StartDirectory&& other) noexcept;

    // The descriptor, or -1 when no directory is held.
    int fd() const { return fd_; }

    // Holds the current directory open instead of the one held before;
    // false, holding none, when it cannot be opened.
    bool hold_current();

private:
    void release();
    int fd_ = -1;
};

// Stores the current directory in the record: its name in start_directory
// and the directory itself, held open. A directory whose name does not fit
// start_directory's 256 bytes leaves the name empty; it is still held.
void capture_start_directory(AppState& app);

}  // namespace tervo
