// The texts of the About box "このソフトについて".
#pragma once

#include <cstdint>
#include <string>

namespace tervo {

// The image library's version and beta numbers, as it reports them.
struct LibraryVersion {
    uint32_t version = 0;
    uint32_t beta = 0;
};

// The version the linked image library reports.
LibraryVersion linked_library_version();

// "imgctl.dllのバージョン：%d.%d-%d": version / 100, version mod 100 (no
// leading zero) and beta, each number taken as an unsigned 16-bit value.
std::string about_version_text(LibraryVersion library);

// The lines that name this program's makers, site, tools and library.
inline constexpr const char* kAboutCreatorLine = "Creator By Tervo developers";
inline constexpr const char* kAboutSiteLine = "Web：none; see the help page";
inline constexpr const char* kAboutToolLine = "Development：Qt 6 / C++20";
inline constexpr const char* kAboutLibraryLine = "DLL：imgctl.dll(Tervo, giflib)";

}  // namespace tervo
