#include "app/shell/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QToolBar>

#include "app/command_table.h"
#include "app/commands.h"
#include "app/settings_io.h"
#include "core/settings_file.h"
#include "app/shell/client_area.h"
#include "app/shell/dropped_paths.h"
#include "app/shell/status_bar_widget.h"
#include "resources/icon_art.h"
#include "resources/image_strip.h"
#include "resources/toolbar_art.h"
#include "slideshow/folder_scan.h"
#include "slideshow/open_path.h"
#include "slideshow/status_bar.h"
#include "ui/window_handle.h"

namespace tervo {
namespace {

// The window leaves the bottom 26 pixels of the screen free (the task bar).
constexpr int kScreenBottomReserve = 26;

}  // namespace

MainWindow::MainWindow(AppState& app, const std::vector<std::string>& given_paths)
    : app_(app), platform_(app, this) {
    setWindowTitle(QString::fromUtf8(kMainWindowTitle));
    setWindowIcon(program_icon());
    create_menu();
    client_ = new ClientArea(this);
    setCentralWidget(client_);
    // The picture takes the keys, which it leaves to the window.
    client_->setFocusPolicy(Qt::StrongFocus);
    client_->setFocus();
    platform_.attach_client_area(client_);
    platform_.attach_picture_ahead(&ahead_);

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    move(0, 0);
    resize(screen.width(), screen.height() - kScreenBottomReserve);

    // What the window does while it is being created, in this order.
    load_settings(app_, platform_, window_handle(this), kSettingsFileName);
    create_main_controls();
    // A path that cannot be opened has had its message: start as without one.
    if (!open_outside_paths(app_, platform_, given_paths, OpenedFrom::CommandLine)) rescan_folder(app_, platform_);
    setAcceptDrops(true);

    client_->on_resized = [this](int width, int) { follow_size_change(width); };
}

MainWindow::~MainWindow() {
    platform_.stop_play_timer();
    platform_.attach_picture_ahead(nullptr);
}

QAction* MainWindow::command(const char* text, uint16_t id) {
    auto* action = new QAction(QString::fromUtf8(text), this);
    action->setData(id);
    connect(action, &QAction::triggered, this, [this, id] { handle_command(app_, platform_, id); });
    return action;
}

void MainWindow::create_menu() {
    QMenuBar* bar = menuBar();
    for (const MenuBarEntry& entry : main_menu()) {
        if (entry.items.empty()) {
            // A command standing on the bar itself: its mnemonic works with Alt.
            bar->addAction(command(entry.text, entry.id));
            continue;
        }
        QMenu* menu = bar->addMenu(QString::fromUtf8(entry.text));
        for (const MenuItem& item : entry.items) menu->addAction(command(item.text, item.id));
    }
}

void MainWindow::create_main_controls() {
    toolbar_ = new QToolBar(client_);
    toolbar_->setObjectName(QStringLiteral("main_toolbar"));
    toolbar_->setMovable(false);
    toolbar_->setFloatable(false);
    toolbar_->setIconSize(QSize(kToolbarImageSize, kToolbarImageSize));
    toolbar_->setFixedHeight(kToolbarHeight);
    toolbar_->setContextMenuPolicy(Qt::PreventContextMenu);
    const QImage strip = toolbar_strip(devicePixelRatioF());
    int image = 0;
    for (const ToolbarButton& button : toolbar_buttons()) {
        QAction* action = command("", button.id);
        action->setIcon(QIcon(QPixmap::fromImage(cut_from_strip(strip, image++, kToolbarImageSize))));
        action->setToolTip(QString::fromUtf8(toolbar_tooltip(button.id)));
        toolbar_->addAction(action);
        // Space must not press whichever button was clicked last.
        toolbar_->widgetForAction(action)->setFocusPolicy(Qt::NoFocus);
    }
    app_.view.play_state = PlayState::Initial;

    status_bar_ = new StatusBarWidget(client_);
    status_bar_->setObjectName(QStringLiteral("main_status_bar"));
    status_bar_->set_part_reserves(status_bar_widest_texts());
    platform_.attach_status_bar(status_bar_);
    client_->set_bars(toolbar_, status_bar_);
}

QAction* MainWindow::command_action(int id) const {
    for (QAction* action : findChildren<QAction*>())
        if (action->data().isValid() && action->data().toInt() == id) return action;
    return nullptr;
}

// A new size: the status bar shows two parts until the paint that follows at
// once restores its eight.
void MainWindow::follow_size_change(int width) {
    status_bar_->set_edges({width - 200, width});
    platform_.discard_prepared_pictures();  // made for the old size
    platform_.repaint(true);
}

// Only files of this machine, and not while a modal window waits for an
// answer: the show must not change under it.
bool MainWindow::accepts_drop(const QDropEvent& event) const {
    return QApplication::activeModalWidget() == nullptr && dropped_local_paths(event.mimeData()).has_value();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (accepts_drop(*event)) event->acceptProposedAction();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (accepts_drop(*event)) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    if (!accepts_drop(*event)) return;
    event->acceptProposedAction();
    // Opened once the drop has ended: a message box must not keep the
    // dragging program waiting for the end of its drag.
    QMetaObject::invokeMethod(
        this, [this, paths = *dropped_local_paths(event->mimeData())] {
            if (QApplication::activeModalWidget() == nullptr)
                open_outside_paths(app_, platform_, paths, OpenedFrom::Drop);
        },
        Qt::QueuedConnection);
}

void MainWindow::run_viewer_action(ViewerAction action) {
    switch (action) {
    case ViewerAction::None: break;
    case ViewerAction::StepForward: handle_command(app_, platform_, tb_step_forward); break;
    case ViewerAction::StepBackward: handle_command(app_, platform_, tb_step_backward); break;
    case ViewerAction::PlayOrStop: play_or_stop(app_, platform_); break;
    case ViewerAction::First: step_to_first(app_, platform_); break;
    case ViewerAction::Last: step_to_last(app_, platform_); break;
    case ViewerAction::ZoomIn: handle_command(app_, platform_, tb_zoom_in); break;
    case ViewerAction::ZoomOut: handle_command(app_, platform_, tb_zoom_out); break;
    case ViewerAction::Rotate: handle_command(app_, platform_, tb_rotate); break;
    case ViewerAction::FullScreen: setWindowState(windowState() ^ Qt::WindowFullScreen); break;
    case ViewerAction::Escape:
        if (isFullScreen())
            setWindowState(windowState() & ~Qt::WindowFullScreen);
        else
            handle_command(app_, platform_, tb_stop);
        break;
    }
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    const ViewerAction action = action_for_key(event->key(), event->modifiers());
    if (action == ViewerAction::None) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    event->accept();
    run_viewer_action(action);
}

void MainWindow::wheelEvent(QWheelEvent* event) {
    event->accept();
    const int delta = event->angleDelta().y();
    const ViewerAction action = wheel_steps_.action(delta, event->modifiers() & Qt::ControlModifier);
    for (int notch = wheel_steps_.notches(delta); notch > 0; --notch) run_viewer_action(action);
}

// Only over the picture: the bars keep their own clicks.
void MainWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    if (childAt(event->position().toPoint()) != client_) {
        QMainWindow::mouseDoubleClickEvent(event);
        return;
    }
    event->accept();
    run_viewer_action(ViewerAction::FullScreen);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The close box and the exit commands end the program's loop; owned
    // windows go with the main window.
    event->accept();
    QCoreApplication::quit();
}

}  // namespace tervo
