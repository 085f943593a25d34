#include "app/shell/lifecycle.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWindow>

#include "app/settings_io.h"
#include "core/settings_file.h"
#include "core/start_directory.h"
#include "app/shell/main_window.h"

namespace tervo {

namespace {

// The main window's outer size is the screen width by the screen height less
// 26 pixels. Its frame is known only once a desktop has put one around the
// shown window; the inner size then gives way to it.
void fit_frame_into_size(QWidget& window) {
    QWindow* handle = window.windowHandle();
    if (!handle) return;
    QElapsedTimer waited;
    waited.start();
    while (!handle->isExposed() && waited.elapsed() < 1000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    const QMargins frame = handle->frameMargins();
    if (frame.isNull()) return;
    const QSize outer = window.size();
    window.setGeometry(frame.left(), frame.top(), outer.width() - frame.left() - frame.right(),
                       outer.height() - frame.top() - frame.bottom());
}

}  // namespace

int run_tervo(QApplication& application, AppState& app, const std::vector<std::string>& given_paths) {
    MainWindow window(app, given_paths);
    window.show();
    capture_start_directory(app);
    // Waiting for the desktop's frame runs events: the window may already
    // have been closed then, and the loop must not start for a closed window
    // (its quit came before the loop and would be lost).
    fit_frame_into_size(window);
    const int exit_code = window.isVisible() ? application.exec() : 0;
    // The main window is gone for the user: the message has no owner. A
    // failure has been reported in it, and the program ends either way.
    static_cast<void>(save_settings(app, window.platform(), nullptr, kSettingsFileName));
    return exit_code;
}

}  // namespace tervo
