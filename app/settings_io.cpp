#include "app/settings_io.h"

#include "core/diagnostics.h"
#include "core/settings_file.h"

namespace tervo {
namespace {

void show_file_error(Platform& platform, WindowHandle owner) {
    platform.message_box(owner, "ﾌｧｲﾙが開けません", "ﾌｧｲﾙｴﾗｰ", MessageIcon::Warning);
}

}  // namespace

void load_settings(AppState& app, Platform& platform, WindowHandle owner, const char* file_name) {
    if (const FileResult read = read_settings_file(app, file_name); !read) {
        report_failure("cannot read the settings file", settings_path(app, file_name), error_text(read.error));
        show_file_error(platform, owner);
    }
}

bool save_settings(AppState& app, Platform& platform, WindowHandle owner, const char* file_name) {
    if (const FileResult written = write_settings_file(app, file_name); !written) {
        report_failure("cannot write the settings file", settings_path(app, file_name), error_text(written.error));
        show_file_error(platform, owner);
        return false;
    }
    return true;
}

}  // namespace tervo
