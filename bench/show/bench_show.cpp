// Continuous play of a folder of camera-sized JPEGs (6000 x 4000, 24 MP) in
// fit mode, in the real main window on the offscreen platform, at the 0.1 s
// interval and at the shortest one (10 ms), each with and without the next
// pictures prepared on the worker: images shown per second, the median time
// of one paint on the window's thread, the time from a step command to the
// end of its paint, and the peak memory of the process. Beside them,
// measured in a child process: the naive chain (full decode, smooth resize).
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
#include <QEvent>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/command_ids.h"
#include "app/commands.h"
#include "app/shell/client_area.h"
#include "app/shell/main_window.h"
#include "bench/imagelib/photo_like.h"
#include "slideshow/picture_ahead.h"

namespace {

namespace fs = std::filesystem;
using namespace tervo;

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kQuality = 90;
constexpr int kIntervalMs = 100;
constexpr int kShortestIntervalMs = 10;
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

// Times every tick's paint: from the timer event reaching the timer (before
// the tick's handler runs) to the end of the handlers connected to it.
class TickTimer : public QObject {
public:
    explicit TickTimer(const QTimer& timer) : timer_(const_cast<QTimer&>(timer)) {
        timer_.installEventFilter(this);
        connection_ = QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (started_) paints.push_back(clock_.nsecsElapsed() / 1e6);
            started_ = false;
        });
    }
    ~TickTimer() override {
        timer_.removeEventFilter(this);
        QObject::disconnect(connection_);
    }
    std::vector<double> paints;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &timer_ && event->type() == QEvent::Timer) {
            started_ = true;
            clock_.start();
        }
        return false;
    }

private:
    QTimer& timer_;
    QMetaObject::Connection connection_;
    QElapsedTimer clock_;
    bool started_ = false;
};

struct PlayResult {
    double rate = 0;          // images shown per second
    double median_paint = 0;  // ms on the window's thread, per tick
    int ready = 0;            // paints that found their picture prepared
    int waited = 0;           // paints that waited for the worker to finish it
    int missing = 0;          // paints that loaded it themselves
};

PlayResult play(MainWindow& window, AppState& app, int interval_ms, double seconds) {
    app.settings.pl_timeno = interval_ms;
    app.view.current_index = -1;
    int drawn = 0;  // ticks whose paint drew the next image
    int last_shown = 0;
    TickTimer ticks(window.platform().play_timer());
    QObject::connect(&window.platform().play_timer(), &QTimer::timeout, &ticks, [&] {
        if (app.view.display_no != last_shown) ++drawn;
        last_shown = app.view.display_no;
    });
    const PictureAhead::Counts before = window.picture_ahead().counts();
    handle_command(app, window.platform(), tb_play_forward);
    last_shown = app.view.display_no;
    QElapsedTimer clock;
    clock.start();
    run_loop_for(int(seconds * 1000));
    const double elapsed = clock.nsecsElapsed() / 1e9;
    handle_command(app, window.platform(), tb_stop);
    window.picture_ahead().wait_until_idle(std::chrono::seconds(30));
    const PictureAhead::Counts after = window.picture_ahead().counts();
    return {drawn / elapsed, median(ticks.paints), after.ready - before.ready, after.waited - before.waited,
            after.missing - before.missing};
}

// From a step command to the end of its paint, once the worker has had the
// time to prepare the next picture (when it is attached).
std::vector<double> step_latencies(MainWindow& window, AppState& app, int steps) {
    std::vector<double> latencies;
    handle_command(app, window.platform(), tb_step_forward);
    for (int i = 0; i < steps; ++i) {
        window.picture_ahead().wait_until_idle(std::chrono::seconds(30));
        QElapsedTimer clock;
        clock.start();
        handle_command(app, window.platform(), tb_step_forward);
        latencies.push_back(clock.nsecsElapsed() / 1e6);
    }
    return latencies;
}

const char* verdict(bool met) { return met ? "ok" : "MISS"; }

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
    std::printf("show      %d JPEGs of %dx%d q%d, fit into a %dx%d client area\n", app.files.file_count, kWidth,
                kHeight, kQuality, window.client_area()->width(), window.client_area()->height());

    // The same play, without and with the pictures prepared ahead.
    PictureAhead* const ahead = &window.picture_ahead();
    PlayResult results[2][2];  // [prepared][interval: 0.1 s, shortest]
    std::vector<double> steps[2];
    for (int prepared = 0; prepared < 2; ++prepared) {
        window.platform().attach_picture_ahead(prepared ? ahead : nullptr);
        const char* chain = prepared ? "prepared  " : "unprepared";
        for (int shortest = 0; shortest < 2; ++shortest) {
            const int interval = shortest ? kShortestIntervalMs : kIntervalMs;
            PlayResult& r = results[prepared][shortest];
            r = play(window, app, interval, options.seconds);
            std::printf("play      %s interval %3d ms: %5.2f images/s, median paint %5.1f ms", chain, interval,
                        r.rate, r.median_paint);
            if (prepared) std::printf(" (prepared %d, waited for %d, loaded %d)", r.ready, r.waited, r.missing);
            std::printf("\n");
        }
        steps[prepared] = step_latencies(window, app, 2 * app.files.file_count);
        std::printf("step      %s: command to picture on screen median %.1f ms, slowest %.1f ms\n", chain,
                    median(steps[prepared]), *std::max_element(steps[prepared].begin(), steps[prepared].end()));
    }

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double peak_mb = usage.ru_maxrss / 1024.0;
    std::printf("memory    peak %.0f MB\n", peak_mb);

    const PlayResult& slow = results[1][0];
    const double speedup = results[1][1].rate / std::max(results[0][1].rate, 1e-9);
    const double step = median(steps[1]);
    std::printf("target    0.1 s: >= 9.8 images/s (%.2f) %s; median paint <= 15 ms (%.1f) %s\n", slow.rate,
                verdict(slow.rate >= 9.8), slow.median_paint, verdict(slow.median_paint <= 15));
    std::printf("target    10 ms: >= 1.7x the unprepared images/s (%.2fx) %s\n", speedup, verdict(speedup >= 1.7));
    std::printf("target    step with the next picture prepared <= 30 ms (median %.1f) %s\n", step,
                verdict(step <= 30));
    std::printf("target    peak memory <= 150 MB (%.0f) %s\n", peak_mb, verdict(peak_mb <= 150));

    window.close();
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(launch);
    return 0;
}
