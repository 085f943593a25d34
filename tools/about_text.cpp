#include "tools/about_text.h"

#include <cstdio>

#include "imagelib/imgctl.h"

namespace tervo {

LibraryVersion linked_library_version() { return {ImgctlVersion(), ImgctlBeta()}; }

std::string about_version_text(LibraryVersion library) {
    const unsigned version = library.version & 0xFFFFu;
    const unsigned beta = library.beta & 0xFFFFu;
    char buffer[256] = {};
    std::snprintf(buffer, sizeof buffer, "imgctl.dllのバージョン：%u.%u-%u", version / 100, version % 100, beta);
    return buffer;
}

}  // namespace tervo
