#include "imagelib/file_identity.h"

#include <sys/stat.h>

#include "imagelib/file_input.h"
#include "imagelib/image_record.h"

namespace tervo {

std::optional<FileIdentity> image_file_identity(ImageHandle image) {
    imagelib::RecordPtr record = imagelib::find_record(image);
    if (!record || !record->source.input) return std::nullopt;
    return record->source.input->identity();
}

std::optional<FileIdentity> path_file_identity(const char* path) {
    struct stat st {};
    if (path == nullptr || ::stat(path, &st) != 0) return std::nullopt;
    return imagelib::identity_of(st);
}

}  // namespace tervo
