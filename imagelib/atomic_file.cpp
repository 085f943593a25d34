#include "imagelib/atomic_file.h"

#include <QBuffer>

#include "core/file_replace.h"

namespace tervo::imagelib {

bool write_atomically(const char* path, const std::function<bool(QIODevice&)>& write) {
    if (path == nullptr || *path == '\0') return false;
    // The encoders write into memory; the file is then replaced in one
    // checked step. (Qt's QSaveFile was seen to report success for a file
    // left empty on a full disk.)
    QBuffer encoded;
    encoded.open(QIODevice::WriteOnly);
    if (!write(encoded)) return false;
    const QByteArray& bytes = encoded.data();
    return replace_file(path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

}  // namespace tervo::imagelib
