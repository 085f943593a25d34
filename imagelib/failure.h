// Where the library notes why an operation failed, for last_image_failure().
#pragma once

#include "imagelib/imgctl.h"

namespace tervo::imagelib {

// Notes the reason of a failure on this thread (replacing any earlier one).
void note_failure(ImageError error, int system_error = 0);
// Forgets it: an operation the program reports on starts with none.
void clear_failure();

}  // namespace tervo::imagelib
