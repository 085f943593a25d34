#include "imagelib/failure.h"

#include <cstring>

namespace tervo {
namespace {

thread_local ImageFailure last_failure;

}  // namespace

namespace imagelib {

void note_failure(ImageError error, int system_error) { last_failure = ImageFailure{error, system_error}; }

void clear_failure() { last_failure = ImageFailure{}; }

}  // namespace imagelib

ImageFailure last_image_failure() { return last_failure; }

std::string describe(const ImageFailure& failure) {
    std::string text;
    switch (failure.error) {
    case ImageError::None: text = "no image to use"; break;
    case ImageError::CannotOpen: text = "cannot open the file"; break;
    case ImageError::NotAFile: text = "not a regular file"; break;
    case ImageError::UnknownFormat: text = "not a picture in a format Tervo reads"; break;
    case ImageError::DamagedHeader: text = "damaged header"; break;
    case ImageError::TooLarge: text = "larger than the image size cap"; break;
    case ImageError::DamagedPixels: text = "pixels damaged or beyond the memory budget"; break;
    case ImageError::EncodeFailed: text = "the encoder failed"; break;
    case ImageError::CannotWrite: text = "cannot write the file"; break;
    }
    if (failure.system_error != 0) text += std::string(": ") + std::strerror(failure.system_error);
    return text;
}

}  // namespace tervo
