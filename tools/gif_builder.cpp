#include "tools/gif_builder.h"

#include "imagelib/imgctl.h"
#include "tools/dialog_text.h"
#include "tools/file_filters.h"

namespace tervo {

namespace {

constexpr const char* kResultTitle = "GIFファイル作成";

// The directory part of the open dialog's result and the offset of the first
// name in it. With one file the result is the full path, so the directory
// part keeps its trailing '/'; with several it is the directory itself,
// followed by a NUL.
struct InsertResult {
    std::string directory_part;
    std::size_t first_name_offset = 0;
};

std::optional<InsertResult> as_dialog_result(const OpenFilesResult& chosen) {
    if (chosen.names.empty()) return std::nullopt;
    InsertResult result;
    std::size_t bytes = 0;
    if (chosen.names.size() == 1) {
        result.directory_part = join_path(chosen.directory, "");
        result.first_name_offset = result.directory_part.size();
        bytes = result.directory_part.size() + chosen.names[0].size() + 2;
    } else {
        result.directory_part = chosen.directory;
        result.first_name_offset = chosen.directory.size() + 1;
        bytes = result.first_name_offset + 1;
        for (const std::string& name : chosen.names) bytes += name.size() + 1;
    }
    if (bytes > kInsertResultBytes) return std::nullopt;
    return result;
}

void release_frames(AppState& app, int count) {
    for (int i = 0; i < count; ++i) {
        DeleteDIB(app.gif.gif_frame_images[i]);
        app.gif.gif_frame_images[i] = 0;
    }
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
    if (!chosen) return {};
    const std::optional<InsertResult> result = as_dialog_result(*chosen);
    if (!result || result->first_name_offset >= kMaxInsertDirectoryBytes) return {};

    // The builder's folder becomes the program's folder; the file table keeps
    // the names of the previous one until the next scan.
    set_text(app.settings.folder, result->directory_part);

    std::string_view directory = result->directory_part;
    if (!directory.empty() && directory.back() == '/') directory.remove_suffix(1);

    std::vector<std::string> added;
    for (const std::string& name : chosen->names) {
        if (name.empty()) break;
        if (app.gif.gif_frame_count >= kMaxGifFrames) continue;
        // A path too long for its slot is kept empty rather than cut, so that
        // saving reports it as a file that cannot be opened instead of
        // loading whatever the cut name might point at.
        const std::string path = std::string(directory) + '/' + name;
        set_text(app.gif.gif_frame_paths[app.gif.gif_frame_count],
                 path.size() < kGifPathBytes ? std::string_view(path) : std::string_view(""));
        ++app.gif.gif_frame_count;
        added.push_back(name);
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
    for (int i = 0; i < count; ++i) {
        const std::string path(text_of(app.gif.gif_frame_paths[i]));
        app.gif.gif_frame_images[i] = ToDIB(path.c_str());
        if (app.gif.gif_frame_images[i] == 0) {
            platform.message_box(dialog, "ﾌｧｲﾙが開けません", "ﾌｧｲﾙｴﾗｰ", MessageIcon::Warning);
            release_frames(app, i);
            return;
        }
    }
    if (DIBtoGIFAni(output->c_str(), app.gif.gif_frame_images.data(), count, static_cast<uint16_t>(delay)) != 0) {
        platform.message_box(dialog, "成功！", kResultTitle, MessageIcon::None);
    } else {
        platform.message_box(dialog, "失敗！", kResultTitle, MessageIcon::Warning);
    }
    release_frames(app, count);
}

}  // namespace tervo
