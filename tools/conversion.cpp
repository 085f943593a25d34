#include "tools/conversion.h"

#include <algorithm>

#include "core/diagnostics.h"
#include "core/settings_file.h"
#include "imagelib/imgctl.h"
#include "imagelib/shown_picture.h"
#include "tools/dialog_text.h"
#include "tools/file_filters.h"

namespace tervo {

namespace {

constexpr const char* kTitle = "ファイル変換";

constexpr std::array<const char*, 4> kSuccessTexts = {
    "成功！(BMP)", "成功！(JPG)", "成功！(GIF)", "成功！(PNG)",
};

void show_failure(Platform& platform, WindowHandle dialog) {
    platform.message_box(dialog, "失敗！", kTitle, MessageIcon::Warning);
}

// The shown image's path; empty when no image is shown.
std::string source_path(const AppState& app) {
    const int index = app.view.current_index;
    if (index < 0 || index >= app.files.file_count || index >= kMaxFiles) return {};
    return join_path(text_of(app.settings.folder), text_of(app.files.file_names[index]));
}

int type_number(OutputType type) { return static_cast<int>(type); }

int write_image(const AppState& app, const std::string& path, ImageHandle image) {
    const ConversionOptions& options = app.conversion;
    const int usage_switch = options.usage_switch ? 1 : 0;
    switch (options.output_type) {
        case OutputType::Bmp: return DIBtoBMP(path.c_str(), image);
        case OutputType::Jpeg: return DIBtoJPG(path.c_str(), image, options.jpeg_quality, usage_switch);
        case OutputType::Gif: return DIBtoGIF(path.c_str(), image, usage_switch);
        case OutputType::Png: break;
    }
    return DIBtoPNG(path.c_str(), image, usage_switch);
}

// The image turned, flattened and scaled as the show draws it, one file
// pixel to a logical pixel; empty when any step fails (it would then not be
// what was on show).
Image as_shown(const ViewState& view, Image image) {
    ShowRules rules;
    rules.rotation = view.rotation;
    rules.scale = view.scale;
    return show_picture(std::move(image), rules).image;
}

}  // namespace

ConversionFields conversion_dialog_init(const AppState& app) {
    ConversionFields fields;
    const int type = type_number(app.conversion.output_type);
    // Only 1..4 are ever stored; anything else would show BMP.
    fields.output_type = kOutputTypeEntries[type >= 1 && type <= 4 ? type - 1 : 0];
    fields.quality = std::to_string(app.conversion.jpeg_quality);
    fields.usage_switch = app.conversion.usage_switch;
    return fields;
}

void read_conversion_options(AppState& app, const ConversionFields& fields) {
    app.conversion.output_type =
        static_cast<OutputType>(std::clamp(read_first_character(fields.output_type), kFirstImageType, kLastImageType));
    app.conversion.jpeg_quality = std::clamp(read_decimal(dialog_text(fields.quality)), 1, 100);
    app.conversion.usage_switch = fields.usage_switch;
}

void conversion_save(AppState& app, Platform& platform, WindowHandle dialog, const ConversionFields& fields) {
    // Remembered before the save dialog, so a cancelled save keeps them too.
    read_conversion_options(app, fields);
    const int type = type_number(app.conversion.output_type);

    FileDialogRequest request;
    request.owner = dialog;
    request.title = kTitle;
    request.filters = filters_with_type_first(type);
    request.initial_name = initial_file_name(text_of(app.settings.folder), type_pattern(type));
    const std::optional<std::string> output = platform.save_file(request);
    if (!output) return;

    const std::string source = source_path(app);
    Image loaded = source.empty() ? Image() : Image::load(source.c_str());
    // The user asked for a file: when none was written, say so, and why.
    if (!loaded) {
        report_failure(
            "cannot save", *output,
            source.empty() ? "no picture on show" : "cannot load " + source + ": " + describe(last_image_failure()));
        show_failure(platform, dialog);
        return;
    }
    const Image image = as_shown(app.view, std::move(loaded));
    if (!image || write_image(app, *output, image.get()) == 0) {
        report_failure("cannot save", *output, describe(last_image_failure()));
        show_failure(platform, dialog);
        return;
    }
    platform.message_box(dialog, kSuccessTexts[type - 1], kTitle, MessageIcon::None);
}

}  // namespace tervo
