// The type lists and initial names of the tools' open and save dialogs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/platform.h"

namespace tervo {

// Image types as the conversion dialog and the file-type setting number
// them: 1 BMP, 2 JPEG, 3 GIF, 4 PNG.
constexpr int kFirstImageType = 1;
constexpr int kLastImageType = 4;

FileFilter all_files_filter();

// The pattern of an image type ("*.jpg" for 2); "*.*" for any other value.
std::string type_pattern(int type);

// The chosen type first, then the other three in the order BMP, JPEG, GIF,
// PNG, then all files. `type` must be 1..4.
std::vector<FileFilter> filters_with_type_first(int type);

// "folder/*.ext": where the dialog opens and the pattern it shows. A folder
// that ends in '/' (the root) gets no second one.
std::string initial_file_name(std::string_view folder, std::string_view pattern);

}  // namespace tervo
