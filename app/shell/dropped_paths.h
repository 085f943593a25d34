// What a drop onto the main window carries, as paths the program can open.
#pragma once

#include <optional>
#include <string>
#include <vector>

class QMimeData;

namespace tervo {

// The dropped items' paths, as the bytes the system names them by (names need
// not be valid UTF-8). Nothing when the drop holds no URL or any URL that is
// not a file of this machine.
std::optional<std::vector<std::string>> dropped_local_paths(const QMimeData* data);

}  // namespace tervo
