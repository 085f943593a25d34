#include "tools/gif_builder.h"

#include <vector>

#include "imagelib/imgctl.h"
#include "tools/dialog_text.h"
#include "tools/file_filters.h"

namespace tervo {

namespace {

constexpr const char* kResultTitle = "GIFファイル作成";

// The folder part of an absolute path: "/a/b.png" gives "/a", "/b.png" "/".
std::string_view parent_of(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return {};
    return path.substr(0, slash == 0 ? 1 : slash);
}

std::string_view name_of(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// What an Insert makes the program's folder: the folder of the (first) file,
// ending in '/' when one file was chosen and without it for several, as the
// open dialog's result had them.
std::string insert_folder(const OpenFilesResult& chosen) {
    const std::string_view parent = parent_of(chosen.paths.front());
    return chosen.paths.size() == 1 ? join_path(parent, "") : std::string(parent);
}

}  // namespace

std::string gif_dialog_init(AppState& app) {
    app.gif.default_delay = 100;
    app.gif.gif_frame_count = 0;
    return format_display_time(app.gif.default_delay, 100);
}

std::vector<std::string> gif_insert(AppState& app, Platform& platform, WindowHandle dialog) {
    const int file_select = app.settings.file_select;
    FileDialogRequest request;
    request.owner = dialog;
    request.title = "ファイル読み出し";
    if (file_select >= kFirstImageType && file_select <= kLastImageType) {
        request.filters = filters_with_type_first(file_select);
    } else {
        request.filters = {all_files_filter()};
    }
    request.initial_name = initial_file_name(text_of(app.settings.folder), type_pattern(file_select));

    const std::optional<OpenFilesResult> chosen = platform.open_files(request);
    if (!chosen || chosen->paths.empty()) return {};
    const std::string folder = insert_folder(*chosen);
    // With several files the result held the folder and a NUL before the names.
    const std::size_t first_name_offset = folder.size() + (chosen->paths.size() == 1 ? 0 : 1);
    if (first_name_offset >= kMaxInsertDirectoryBytes) return {};

    // The builder's folder becomes the program's folder; the file table keeps
    // the names of the previous one until the next scan.
    set_text(app.settings.folder, folder);

    std::vector<std::string> added;
    for (const std::string& path : chosen->paths) {
        if (app.gif.gif_frame_count >= kMaxGifFrames) {
            platform.message_box(dialog, kTooManyFramesText, "GIFﾌｧｲﾙ作成", MessageIcon::Warning);
            break;
        }
        // A path too long for its slot is kept empty rather than cut, so that
        // saving reports it as a file that cannot be opened instead of
        // loading whatever the cut name might point at.
        set_text(app.gif.gif_frame_paths[app.gif.gif_frame_count],
                 path.size() < kGifPathBytes ? std::string_view(path) : std::string_view(""));
        ++app.gif.gif_frame_count;
        added.emplace_back(name_of(path));
    }
    return added;
}

void gif_delete(AppState& app) { app.gif.gif_frame_count = 0; }

void gif_save(AppState& app, Platform& platform, WindowHandle dialog, std::string_view time_text) {
    if (app.gif.gif_frame_count < 2) {
        platform.message_box(dialog, "ファイル２個以上設定して下さい", "GIFﾌｧｲﾙ作成", MessageIcon::Warning);
        return;
    }
    FileDialogRequest request;
    request.owner = dialog;
    request.title = "ファイル作成";
    request.filters = {{"GIFFile(*.gif)", "*.gif"}, all_files_filter()};
    request.initial_name = initial_file_name(text_of(app.settings.folder), "*.gif");
    const std::optional<std::string> output = platform.save_file(request);
    if (!output) return;

    const int32_t delay = read_time_digits(time_text) * 10;

    const int count = app.gif.gif_frame_count;
    // The frames live only while the animation is written; every way out
    // releases them.
    std::vector<Image> frames;
    std::vector<ImageHandle> handles;
    frames.reserve(static_cast<std::size_t>(count));
    handles.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const std::string path(text_of(app.gif.gif_frame_paths[i]));
        Image frame = Image::load(path.c_str());
        // ToDIB reads only the header; damaged pixels must be found here, as
        // a file that cannot be opened, not later as a failed write.
        if (!frame || CheckDIB(frame.get()) == 0) {
            platform.message_box(dialog, "ﾌｧｲﾙが開けません", "ﾌｧｲﾙｴﾗｰ", MessageIcon::Warning);
            return;
        }
        handles.push_back(frame.get());
        frames.push_back(std::move(frame));
    }
    if (DIBtoGIFAni(output->c_str(), handles.data(), count, static_cast<uint16_t>(delay)) != 0) {
        platform.message_box(dialog, "成功！", kResultTitle, MessageIcon::None);
    } else {
        platform.message_box(dialog, "失敗！", kResultTitle, MessageIcon::Warning);
    }
}

}  // namespace tervo
