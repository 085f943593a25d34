#include "tools/conversion.h"

#include <algorithm>

#include "core/settings_file.h"
#include "imagelib/imgctl.h"
#include "slideshow/paint.h"
#include "tools/dialog_text.h"
#include "tools/file_filters.h"

namespace tervo {

namespace {

constexpr const char* kTitle = "ファイル変換";

constexpr std::array<const char*, 4> kSuccessTexts = {
    "成功！(BMP)", "成功！(JPG)", "成功！(GIF)", "成功！(PNG)",
};

void report_failure(Platform& platform, WindowHandle dialog) {
    platform.message_box(dialog, "失敗！", kTitle, MessageIcon::Warning);
}

// The shown image's path; empty when no image is shown.
std::string source_path(const AppState& app) {
    const int index = app.view.current_index;
    if (index < 0 || index >= app.files.file_count || index >= kMaxFiles) return {};
    return join_path(text_of(app.settings.folder), text_of(app.files.file_names[index]));
}

int write_image(const AppState& app, const std::string& path, ImageHandle image) {
    const ConversionOptions& options = app.conversion;
    switch (options.output_type) {
        case 1: return DIBtoBMP(path.c_str(), image);
        case 2: return DIBtoJPG(path.c_str(), image, options.jpeg_quality, options.usage_switch);
        case 3: return DIBtoGIF(path.c_str(), image, options.usage_switch);
        default: return DIBtoPNG(path.c_str(), image, options.usage_switch);
    }
}

}  // namespace

ConversionFields conversion_dialog_init(const AppState& app) {
    const int32_t type = app.conversion.output_type;
    ConversionFields fields;
    // The remembered type is always 1..4 after a save; anything else shows BMP.
    fields.output_type = kOutputTypeEntries[type >= 1 && type <= 4 ? type - 1 : 0];
    fields.quality = std::to_string(app.conversion.jpeg_quality);
    fields.usage_switch = app.conversion.usage_switch == 1;
    return fields;
}

void read_conversion_options(AppState& app, const ConversionFields& fields) {
    app.conversion.output_type = std::clamp(read_first_character(fields.output_type), kFirstImageType, kLastImageType);
    app.conversion.jpeg_quality = std::clamp(read_decimal(dialog_text(fields.quality)), 1, 100);
    app.conversion.usage_switch = fields.usage_switch ? 1 : 0;
}

void conversion_save(AppState& app, Platform& platform, WindowHandle dialog, const ConversionFields& fields) {
    // Remembered before the save dialog, so a cancelled save keeps them too.
    read_conversion_options(app, fields);
    const int type = app.conversion.output_type;

    FileDialogRequest request;
    request.owner = dialog;
    request.title = kTitle;
    request.filters = filters_with_type_first(type);
    request.initial_name = initial_file_name(text_of(app.settings.folder), type_pattern(type));
    const std::optional<std::string> output = platform.save_file(request);
    if (!output) return;

    const std::string source = source_path(app);
    const ImageHandle image = source.empty() ? 0 : ToDIB(source.c_str());
    if (image == 0) {
        // The user asked for a file and none was written: say so.
        report_failure(platform, dialog);
        return;
    }
    if (app.view.rotation != 0) TurnDIB(image, app.view.rotation * 90);
    DIBto24Bit(image);
    image_header header{};
    HeadDIB(image, &header);
    ResizeDIB(image, scaled_length(header_width(header), app.view.scale),
              scaled_length(header_height(header), app.view.scale));
    if (write_image(app, *output, image) != 0) {
        platform.message_box(dialog, kSuccessTexts[type - 1], kTitle, MessageIcon::None);
    } else {
        report_failure(platform, dialog);
    }
    DeleteDIB(image);
}

}  // namespace tervo
