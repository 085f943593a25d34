// Drives the real main window on whatever platform Qt is given (made for
// QT_QPA_PLATFORM=wayland under a headless weston, where no tool can send
// input from outside): opens the folder given, steps through it with the
// keys, turns and zooms, toggles full screen, and ends from the menu. Prints
// each step and what the compositor did with the window; exits 0 when every
// step showed what it should.
//
// Usage: shell_wayland_tour FOLDER     (run in the launch directory; the
// folder gets three pictures)
#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <functional>
#include <string>

#include "app/shell/lifecycle.h"
#include "app/shell/localization.h"
#include "app/shell/client_area.h"
#include "app/shell/main_window.h"
#include "app/command_table.h"
#include "tests/support/deadline.h"

namespace {

using tervo::MainWindow;
using tervo::testing::kStateDeadlineMs;

int failures = 0;

void report(bool ok, const std::string& what) {
    std::printf("%s  %s\n", ok ? "ok  " : "FAIL", what.c_str());
    std::fflush(stdout);
    if (!ok) ++failures;
}

MainWindow* main_window() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = dynamic_cast<MainWindow*>(widget)) return window;
    return nullptr;
}

bool wait_for(const std::function<bool()>& state) { return QTest::qWaitFor(state, kStateDeadlineMs); }

void tour(MainWindow& window, tervo::AppState& app) {
    report(QGuiApplication::platformName() == QStringLiteral("wayland"),
           "platform: " + QGuiApplication::platformName().toStdString());
    const QWindow* handle = window.windowHandle();
    report(wait_for([&] { return handle->isExposed(); }), "the main window is exposed");
    std::printf("      position asked (0, 0), reported (%d, %d); size %d x %d; active: %s\n", window.x(), window.y(),
                window.width(), window.height(), window.isActiveWindow() ? "yes" : "no");
    report(app.view.current_index == 0 && app.view.display_no == 1, "the folder opens on its first picture");

    QWidget* keys = window.client_area();
    const int count = app.files.file_count;
    for (int step = 1; step <= count; ++step) {
        QTest::keyClick(keys, Qt::Key_Right);
        report(app.view.display_no == step % count + 1, "Right shows picture " + std::to_string(step % count + 1));
    }
    QTest::keyClick(keys, Qt::Key_End);
    report(app.view.display_no == count, "End shows the last picture");
    QTest::keyClick(keys, Qt::Key_R);
    report(app.view.rotation == 1, "R turns a quarter");
    QTest::keyClick(keys, Qt::Key_Plus);
    report(app.view.scale > 1.0, "+ zooms in");

    QTest::keyClick(keys, Qt::Key_F11);
    report(wait_for([&] { return window.isFullScreen(); }), "F11: full screen");
    std::printf("      full-screen size %d x %d\n", window.width(), window.height());
    QTest::keyClick(keys, Qt::Key_Escape);
    report(wait_for([&] { return !window.isFullScreen(); }), "Esc: back from full screen");

    // The exit command of the menu bar, as Alt+X chooses it; Alt+X itself
    // needs the keyboard focus, which a headless compositor may not give.
    if (window.isActiveWindow())
        QTest::keyClick(&window, Qt::Key_X, Qt::AltModifier);
    else
        window.command_action(tervo::cmd_exit)->trigger();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    tervo::install_japanese(application);
    if (argc != 2) {
        std::fprintf(stderr, "Usage: shell_wayland_tour FOLDER\n");
        return 2;
    }
    int colour = 0;
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
        QImage picture(320, 240, QImage::Format_RGB32);
        picture.fill(QColor::fromHsv(120 * colour++, 200, 220));
        if (!picture.save(QString::fromLocal8Bit(argv[1]) + QLatin1Char('/') + QLatin1String(name))) return 1;
    }
    tervo::AppState& app = tervo::app_state();
    QTimer start;
    start.setSingleShot(true);
    QObject::connect(&start, &QTimer::timeout, [&] {
        if (MainWindow* window = main_window()) tour(*window, app);
    });
    start.start(0);
    // Only a failure deadline: a tour that passes ends long before it.
    QTimer::singleShot(3 * kStateDeadlineMs, [] {
        report(false, "the tour ended in time");
        QCoreApplication::exit(1);
    });
    const int status = tervo::run_tervo(application, app, {argv[1]});
    report(status == 0, "ended from the menu with status " + std::to_string(status));
    return failures == 0 ? 0 : 1;
}
