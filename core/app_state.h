// The one process-wide application record.
#pragma once

#include <array>
#include <cstdint>

#include "core/byte_string.h"
#include "imagelib/imgctl.h"

namespace tervo {

// Opaque reference to a window of the platform layer (a QWidget* in the Qt
// implementation, a tag in the test fake). nullptr means "no window".
using WindowHandle = void*;

enum PlayState : int32_t {
    Initial = 0,
    Stopped = 1,
    PlayForward = 2,
    PlayBackward = 3,
    StepForward = 4,
    StepBackward = 5,
};

constexpr int kMaxFiles = 1024;
constexpr int kNameBytes = 260;       // one file name or the folder, NUL included
constexpr int kStartDirBytes = 256;
constexpr int kMaxGifFrames = 99;
constexpr int kGifPathBytes = 256;
constexpr int kSortColumns = 5;

using NameBuffer = std::array<char, kNameBytes>;

struct Settings {
    int32_t file_select = 0;
    int32_t pl_timeno = 5;  // milliseconds
    NameBuffer folder{};    // saved under the key read_foldername
    int32_t psize = 0;
};

struct FileTable {
    std::array<NameBuffer, kMaxFiles> file_names{};
    int32_t file_count = 0;
};

struct ViewState {
    int32_t play_state = Initial;
    int32_t current_index = 0;
    int32_t display_no = 0;
    double scale = 1.0;
    int32_t rotation = 0;
    int32_t scale_fixed = 0;
};

struct ConversionOptions {
    int32_t output_type = 1;  // 1 BMP, 2 JPEG, 3 GIF, 4 PNG
    int32_t jpeg_quality = 100;
    int32_t usage_switch = 0;
    ImageHandle image = 0;
};

struct GifFrames {
    int16_t default_delay = 100;  // hundredths of a second
    int32_t gif_frame_count = 0;
    std::array<std::array<char, kGifPathBytes>, kMaxGifFrames> gif_frame_paths{};
    std::array<ImageHandle, kMaxGifFrames> gif_frame_images{};
};

struct SortState {
    std::array<int32_t, kSortColumns> sort_direction{1, 0, 0, 0, 0};
    int32_t sort_mode = 0;
    WindowHandle sort_toolbar = nullptr;
    WindowHandle sort_list = nullptr;
    WindowHandle sort_status_bar = nullptr;
};

struct AppState {
    Settings settings;
    FileTable files;
    ViewState view;

    WindowHandle main_window = nullptr;
    WindowHandle toolbar = nullptr;
    WindowHandle status_bar = nullptr;
    WindowHandle about_window = nullptr;
    std::array<char, kStartDirBytes> start_directory{};

    GifFrames gif;
    ConversionOptions conversion;
    SortState sort;
};

// The program's single record. Procedures take an AppState& so that tests
// can build records of their own; only main() and the Qt shell use this one.
AppState& app_state();

}  // namespace tervo
