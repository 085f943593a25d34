// DIBtoDCex2: what reaches the painter's device.
#include "imagelib/imgctl.h"
#include "tests/imagelib/sample_images.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace tervo {
namespace {

using testing::gradient_image;
using testing::save_image;
using testing::TempDir;

constexpr QRgb kBackground = 0xff203040;

QImage canvas_of(QImage::Format format) {
    QImage canvas(60, 50, format);
    canvas.fill(kBackground);
    return canvas;
}

// Every pixel of `canvas` inside `area` equals `expected` shifted to the
// area's corner, and every pixel outside is the untouched background.
void expect_copied(const QImage& canvas, QRect area, const QImage& expected) {
    int wrong = 0;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            const QRgb want = area.contains(x, y) ? expected.pixel(x - area.x(), y - area.y()) : kBackground;
            if (canvas.pixel(x, y) != (want | 0xff000000)) ++wrong;
        }
    EXPECT_EQ(wrong, 0);
}

TEST(DIBtoDCex2, CopiesPixelsUnchangedOntoAnyCanvas) {
    TempDir dir;
    const QImage source = gradient_image(23, 17);
    const ImageHandle image = ToDIB(save_image(source, dir.path() / "d.png").c_str());
    DIBto24Bit(image);
    for (QImage::Format format :
         {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied, QImage::Format_ARGB32}) {
        QImage canvas = canvas_of(format);
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);  // the library must not smooth anyway
        EXPECT_EQ(DIBtoDCex2(&painter, 5, 7, 23, 17, image, 0, 0, 23, 17, SRCCOPY, 1), 1);
        painter.end();
        expect_copied(canvas, QRect(5, 7, 23, 17), source);
    }
    DeleteDIB(image);
}

TEST(DIBtoDCex2, ReplacesRatherThanBlendsTransparentPixels) {
    TempDir dir;
    QImage source(3, 1, QImage::Format_ARGB32);
    source.fill(qRgba(255, 0, 0, 0));
    const ImageHandle image = ToDIB(save_image(source, dir.path() / "clear.png").c_str());
    QImage canvas = canvas_of(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&canvas);
    DIBtoDCex2(&painter, 0, 0, 3, 1, image, 0, 0, 3, 1, SRCCOPY, 1);
    painter.end();
    EXPECT_EQ(qAlpha(canvas.pixel(0, 0)), 0);
    DeleteDIB(image);
}

TEST(DIBtoDCex2, DrawsTheSourceRectangleClippedToTheImage) {
    TempDir dir;
    const QImage source = gradient_image(20, 10);
    const ImageHandle image = ToDIB(save_image(source, dir.path() / "s.png").c_str());
    QImage canvas = canvas_of(QImage::Format_RGB32);
    QPainter painter(&canvas);
    // Asks for 30x10 from (5, 0): only the 15 columns the image has arrive.
    DIBtoDCex2(&painter, 2, 3, 30, 10, image, 5, 0, 30, 10, SRCCOPY, 1);
    painter.end();
    expect_copied(canvas, QRect(2, 3, 15, 10), source.copy(5, 0, 15, 10));
    DeleteDIB(image);
}

TEST(DIBtoDCex2, DrawsNothingWhenThereIsNothingToDraw) {
    TempDir dir;
    const ImageHandle image = ToDIB(save_image(gradient_image(8, 8), dir.path() / "n.png").c_str());
    struct Case {
        const char* what;
        int dest_width, src_width;
        uint32_t rop;
    };
    const Case cases[] = {{"zero width", 0, 0, SRCCOPY},
                          {"negative size", -4, -4, SRCCOPY},
                          {"other raster operation", 8, 8, 0x00EE0086}};
    for (const Case& c : cases) {
        QImage canvas = canvas_of(QImage::Format_RGB32);
        QPainter painter(&canvas);
        EXPECT_EQ(DIBtoDCex2(&painter, 0, 0, c.dest_width, 8, image, 0, 0, c.src_width, 8, c.rop, 1), 0) << c.what;
        painter.end();
        expect_copied(canvas, QRect(), QImage());
    }
    EXPECT_EQ(DIBtoDCex2(nullptr, 0, 0, 8, 8, image, 0, 0, 8, 8, SRCCOPY, 1), 0);
    DeleteDIB(image);
}

}  // namespace
}  // namespace tervo
