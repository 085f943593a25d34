// The shrinking row sink against Qt's smooth scaling of the whole picture,
// and the orientation arithmetic the partial drawing relies on.
#include "imagelib/orientation.h"
#include "imagelib/row_sinks.h"
#include "tests/imagelib/sample_images.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <filesystem>

namespace tervo::imagelib {
namespace {

using testing::psnr;

// Few colours in blocks and single stray pixels: the hardest case for
// averaging in bands, every band edge cuts through sharp contrast.
QImage palette_like(int width, int height, QImage::Format format) {
    static const QRgb colours[] = {0xff000000, 0xffffffff, 0xffff0000, 0xff00ff00, 0xff0000ff, 0xffffff00};
    QRandomGenerator random(7);
    QImage image(width, height, format);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int block = (x / 5 + y / 3) % 6;
            image.setPixel(x, y, random.bounded(10) == 0 ? colours[random.bounded(6)] : colours[block]);
        }
    return image;
}

QImage shrunk_in_bands(const QImage& image, QSize wanted, QRectF part = QRectF(0, 0, 1, 1)) {
    ShrinkingSink sink(wanted, part);
    if (!feed_rows(image, sink)) return QImage();
    return sink.image();
}

QImage whole_scaled(const QImage& image, QSize size) {
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

TEST(ShrinkingSink, MatchesShrinkingTheWholePicture) {
    struct Case {
        const char* name;
        QImage image;
        QSize wanted;
    };
    const Case cases[] = {
        {"palette-like, by 3.3", palette_like(1000, 700, QImage::Format_RGB32), {301, 211}},
        {"palette-like with alpha, by 7.9", palette_like(997, 1211, QImage::Format_RGBA8888), {126, 153}},
        {"palette-like, rows only", palette_like(300, 900, QImage::Format_RGB888), {300, 97}},
        {"palette-like, columns only", palette_like(900, 200, QImage::Format_RGBX8888), {131, 200}},
        {"smooth, by 1.3", testing::gradient_image(800, 600), {613, 459}},
        {"smooth, by 40", testing::gradient_image(2000, 1500), {50, 37}},
        {"smooth, to one pixel", testing::gradient_image(300, 200), {1, 1}},
    };
    for (const Case& c : cases) {
        const QImage ours = shrunk_in_bands(c.image, c.wanted);
        ASSERT_EQ(ours.size(), c.wanted) << c.name;
        EXPECT_GT(psnr(ours, whole_scaled(c.image, c.wanted)), 40.0) << c.name;
    }
}

TEST(ShrinkingSink, KeepsASolidColourExactly) {
    for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_RGBA8888,
                                  QImage::Format_RGB888}) {
        QImage image(1234, 987, format);
        image.fill(QColor(37, 141, 222));
        const QImage ours = shrunk_in_bands(image, {97, 53});
        ASSERT_EQ(ours.size(), QSize(97, 53));
        int wrong = 0;
        for (int y = 0; y < ours.height(); ++y)
            for (int x = 0; x < ours.width(); ++x) wrong += ours.pixel(x, y) != qRgb(37, 141, 222);
        EXPECT_EQ(wrong, 0) << format;
    }
}

TEST(ShrinkingSink, NeverEnlargesAndCopiesUnshrunkPicturesExactly) {
    const QImage image = palette_like(120, 80, QImage::Format_ARGB32);
    const QImage same = shrunk_in_bands(image, {120, 80});
    EXPECT_EQ(same, image);
    EXPECT_EQ(shrunk_in_bands(image, {500, 40}).size(), QSize(120, 40));
    EXPECT_EQ(shrunk_in_bands(image, {60, 400}).size(), QSize(60, 80));
}

