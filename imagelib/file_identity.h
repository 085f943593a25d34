// Which file an image was read from: enough of the file's status to tell,
// later, whether the name still stands for the same unchanged content.
#pragma once

#include <cstdint>
#include <optional>

#include "imagelib/imgctl.h"

namespace tervo {

struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t modified_seconds = 0;
    int64_t modified_nanoseconds = 0;
    // The status change time: a rewrite in place that sets the modification
    // time back (touch -r, cp -p, rsync --inplace -t) or a change of the
    // permissions still moves it, and no user can set it back.
    int64_t changed_seconds = 0;
    int64_t changed_nanoseconds = 0;

    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file behind a loaded image, as its descriptor showed
// it when the image was opened (every decode of the image reads that
// descriptor). Nothing for a handle that is not live.
std::optional<FileIdentity> image_file_identity(ImageHandle image);

// The identity of whatever the path names now (links followed, as a load
// follows them). Nothing when it cannot be stated.
std::optional<FileIdentity> path_file_identity(const char* path);

}  // namespace tervo
