// Replacing a file all or nothing, in plain C++: the settings file and the
// image writers share it.
#pragma once

#include <string>
#include <string_view>

namespace tervo {

// Writes `bytes` to a temporary file in the target's folder, flushes it to
// the disk and renames it over `path` only when every byte was written.
// On any failure (a full disk, a read-only folder, a target that is a
// folder) the temporary file is removed, an existing file stays untouched
// and the result is false. A replaced file keeps its permissions; a new
// one gets the ordinary ones (0666 less the umask).
bool replace_file(const std::string& path, std::string_view bytes);

}  // namespace tervo
