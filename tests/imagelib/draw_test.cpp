// DIBtoDCex2: what reaches the painter's device.
#include "imagelib/imgctl.h"
#include "tests/imagelib/sample_images.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace tervo {
namespace {

using testing::gradient_image;
using testing::head_size;
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
    const Image image_owner = Image::load(save_image(source, dir.path() / "d.png").c_str());
    const ImageHandle image = image_owner.get();
    EXPECT_EQ(DIBto24Bit(image), 1);
    for (QImage::Format format :
         {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied, QImage::Format_ARGB32}) {
        QImage canvas = canvas_of(format);
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);  // the library must not smooth anyway
        EXPECT_EQ(DIBtoDCex2(&painter, 5, 7, 23, 17, image, 0, 0, 23, 17, SRCCOPY, 1), 1);
        painter.end();
        expect_copied(canvas, QRect(5, 7, 23, 17), source);
    }
}

TEST(DIBtoDCex2, ReplacesRatherThanBlendsTransparentPixels) {
    TempDir dir;
    QImage source(3, 1, QImage::Format_ARGB32);
    source.fill(qRgba(255, 0, 0, 0));
    const Image image_owner = Image::load(save_image(source, dir.path() / "clear.png").c_str());
    const ImageHandle image = image_owner.get();
    QImage canvas = canvas_of(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&canvas);
    DIBtoDCex2(&painter, 0, 0, 3, 1, image, 0, 0, 3, 1, SRCCOPY, 1);
    painter.end();
    EXPECT_EQ(qAlpha(canvas.pixel(0, 0)), 0);
}

TEST(DIBtoDCex2, DrawsTheSourceRectangleClippedToTheImage) {
    TempDir dir;
    const QImage source = gradient_image(20, 10);
    const Image image_owner = Image::load(save_image(source, dir.path() / "s.png").c_str());
    const ImageHandle image = image_owner.get();
    QImage canvas = canvas_of(QImage::Format_RGB32);
    QPainter painter(&canvas);
    // Asks for 30x10 from (5, 0): only the 15 columns the image has arrive.
    DIBtoDCex2(&painter, 2, 3, 30, 10, image, 5, 0, 30, 10, SRCCOPY, 1);
    painter.end();
    expect_copied(canvas, QRect(2, 3, 15, 10), source.copy(5, 0, 15, 10));
}

TEST(DIBtoDCex2, DrawsNothingWhenThereIsNothingToDraw) {
    TempDir dir;
    const Image image_owner = Image::load(save_image(gradient_image(8, 8), dir.path() / "n.png").c_str());
    const ImageHandle image = image_owner.get();
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
}

// The picture as drawn when it is all on show: the reference for drawings
// that show only a part of it.
QImage drawn_whole(ImageHandle image, QSize size) {
    QImage canvas(size, QImage::Format_RGB32);
    canvas.fill(kBackground);
    QPainter painter(&canvas);
    DIBtoDCex2(&painter, 0, 0, size.width(), size.height(), image, 0, 0, size.width(), size.height(), SRCCOPY, 1);
    return canvas;
}

// A picture larger than the canvas: only the part on show is decoded and
// scaled, and it is the same part as of the picture made whole.
TEST(DIBtoDCex2, DrawsThePartOnShowOfAnyZoom) {
    TempDir dir;
    QImage source = gradient_image(300, 200);
    for (int x = 0; x < 300; x += 7) source.setPixel(x, (x * 3) % 200, qRgb(255, 255, 255));  // fine detail
    const std::string png = save_image(source, dir.path() / "z.png");
    const std::string jpg = save_image(source, dir.path() / "z.jpg", 95);
    struct Case {
        const std::string* path;
        int turn;
        double zoom;
        QPoint scroll;  // the picture's point drawn at the canvas's corner
    };
    const Case cases[] = {{&png, 0, 4.0, {500, 300}}, {&png, 90, 4.0, {10, 700}}, {&jpg, 270, 3.0, {333, 0}},
                          {&jpg, 0, 1.0, {120, 90}},  {&png, 180, 0.5, {40, 30}},  {&png, 0, 1.75, {0, 0}}};
    for (const Case& c : cases) {
        const Image part_owner = Image::load(c.path->c_str());
        const ImageHandle part = part_owner.get();
        const Image whole_owner = Image::load(c.path->c_str());
        const ImageHandle whole = whole_owner.get();
        QSize size;
        for (ImageHandle image : {part, whole}) {
            EXPECT_EQ(TurnDIB(image, c.turn), 1);
            EXPECT_EQ(DIBto24Bit(image), 1);
            size = QSize(int(head_size(image).width() * c.zoom), int(head_size(image).height() * c.zoom));
            EXPECT_EQ(ResizeDIB(image, size.width(), size.height()), 1);
        }
        QImage canvas = canvas_of(QImage::Format_RGB32);
        QPainter painter(&canvas);
        EXPECT_EQ(DIBtoDCex2(&painter, -c.scroll.x(), -c.scroll.y(), size.width(), size.height(), part, 0, 0,
                             size.width(), size.height(), SRCCOPY, 1),
                  1);
        painter.end();
        const QImage expected = drawn_whole(whole, size).copy(QRect(c.scroll, canvas.size()));
        const QRect covered = QRect(QPoint(0, 0), size).translated(-c.scroll) & canvas.rect();
        EXPECT_LE(testing::mean_channel_difference(canvas.copy(covered), expected.copy(covered)), 1.0)
            << c.turn << " x" << c.zoom;
        EXPECT_LE(testing::max_channel_difference(canvas.copy(covered), expected.copy(covered)), 40)
            << c.turn << " x" << c.zoom;
        // Outside the picture the canvas is untouched.
        const QPoint corner = canvas.rect().bottomRight();
        if (!covered.contains(corner)) {
            EXPECT_EQ(canvas.pixel(corner), kBackground);
        }
    }
}

TEST(DIBtoDCex2, KeepsToThePaintersClip) {
    TempDir dir;
    const QImage source = gradient_image(40, 30);
    const Image image_owner = Image::load(save_image(source, dir.path() / "c.png").c_str());
    const ImageHandle image = image_owner.get();
    EXPECT_EQ(ResizeDIB(image, 160, 120), 1);
    QImage canvas = canvas_of(QImage::Format_RGB32);
    QPainter painter(&canvas);
    painter.setClipRect(QRect(10, 5, 20, 15));
    EXPECT_EQ(DIBtoDCex2(&painter, 0, 0, 160, 120, image, 0, 0, 160, 120, SRCCOPY, 1), 1);
    painter.end();
    const QImage expected = source.scaled(160, 120, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_LE(testing::max_channel_difference(canvas.copy(10, 5, 20, 15), expected.copy(10, 5, 20, 15)), 2);
    EXPECT_EQ(canvas.pixel(9, 5), kBackground);
    EXPECT_EQ(canvas.pixel(30, 19), kBackground);
    EXPECT_EQ(canvas.pixel(10, 20), kBackground);
}

}  // namespace
}  // namespace tervo
