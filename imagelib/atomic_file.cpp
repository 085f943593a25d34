#include "imagelib/atomic_file.h"

#include <QFile>
#include <QSaveFile>

namespace tervo::imagelib {

bool write_atomically(const char* path, const std::function<bool(QIODevice&)>& write) {
    if (path == nullptr || *path == '\0') return false;
    QSaveFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (!write(file)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace tervo::imagelib
