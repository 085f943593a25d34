#include "imagelib/atomic_file.h"

#include <QBuffer>

#include <cerrno>

#include "core/file_replace.h"
#include "imagelib/failure.h"

namespace tervo::imagelib {

bool write_atomically(const char* path, const std::function<bool(QIODevice&)>& write) {
    if (path == nullptr || *path == '\0') {
        note_failure(ImageError::CannotWrite, ENOENT);
        return false;
    }
    // The encoders write into memory; the file is then replaced in one
    // checked step. (Qt's QSaveFile was seen to report success for a file
    // left empty on a full disk.)
    QBuffer encoded;
    encoded.open(QIODevice::WriteOnly);
    if (!write(encoded)) {
        note_failure(ImageError::EncodeFailed);
        return false;
    }
    const QByteArray& bytes = encoded.data();
    const FileResult result =
        replace_file(path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (!result) note_failure(ImageError::CannotWrite, result.error);
    return static_cast<bool>(result);
}

}  // namespace tervo::imagelib
