// Each newer format's library decoding a whole file to 8-bit RGBA by its
// own simplest route, nothing shrunk or drawn: the baseline the show's
// chain is measured beside.
#pragma once

#include <string>

namespace tervo::bench {

// Decodes the file by the library its extension names (.webp, .avif,
// .heic, .tif, .jxl); false when it fails.
bool library_full_decode(const std::string& path);

}  // namespace tervo::bench
