// The one process-wide application record.
#pragma once

#include <array>
#include <cstdint>

#include "core/byte_string.h"
#include "core/start_directory.h"

namespace tervo {

enum class PlayState : int32_t {
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

// Read from and written back to the settings file as they stand: a value
// out of range is kept, so a file from a later version survives a session.
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
    PlayState play_state = PlayState::Initial;
    int32_t current_index = 0;
    int32_t display_no = 0;
    double scale = 1.0;
    int32_t rotation = 0;
    bool scale_fixed = false;  // the next paint keeps `scale`
};

// The values are the numbers of the type list ("1:Bitmap" ... "4:PNG").
enum class OutputType : int32_t { Bmp = 1, Jpeg = 2, Gif = 3, Png = 4 };

struct ConversionOptions {
    OutputType output_type = OutputType::Bmp;
    int32_t jpeg_quality = 100;
    bool usage_switch = false;
};

struct GifFrames {
    int16_t default_delay = 100;  // hundredths of a second
    int32_t gif_frame_count = 0;
    std::array<std::array<char, kGifPathBytes>, kMaxGifFrames> gif_frame_paths{};
};

enum class SortMode : int32_t {
    Strcmp = 0,     // byte order
    Number = 1,     // text and number runs compared in turn
    TextFirst = 2,  // all text runs first, then the numbers
};

// Per column: None until its header is first clicked, then Up and Down in turn.
enum class SortDirection : int32_t { None = 0, Up = 1, Down = 2 };

struct SortState {
    std::array<SortDirection, kSortColumns> sort_direction{SortDirection::Up, SortDirection::None,
                                                            SortDirection::None, SortDirection::None,
                                                            SortDirection::None};
    SortMode sort_mode = SortMode::Strcmp;
};

struct AppState {
    Settings settings;
    FileTable files;
    ViewState view;
    std::array<char, kStartDirBytes> start_directory{};
    StartDirectory start_folder;  // the same directory, held open

    GifFrames gif;
    ConversionOptions conversion;
    SortState sort;
};

// The program's single record. Procedures take an AppState& so that tests
// can build records of their own; only main() and the Qt shell use this one.
AppState& app_state();

}  // namespace tervo
