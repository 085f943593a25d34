// The main window "Tervo Ver<version>": menu bar, toolbar, the slideshow canvas
// and the status bar. Creating it runs the program's start-up: the settings
// are read, the controls made and a saved folder scanned.
#pragma once

#include <QMainWindow>

#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/version.h"
#include "app/shell/qt_platform.h"
#include "app/shell/viewer_input.h"
#include "slideshow/picture_ahead.h"

class QAction;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QToolBar;

namespace tervo {

class ClientArea;
class StatusBarWidget;

inline constexpr const char* kMainWindowTitle = "Tervo Ver" TERVO_VERSION;
// The toolbar's height; the image is drawn just below it.
inline constexpr int kToolbarHeight = 42;

class MainWindow : public QMainWindow {
public:
    // Reads "Tervo.ini" from the current directory while it is being made,
    // then opens the folder or picture given, or else scans the saved folder.
    explicit MainWindow(AppState& app, const std::vector<std::string>& given_paths = {});
    ~MainWindow() override;

    QtPlatform& platform() { return platform_; }
    // What prepares the show's next pictures; the paint takes them from it.
    PictureAhead& picture_ahead() { return ahead_; }
    ClientArea* client_area() const { return client_; }
    QToolBar* toolbar() const { return toolbar_; }
    StatusBarWidget* status_bar() const { return status_bar_; }
    // The menu's or toolbar's action for a command id (the first one found).
    QAction* command_action(int id) const;
    // What a key or the wheel does on the main window: the toolbar's commands,
    // a step onto the first or last picture, and full screen.
    void run_viewer_action(ViewerAction action);

protected:
    void closeEvent(QCloseEvent* event) override;
    // A folder or picture dropped onto the window opens as if given at start.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Keys that no menu, mnemonic or focused control took, and the wheel and
    // double-click over the picture.
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void create_menu();
    void create_main_controls();
    void follow_size_change(int width);
    bool accepts_drop(const QDropEvent& event) const;
    QAction* command(const char* text, uint16_t id);

    AppState& app_;
    // Declared before the platform, which paints with it: it goes last, and
    // its worker is joined when it goes.
    PictureAhead ahead_;
    QtPlatform platform_;
    ClientArea* client_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    StatusBarWidget* status_bar_ = nullptr;
    WheelSteps wheel_steps_;
};

}  // namespace tervo
