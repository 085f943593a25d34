// Continuous play of a folder of camera-sized JPEGs (6000 x 4000, 24 MP) in
// fit mode at the 0.1 s interval, in the real main window on the offscreen
// platform: images shown per second, the time of one paint, and the peak
// memory of the process. Beside them, measured in the same run in a child
// process: the naive chain (full decode, smooth resize) for one image.
//
//   bench_show [--seconds N] [--images N] [--folder DIR]
//
// The pictures are generated once into the folder (default: a folder under
// the temporary directory, kept for later runs).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImageReader>
#include <QEventLoop>
#include <QMenuBar>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/command_ids.h"
#include "app/commands.h"
#include "app/shell/client_area.h"
#include "app/shell/main_window.h"
#include "bench/imagelib/photo_like.h"

namespace {

namespace fs = std::filesystem;
using namespace tervo;

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kQuality = 90;
constexpr int kIntervalMs = 100;
// The client area of a 1920 x 1080 screen less the task bar and the menu bar.
constexpr int kClientWidth = 1920;
constexpr int kClientHeight = 1030;

struct Options {
    double seconds = 10;
    int images = 8;
    fs::path folder = fs::temp_directory_path() / "tervo-bench-show-24mp";
};

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--seconds") options.seconds = std::atof(argv[i + 1]);
        if (key == "--images") options.images = std::atoi(argv[i + 1]);
        if (key == "--folder") options.folder = argv[i + 1];
    }
    return options;
}

fs::path picture(const Options& options, int n) {
    char name[32];
    std::snprintf(name, sizeof name, "photo%02d.jpg", n);
    return options.folder / name;
}

// Runs `work` in a child process, so that its memory does not count for the
// play measured in this one.
template <typename Work>
void in_child(Work work) {
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        work();
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
}

void make_pictures(const Options& options) {
    fs::create_directories(options.folder);
    for (int n = 0; n < options.images; ++n) {
        if (fs::exists(picture(options, n))) continue;
        std::printf("generating %s\n", picture(options, n).c_str());
        std::fflush(stdout);
        bench::photo_like(kWidth, kHeight, n).save(QString::fromStdString(picture(options, n).string()), "JPEG", kQuality);
    }
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void naive_baseline(const Options& options) {
    std::vector<double> times;
    for (int n = 0; n < std::min(options.images, 3); ++n) {
        QElapsedTimer clock;
        clock.start();
        QImageReader reader(QString::fromStdString(picture(options, n).string()));
        reader.setAllocationLimit(1024);
        const QImage full = reader.read();
        const double fit = std::min(double(kClientWidth - 10) / full.width(), double(kClientHeight - 65) / full.height());
        const QImage shown = full.scaled(int(full.width() * fit), int(full.height() * fit), Qt::IgnoreAspectRatio,
                                         Qt::SmoothTransformation);
        times.push_back(clock.nsecsElapsed() / 1e6);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("baseline  naive chain (full decode + smooth resize): %.0f ms per image = %.1f images/s, "
                "peak memory %.0f MB\n",
                median(times), 1000.0 / median(times), usage.ru_maxrss / 1024.0);
}

// Runs the event loop for `ms` milliseconds.
void run_loop_for(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

void write_settings(const fs::path& launch, const Options& options) {
    std::ofstream out(launch / "Tervo.ini", std::ios::binary);
    out << "file_select=2\r\npl_timeno=" << kIntervalMs << "\r\nread_foldername=" << options.folder.string()
        << "\r\npsize=1\r\n";
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    // Both in children, before this process touches Qt: a fork keeps no
    // threads, so a child forked from a process running Qt's could hang.
    in_child([&] { make_pictures(options); });
    in_child([&] { naive_baseline(options); });

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const fs::path launch = fs::temp_directory_path() / ("tervo-bench-show-launch-" + std::to_string(getpid()));
    fs::create_directories(launch);
    write_settings(launch, options);
    fs::current_path(launch);

    AppState& app = app_state();
    MainWindow window(app);
    window.resize(kClientWidth, kClientHeight + window.menuBar()->sizeHint().height());
    window.show();
    for (int waited = 0; !(window.windowHandle() && window.windowHandle()->isExposed()); waited += 10) {
        if (waited > 5000) return 1;
        run_loop_for(10);
    }
    std::printf("show      %d JPEGs of %dx%d q%d, fit into a %dx%d client area, interval %.1f s\n",
                app.files.file_count, kWidth, kHeight, kQuality, window.client_area()->width(),
                window.client_area()->height(), kIntervalMs / 1000.0);

    // Continuous play: every tick paints the next image before it returns.
    int ticks = 0;
    int drawn = 0;  // ticks whose paint drew the next image
    int last_shown = 0;
    QObject::connect(&window.platform().play_timer(), &QTimer::timeout, [&] {
        ++ticks;
        if (app.view.display_no != last_shown) ++drawn;
        last_shown = app.view.display_no;
    });
    QElapsedTimer clock;
    handle_command(app, window.platform(), tb_play_forward);
    last_shown = app.view.display_no;
    clock.start();
    run_loop_for(int(options.seconds * 1000));
    const double elapsed = clock.nsecsElapsed() / 1e9;
    handle_command(app, window.platform(), tb_stop);
    const double rate = drawn / elapsed;
    std::printf("play      %.2f images/s over %.1f s (%d ticks, %d of them drew the next image)\n", rate, elapsed,
                ticks, drawn);

    // One paint after another, as fast as they go: the cost of one image.
    std::vector<double> paints;
    for (int i = 0; i < 2 * app.files.file_count; ++i) {
        clock.restart();
        handle_command(app, window.platform(), tb_step_forward);
        paints.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::printf("paint     median %.0f ms, slowest %.0f ms per image (load, fit, draw, status bar)\n", median(paints),
                *std::max_element(paints.begin(), paints.end()));

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double peak_mb = usage.ru_maxrss / 1024.0;
    std::printf("memory    peak %.0f MB\n", peak_mb);
    std::printf("target    >= 9.5 images/s: %s; peak <= 150 MB: %s\n", rate >= 9.5 ? "met" : "MISSED",
                peak_mb <= 150 ? "met" : "MISSED");

    window.close();
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(launch);
    return 0;
}
