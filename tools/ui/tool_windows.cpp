#include "tools/ui/tool_windows.h"

#include "tools/ui/conversion_dialog.h"
#include "tools/ui/gif_dialog.h"
#include "tools/ui/settings_dialog.h"

namespace tervo {

void run_settings_dialog(AppState& app, Platform&, QWidget* owner) {
    SettingsDialog dialog(app, owner);
    dialog.exec();
}

void run_conversion_dialog(AppState& app, Platform& platform, QWidget* owner) {
    ConversionDialog dialog(app, platform, owner);
    dialog.exec();
}

void run_gif_dialog(AppState& app, Platform& platform, QWidget* owner) {
    GifDialog dialog(app, platform, owner);
    dialog.exec();
}

}  // namespace tervo
