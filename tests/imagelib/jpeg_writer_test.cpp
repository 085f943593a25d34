// DIBtoJPG read back with libjpeg: colour resolution by quality, the
// progressive web variant, quality clamping and transparency.
#include "imagelib/imgctl.h"
#include "tests/imagelib/sample_images.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace tervo {
namespace {

using testing::psnr;
using testing::read_file;
using testing::TempDir;

// What a written file's header says.
struct Frame {
    bool read = false;
    bool progressive = false;
    int components = 0;
    std::vector<std::pair<int, int>> sampling;  // h, v for each component
};

struct Failure {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void fail(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<Failure*>(cinfo->err)->jump, 1); }

bool read_frame(const std::string& bytes, Frame& frame) {
    jpeg_decompress_struct cinfo{};
    Failure failure;
    cinfo.err = jpeg_std_error(&failure.pub);
    failure.pub.error_exit = fail;
    if (setjmp(failure.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    frame.progressive = cinfo.progressive_mode;
    frame.components = cinfo.num_components;
    for (int i = 0; i < cinfo.num_components; ++i)
        frame.sampling.emplace_back(cinfo.comp_info[i].h_samp_factor, cinfo.comp_info[i].v_samp_factor);
    jpeg_destroy_decompress(&cinfo);
    frame.read = true;
    return true;
}

Frame frame_of(const std::filesystem::path& path) {
    Frame frame;
    EXPECT_TRUE(read_frame(read_file(path), frame));
    return frame;
}

const std::vector<std::pair<int, int>> kFullColour = {{1, 1}, {1, 1}, {1, 1}};
const std::vector<std::pair<int, int>> kHalvedColour = {{2, 2}, {1, 1}, {1, 1}};

// Red and blue alternating pixel by pixel: any loss of colour resolution
// turns it purple.
QImage checkerboard(int side) {
    QImage image(side, side, QImage::Format_RGB32);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) image.setPixel(x, y, (x + y) % 2 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    return image;
}

class JpegWriter : public ::testing::Test {
protected:
    // The image loaded from a lossless file, as the program would hold it.
    Image load(const QImage& image) {
        const std::string path = testing::save_image(image, dir_.path() / "source.png");
        Image loaded = Image::load(path.c_str());
        EXPECT_TRUE(loaded);
        return loaded;
    }
    std::filesystem::path written(ImageHandle image, int quality, int usage_switch, const char* name = "out.jpg") {
        const auto path = dir_.path() / name;
        EXPECT_EQ(DIBtoJPG(path.c_str(), image, quality, usage_switch), 1);
        return path;
    }
    TempDir dir_;
};

TEST_F(JpegWriter, FullColourResolutionFromQuality90) {
    const QImage board = checkerboard(64);
    const Image image_owner = load(board);
    const ImageHandle image = image_owner.get();
    for (int quality : {90, 100}) {
        SCOPED_TRACE(quality);
        const auto path = written(image, quality, 0);
        EXPECT_EQ(frame_of(path).sampling, kFullColour);
        EXPECT_GT(psnr(QImage(QString::fromStdString(path.string())), board), quality == 100 ? 40.0 : 35.0);
    }
    for (int quality : {89, 80}) {
        SCOPED_TRACE(quality);
        const auto path = written(image, quality, 0);
        EXPECT_EQ(frame_of(path).sampling, kHalvedColour);
        // Halved colour cannot hold the pattern: proof that the check above
        // measures colour resolution.
        EXPECT_LT(psnr(QImage(QString::fromStdString(path.string())), board), 30.0);
    }
}

TEST_F(JpegWriter, WebVariantIsProgressive) {
    const QImage picture = testing::gradient_image(200, 120);
    const Image image_owner = load(picture);
    const ImageHandle image = image_owner.get();
    for (int usage_switch : {0, 1, 2}) {
        SCOPED_TRACE(usage_switch);
        const auto path = written(image, 85, usage_switch);
        const Frame frame = frame_of(path);
        EXPECT_EQ(frame.progressive, usage_switch == 1);
        EXPECT_EQ(frame.components, 3);
        EXPECT_EQ(frame.sampling, kHalvedColour);
        EXPECT_GT(psnr(QImage(QString::fromStdString(path.string())), picture), 35.0);
    }
}

TEST_F(JpegWriter, QualityIsClampedToOneToHundred) {
    const Image image_owner = load(testing::gradient_image(80, 60));
    const ImageHandle image = image_owner.get();
    EXPECT_EQ(read_file(written(image, 1000, 0, "a.jpg")), read_file(written(image, 100, 0, "b.jpg")));
    EXPECT_EQ(read_file(written(image, -5, 0, "c.jpg")), read_file(written(image, 1, 0, "d.jpg")));
    EXPECT_NE(read_file(written(image, 50, 0, "e.jpg")), read_file(written(image, 1, 0, "f.jpg")));
}

TEST_F(JpegWriter, TransparencyIsFlattenedOverWhite) {
    QImage picture(40, 40, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    QPainter(&picture).fillRect(0, 0, 20, 40, QColor(0, 128, 0));
    const Image image_owner = load(picture);
    const ImageHandle image = image_owner.get();
    const QImage back(QString::fromStdString(written(image, 95, 0).string()));
    ASSERT_EQ(back.size(), QSize(40, 40));
    const QRgb white_side = back.pixel(32, 20), green_side = back.pixel(8, 20);
    EXPECT_GE(qRed(white_side), 250);
    EXPECT_GE(qBlue(white_side), 250);
    EXPECT_LE(std::abs(qGreen(green_side) - 128), 3);
    EXPECT_LE(qRed(green_side), 3);
}

}  // namespace
}  // namespace tervo
