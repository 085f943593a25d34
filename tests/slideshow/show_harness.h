// A slideshow wired to the recording platform: every repaint runs the paint
// routine onto an offscreen canvas of the client area's size, as the main
// window does, so tests can look at the pixels drawn.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>

#include <string>

#include "core/app_state.h"
#include "slideshow/folder_scan.h"
#include "slideshow/paint.h"
#include "tests/support/fake_platform.h"
#include "tests/support/temp_dir.h"

namespace tervo::testing {

inline const QColor kBackground(192, 192, 192);

struct ShowHarness {
    AppState app;
    FakePlatform platform;
    TempDir dir;
    QImage canvas;

    ShowHarness() {
        canvas = QImage(platform.size.width, platform.size.height, QImage::Format_RGB32);
        canvas.fill(kBackground);
        platform.on_repaint = [this](bool erase) { paint(erase); };
    }

    void paint(bool erase) {
        if (erase) canvas.fill(kBackground);
        QPainter painter(&canvas);
        paint_slideshow(app, platform, &painter);
    }

    // A plain image of one colour in the harness's folder.
    void add_image(const std::string& name, int width, int height, QColor colour) const {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(colour);
        image.save(QString::fromStdString((dir.path() / name).string()));
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
