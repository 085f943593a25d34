// The window-system layer on Qt: message boxes, the play timer, synchronous
// repaints onto the main window's canvas, the status bar, the file and folder
// dialogs (Qt's own, never the desktop's), the URL handler and the tool windows.
#pragma once

#include <QTimer>

#include "core/platform.h"

class QWidget;

namespace tervo {

class ClientArea;
class PictureAhead;
class StatusBarWidget;

class QtPlatform : public Platform {
public:
    // `main_window` owns the dialogs and the timer.
    QtPlatform(AppState& app, QWidget* main_window);

    void attach_client_area(ClientArea* client) { client_ = client; }
    void attach_status_bar(StatusBarWidget* status_bar) { status_bar_ = status_bar; }
    // The paint takes the pictures prepared ahead from here.
    void attach_picture_ahead(PictureAhead* ahead) { ahead_ = ahead; }

    WindowHandle main_window() override;
    void message_box(WindowHandle owner, const std::string& text, const std::string& title,
                     MessageIcon icon) override;
    void start_play_timer(int period_ms) override;
    void stop_play_timer() override;
    void repaint(bool erase) override;
    ClientSize client_size() override;
    void set_status_bar(const std::vector<int>& right_edges, const std::vector<std::string>& texts) override;
    std::optional<std::string> choose_folder(const std::string& title, const std::string& initial) override;
    std::optional<OpenFilesResult> open_files(const FileDialogRequest& request) override;
    std::optional<std::string> save_file(const FileDialogRequest& request) override;
    bool open_url(const std::string& url) override;
    void open_tool_window(ToolWindow which) override;
    void close_main_window() override;
    void discard_prepared_pictures() override;

    const QTimer& play_timer() const { return timer_; }

private:
    AppState& app_;
    QWidget* main_window_;
    ClientArea* client_ = nullptr;
    StatusBarWidget* status_bar_ = nullptr;
    PictureAhead* ahead_ = nullptr;
    QTimer timer_;
    // Set when the main window was closed while the folder chooser was open:
    // the program is ending, and messages owned by the window are dropped.
    bool main_window_closed_ = false;
};

}  // namespace tervo
