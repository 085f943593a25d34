// A long show on the offscreen platform: five small JPEGs in fit mode,
// played tick after tick with the next pictures prepared ahead. Prints the
// resident memory once the show has settled (the baseline) and again after
// many more paints; a chain that keeps anything per paint shows as growth.
//
//   bench_long_show [paints]   (default 10000)
#include <unistd.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "imagelib/imgctl.h"
#include "slideshow/folder_scan.h"
#include "slideshow/paint.h"
#include "slideshow/picture_ahead.h"
#include "slideshow/playback.h"
#include "tests/support/fake_platform.h"

namespace {

using namespace tervo;

long resident_kb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication application(argc, argv);
    const int paints = argc > 1 ? std::atoi(argv[1]) : 10000;

    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tervo-bench-long-show-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    for (int i = 0; i < 5; ++i) {
        QImage image(400 + 40 * i, 300, QImage::Format_RGB32);
        image.fill(QColor(40 * i, 90, 200));
        image.save(QString::fromStdString((folder / ("p" + std::to_string(i) + ".jpg")).string()));
    }

    AppState app;
    testing::FakePlatform platform;
    auto ahead = std::make_unique<PictureAhead>();
    QImage canvas(platform.size.width, platform.size.height, QImage::Format_RGB32);
    platform.on_repaint = [&](bool erase) {
        if (erase) canvas.fill(Qt::gray);
        QPainter painter(&canvas);
        paint_slideshow(app, platform, &painter, ahead.get());
    };
    platform.on_discard_prepared = [&] { ahead->discard(); };
    set_text(app.settings.folder, folder.string());
    app.settings.file_select = 2;
    app.settings.psize = 1;
    rescan_folder(app, platform);

    play_forward(app, platform);
    for (int i = 0; i < 300; ++i) play_tick(app, platform);
    const long settled = resident_kb();
    for (int i = 0; i < paints; ++i) play_tick(app, platform);
    const long after = resident_kb();
    ahead.reset();
    std::printf(
        "resident memory: %ld kB after 300 paints (baseline), %ld kB after %d more: %+ld kB; "
        "images held at the end: %zu\n",
        settled, after, paints, after - settled, live_image_count());
    std::filesystem::remove_all(folder);
    return live_image_count() == 0 ? 0 : 1;
}
