// A slideshow wired to the recording platform: every repaint runs the paint
// routine onto an offscreen canvas of the client area's size, as the main
// window does, so tests can look at the pixels drawn.
//
// The next pictures are prepared ahead on a worker as in the main window,
// and every paint waits until the worker is idle again, so each paint that
// can use a prepared picture does, whatever the machine's speed. Set
// TERVO_TEST_WITHOUT_AHEAD=1 to run the same tests without preparing.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "core/app_state.h"
#include "slideshow/folder_scan.h"
#include "slideshow/paint.h"
#include "slideshow/picture_ahead.h"
#include "tests/support/deadline.h"
#include "tests/support/fake_platform.h"
#include "tests/support/temp_dir.h"

namespace tervo::testing {

inline const QColor kBackground(192, 192, 192);

struct ShowHarness {
    AppState app;
    FakePlatform platform;
    TempDir dir;
    QImage canvas;
    // Last, so the worker is joined before the folder goes.
    std::unique_ptr<PictureAhead> ahead;

    explicit ShowHarness(bool prepare_ahead = preparing_by_default()) {
        canvas = QImage(platform.size.width, platform.size.height, QImage::Format_RGB32);
        canvas.fill(kBackground);
        platform.on_repaint = [this](bool erase) { paint(erase); };
        if (prepare_ahead) {
            ahead = std::make_unique<PictureAhead>();
            platform.on_discard_prepared = [this] { ahead->discard(); };
        }
    }

    static bool preparing_by_default() {
        const char* without = std::getenv("TERVO_TEST_WITHOUT_AHEAD");
        return without == nullptr || std::string(without) != "1";
    }

    void paint(bool erase) {
        if (erase) canvas.fill(kBackground);
        {
            QPainter painter(&canvas);
            paint_slideshow(app, platform, &painter, ahead.get());
        }
        if (ahead) {
            EXPECT_TRUE(ahead->wait_until_idle(std::chrono::milliseconds(kStateDeadlineMs)));
        }
    }

    // A plain image of one colour in the harness's folder. Its modification
    // time is set an hour back: a file written a moment ago is never taken
    // from what was prepared ahead, and the show's files are normally old.
    void add_image(const std::string& name, int width, int height, QColor colour) const {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(colour);
        const std::filesystem::path path = dir.path() / name;
        image.save(QString::fromStdString(path.string()));
        std::error_code ignored;
        std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1),
                                         ignored);
    }

    // Points the show at the folder and scans it (the show is then Stopped).
    void scan(int file_select = 0) {
        set_text(app.settings.folder, dir.str());
        app.settings.file_select = file_select;
        rescan_folder(app, platform);
    }

    int index_of(const std::string& name) const {
        for (int i = 0; i < app.files.file_count; ++i)
            if (text_of(app.files.file_names[static_cast<std::size_t>(i)]) == name) return i;
        return -1;
    }

    // The colour at a point of the client area.
    QColor at(int x, int y) const { return canvas.pixelColor(x, y); }
    // The colour at a point of the drawn image (its corner at 0, 44).
    QColor image_at(int x, int y) const { return at(kImageLeft + x, kImageTop + y); }
};

}  // namespace tervo::testing
