// The show's chain on pictures made to catch what shrinking can get wrong
// (alpha averaged unweighted, band edges off the whole picture's grid,
// metadata or coefficients over a limit), each against the whole picture
// decoded by Qt, put over white and area-averaged in one go.
#include "imagelib/imgctl.h"
#include "tests/imagelib/reference_images.h"
#include "tests/imagelib/sample_images.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <QImageReader>
#include <QPainter>
#include <QProcess>

namespace tervo {
namespace {

// Screenshot-like: 1-pixel lines and dots on a ground, transparent or not.
QImage lines(int width, int height, QColor ground) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(ground);
    QPainter painter(&image);
    for (int y = 3; y < height; y += 7) painter.fillRect(0, y, width, 1, QColor(20, 40, 200));
    for (int x = 5; x < width; x += 11) painter.fillRect(x, 0, 1, height, QColor(200, 30, 30, 160));
    for (int y = 1; y < height; y += 5) painter.fillRect((y * 37) % width, y, 2, 1, Qt::black);
    return image;
}

TEST(ShowChain, ShrinksAsTheWholePictureAveragedPremultiplied) {
    testing::TempDir dir;
    const auto at = [&](const char* name) { return QString::fromStdString((dir.path() / name).string()); };
    QImage text = lines(900, 701, Qt::white), solid(1234, 987, QImage::Format_ARGB32);
    text.setText("Comment", QString(18 << 20, QChar('x')));
    solid.fill(QColor(37, 141, 222, 100));
    struct Case {
        const char* file;  // written by Qt from `image`, else made by `tool`
        QImage image;
        QStringList tool;
        double factor;  // 0: fit to the window; -1: only made for a later file
    } const cases[] = {
        {"rgba.png", lines(1920, 1080, Qt::transparent), {}, 0},
        {"screen.png", lines(2560, 1441, Qt::white).convertToFormat(QImage::Format_RGB32), {}, 0},
        {"text.png", text, {}, 0.5},
        {"solid.png", solid, {}, 0},
        {"lines.gif", {}, {"convert", at("rgba.png"), at("lines.gif")}, 0.25},
        {"fit.gif", {}, {"convert", at("rgba.png"), "-resize", "1600x1000!", at("fit.gif")}, 0},
        {"palette.png", {}, {"convert", at("screen.png"), "-interlace", "PNG", "PNG8:" + at("palette.png")}, 0.5},
        {"bilevel.png", {}, {"convert", at("screen.png"), "-monochrome", at("bilevel.png")}, 0.75},
        {"big.ppm", testing::gradient_image(8200, 5500), {}, -1},
        {"big.jpg", {}, {"cjpeg", "-sample", "1x1", "-progressive", "-outfile", at("big.jpg"), at("big.ppm")}, 0},
    };
    QImageReader::setAllocationLimit(1024);
    for (const Case& c : cases) {
        const QString path = at(c.file);
        QProcess tool;
        if (!c.tool.isEmpty()) tool.start(c.tool[0], c.tool.mid(1));
        ASSERT_TRUE(c.tool.isEmpty() ? c.image.save(path) : tool.waitForFinished(300000) && tool.exitCode() == 0)
            << c.file;
        if (c.factor < 0) continue;

        const Image held = Image::load(path.toLocal8Bit().constData());
        ASSERT_TRUE(held && DIBto24Bit(held.get())) << c.file;
        const QSize size = testing::head_size(held.get());
        const double scale = c.factor > 0 ? c.factor : std::min(1910.0 / size.width(), 989.0 / size.height());
        const QSize target(int(size.width() * scale), int(size.height() * scale));
        ASSERT_EQ(ResizeDIB(held.get(), target.width(), target.height()), 1);
        const QImage shown = testing::drawn_pixels(held.get());
        const QImage expected =
            testing::shrunk_reference(testing::flattened_over_white(QImageReader(path).read()), target);
        EXPECT_GE(testing::psnr(shown, expected), 45.0) << c.file;
        EXPECT_TRUE(c.image != solid || testing::max_channel_difference(shown, expected) == 0);
    }
}

}  // namespace
}  // namespace tervo
