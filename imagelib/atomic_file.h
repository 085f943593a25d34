// Writing an encoded image file all or nothing.
#pragma once

#include <QIODevice>

#include <functional>

namespace tervo::imagelib {

// Runs `write` into memory and, when it returns true, replaces the file with
// what it wrote (see replace_file); otherwise nothing on disk changes.
bool write_atomically(const char* path, const std::function<bool(QIODevice&)>& write);

}  // namespace tervo::imagelib