TEST(ShrinkingSink, KeepsOnlyThePartAskedFor) {
    const QImage image = palette_like(900, 600, QImage::Format_RGB32);
    // Unshrunk, a part is an exact copy of those pixels.
    ShrinkingSink copy({900, 600}, QRectF(0.1, 0.25, 0.5, 0.5));
    ASSERT_TRUE(feed_rows(image, copy));
    EXPECT_EQ(copy.kept(), QRect(90, 150, 450, 300));
    EXPECT_EQ(copy.image(), image.copy(90, 150, 450, 300));
    // Shrunk, a part looks like that part of the whole picture shrunk.
    // Shrunk, a part is that part of the whole picture shrunk, its edges
    // moved out to where the whole picture's pixels begin.
    ShrinkingSink part({300, 200}, QRectF(0.501, 0.499, 0.5, 0.5));
    ASSERT_TRUE(feed_rows(image, part));
    EXPECT_EQ(part.kept(), QRect(450, 297, 450, 303));
    ASSERT_EQ(part.image().size(), QSize(150, 101));
    EXPECT_GT(psnr(part.image(), whole_scaled(image, {300, 200}).copy(150, 99, 150, 101)), 40.0);
}

TEST(ShrinkingSink, LetsTheDecoderStopBelowThePartKept) {
    // A picture whose file breaks off in its lower half: keeping only the
    // top quarter needs none of the missing rows, keeping all of it fails.
    testing::TempDir dir;
    const std::string path = testing::save_image(testing::gradient_image(300, 400), dir.path() / "cut.png");
    std::filesystem::resize_file(path, std::filesystem::file_size(path) * 6 / 10);
    const auto input = FileInput::open(path.c_str());
    ASSERT_TRUE(input);

    ShrinkingSink top(QSize(150, 200), QRectF(0, 0, 1, 0.25));
    EXPECT_TRUE(decode_png(*input, top));
    ASSERT_FALSE(top.image().isNull());
    EXPECT_EQ(top.kept().bottom(), 99);
    EXPECT_FALSE(top.wants_rows_after(99));
    EXPECT_TRUE(top.wants_rows_after(98));

    ShrinkingSink whole(QSize(150, 200));
    EXPECT_FALSE(decode_png(*input, whole));
}

TEST(ShrinkingSink, RefusesWhatItsMemoryCannotHold) {
    ShrinkingSink small({100, 100}, QRectF(0, 0, 1, 1), 4 << 20);
    EXPECT_FALSE(small.start({30000, 30000}, QImage::Format_RGBA8888));  // bands alone exceed it
    EXPECT_TRUE(small.start({3000, 3000}, QImage::Format_RGBA8888));
    ShrinkingSink whole({30000, 20000});  // 2.4 GB whole, far over the budget
    EXPECT_FALSE(whole.start({30000, 20000}, QImage::Format_RGB32));
    ShrinkingSink fit({1900, 1000});
    EXPECT_TRUE(fit.start({30000, 20000}, QImage::Format_RGB32));
}

// Where a stored pixel lands after apply() is where map_to_shown() says.
TEST(Orientation, MapsRectanglesAsItMovesPixels) {
    const QSize stored(7, 4);
    QImage marker(stored, QImage::Format_RGB32);
    marker.fill(Qt::black);
    marker.setPixel(5, 1, qRgb(255, 255, 255));
    for (int tag = 1; tag <= 8; ++tag)
        for (int turn : {0, 90, 180, 270}) {
            const Orientation o = Orientation::from_exif(tag).then_turned(turn);
            const QImage shown = o.apply(marker);
            ASSERT_EQ(shown.size(), o.shown_size(stored));
            const QRect at = o.map_to_shown(QRectF(5, 1, 1, 1), stored).toAlignedRect();
            ASSERT_EQ(at.size(), QSize(1, 1));
            EXPECT_EQ(shown.pixel(at.topLeft()), qRgb(255, 255, 255)) << tag << " " << turn;
            EXPECT_EQ(o.map_to_stored(QRectF(at), stored), QRectF(5, 1, 1, 1)) << tag << " " << turn;
        }
    // The EXIF tags against Qt's reading of them, on the pixel at (0, 0).
    const QPoint corner_after[] = {{0, 0}, {6, 0}, {6, 3}, {0, 3}, {0, 0}, {3, 0}, {3, 6}, {0, 6}};
    for (int tag = 1; tag <= 8; ++tag)
        EXPECT_EQ(Orientation::from_exif(tag).map_to_shown(QRectF(0, 0, 1, 1), stored).topLeft().toPoint(),
                  corner_after[tag - 1])
            << tag;
}

}  // namespace
}  // namespace tervo::imagelib
