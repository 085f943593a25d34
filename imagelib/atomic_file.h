// Writing a file all or nothing.
#pragma once

#include <QIODevice>

#include <functional>

namespace tervo::imagelib {

// Runs `write` on a temporary file in the target's folder and renames it
// into place only when `write` returns true; otherwise the temporary file is
// removed and an existing target stays untouched. New files get the ordinary
// permissions (0666 less the umask); a replaced file keeps its own.
bool write_atomically(const char* path, const std::function<bool(QIODevice&)>& write);

}  // namespace tervo::imagelib
