#include "imagelib/decoder.h"

namespace tervo::imagelib {}  // namespace tervo::imagelib
