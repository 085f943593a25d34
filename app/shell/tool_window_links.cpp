#include "app/shell/tool_window_links.h"

// The tool windows are built in their own libraries; a checkout that lacks
// one of them still builds, its commands then doing nothing.
#if __has_include("sortwin/ui/sort_window.h")
#include "sortwin/ui/sort_window.h"
#define TERVO_HAS_SORT_WINDOW 1
#endif
#if __has_include("tools/ui/tool_windows.h")
#include "tools/ui/tool_windows.h"
#define TERVO_HAS_TOOL_WINDOWS 1
#endif

namespace tervo {

void run_tool_window([[maybe_unused]] AppState& app, [[maybe_unused]] Platform& platform,
                     [[maybe_unused]] QWidget* owner, ToolWindow which) {
    // The results of the modal windows are not looked at.
    switch (which) {
    case ToolWindow::Sort:
#ifdef TERVO_HAS_SORT_WINDOW
        run_sort_window(app, platform, owner);
        platform.discard_prepared_pictures();  // the table may have a new order
#endif
        break;
#ifdef TERVO_HAS_TOOL_WINDOWS
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
#else
    default: break;
#endif
    }
}

}  // namespace tervo
