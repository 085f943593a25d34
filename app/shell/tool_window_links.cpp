#include "app/shell/tool_window_links.h"

#include "sortwin/ui/sort_window.h"
#include "tools/ui/tool_windows.h"

namespace tervo {

void run_tool_window(AppState& app, Platform& platform, QWidget* owner, ToolWindow which) {
    // The results of the modal windows are not looked at.
    switch (which) {
    case ToolWindow::Sort:
        run_sort_window(app, platform, owner);
        platform.discard_prepared_pictures();  // the table may have a new order
        break;
    case ToolWindow::Settings: {
        const int32_t psize = app.settings.psize;
        run_settings_dialog(app, platform, owner);
        // Pictures prepared for another size mode would never match again.
        if (app.settings.psize != psize) platform.discard_prepared_pictures();
        break;
    }
    case ToolWindow::Conversion: run_conversion_dialog(app, platform, owner); break;
    case ToolWindow::GifBuilder: run_gif_dialog(app, platform, owner); break;
    case ToolWindow::About: open_about_box(owner); break;
    }
}

}  // namespace tervo
