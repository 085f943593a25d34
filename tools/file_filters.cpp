#include "tools/file_filters.h"

#include <array>

namespace tervo {

namespace {

const std::array<FileFilter, 4>& image_filters() {
    static const std::array<FileFilter, 4> filters = {{
        {"BMPFile(*.bmp)", "*.bmp"},
        {"JPGFile(*.jpg)", "*.jpg"},
        {"GIFFile(*.gif)", "*.gif"},
        {"PNGFile(*.png)", "*.png"},
    }};
    return filters;
}

bool is_image_type(int type) { return type >= kFirstImageType && type <= kLastImageType; }

}  // namespace

FileFilter all_files_filter() { return {"AllFile(*.*)", "*.*"}; }

std::string type_pattern(int type) {
    return is_image_type(type) ? image_filters()[type - 1].pattern : all_files_filter().pattern;
}

std::vector<FileFilter> filters_with_type_first(int type) {
    std::vector<FileFilter> filters;
    if (is_image_type(type)) filters.push_back(image_filters()[type - 1]);
    for (int other = kFirstImageType; other <= kLastImageType; ++other) {
        if (other != type) filters.push_back(image_filters()[other - 1]);
    }
    filters.push_back(all_files_filter());
    return filters;
}

std::string initial_file_name(std::string_view folder, std::string_view pattern) {
    return join_path(folder, pattern);
}

}  // namespace tervo
