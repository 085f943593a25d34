// Everything the program's procedures ask of the window system goes through
// this interface: the Qt shell implements it, the tests use a recording fake.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/app_state.h"

namespace tervo {

// A window of the platform layer as the procedures name it: passed back to
// the platform as the owner of what it shows, never looked into. The Qt
// shell derives it from the window, the test fake uses tags; the empty
// handle (nullptr) names no window.
class WindowHandle {
public:
    constexpr WindowHandle() = default;
    constexpr WindowHandle(std::nullptr_t) {}
    constexpr explicit WindowHandle(std::uintptr_t id) : id_(id) {}

    constexpr std::uintptr_t id() const { return id_; }
    friend constexpr bool operator==(WindowHandle, WindowHandle) = default;

private:
    std::uintptr_t id_ = 0;
};

enum class MessageIcon { None, Warning };

struct ClientSize {
    int width = 0;
    int height = 0;
};

// One entry of a file dialog's type list: "JPGFile(*.jpg)" with "*.jpg".
struct FileFilter {
    std::string text;
    std::string pattern;
};

struct FileDialogRequest {
    WindowHandle owner = nullptr;
    std::string title;
    std::vector<FileFilter> filters;  // the first one is selected
    std::string initial_name;         // folder + "/*.ext": opens there, shows the pattern
};

// What a multi-select open dialog returns: the absolute path of every file
// chosen, in the dialog's order. Names typed with a folder of their own keep
// it, so one selection may span several folders.
struct OpenFilesResult {
    std::vector<std::string> paths;
};

// The tool windows the main window's commands open.
enum class ToolWindow { Settings, Sort, Conversion, GifBuilder, About };

class Platform {
public:
    virtual ~Platform() = default;

    // The main window, owner of what its own procedures show (nullptr
    // before it exists).
    virtual WindowHandle main_window() = 0;

    // Modal message box with a single OK button.
    virtual void message_box(WindowHandle owner, const std::string& text, const std::string& title,
                             MessageIcon icon) = 0;

    // The play timer (one per program). Starting a running timer restarts it.
    virtual void start_play_timer(int period_ms) = 0;
    virtual void stop_play_timer() = 0;

    // Invalidates the whole main window and paints it before returning;
    // erase fills the client area with the light-grey background first.
    virtual void repaint(bool erase) = 0;

    // The main window's client area (toolbar and status bar included).
    virtual ClientSize client_size() = 0;

    // The eight parts of the main status bar: right edges and texts (UTF-8).
    virtual void set_status_bar(const std::vector<int>& right_edges, const std::vector<std::string>& texts) = 0;

    // Folder chooser opened on `initial`; an absolute path, or nothing when
    // cancelled. It has no owner: the main window keeps taking commands (a
    // running show can be stopped or stepped) while it is open.
    virtual std::optional<std::string> choose_folder(const std::string& title, const std::string& initial) = 0;

    virtual std::optional<OpenFilesResult> open_files(const FileDialogRequest& request) = 0;

    // Save dialog; asks before replacing an existing file. The name exactly as
    // typed or chosen (no extension added), or nothing when cancelled.
    virtual std::optional<std::string> save_file(const FileDialogRequest& request) = 0;

    // Opens a URL with the desktop's handler; false when none could be started.
    virtual bool open_url(const std::string& url) = 0;

    // Opens one of the tool windows (modal ones return when closed).
    virtual void open_tool_window(ToolWindow which) = 0;

    // Destroys the main window, which ends the program's loop.
    virtual void close_main_window() = 0;

    // Forgets every picture prepared ahead of the show: what changes the
    // view or the file table calls it where it makes the change.
    virtual void discard_prepared_pictures() {}
};

}  // namespace tervo
