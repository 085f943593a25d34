// The writers: what they write, that it reads back, and that they write
// all or nothing.
#include "imagelib/imgctl.h"
#include "tests/imagelib/sample_images.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <QImageReader>

#include <gif_lib.h>
#include <sys/stat.h>

#include <functional>

namespace tervo {
namespace {

using testing::drawn_pixels;
using testing::gradient_image;
using testing::head_size;
using testing::mean_channel_difference;
using testing::read_file;
using testing::read_with_qt;
using testing::save_image;
using testing::TempDir;

std::vector<std::string> folder_entries(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

using Writer = std::function<int(const char*, ImageHandle)>;

struct WriterCase {
    const char* name;
    const char* qt_format;
    Writer write;
    double tolerance;  // mean channel difference allowed on read-back
};

const WriterCase kWriters[] = {
    {"bmp", "bmp", [](const char* p, ImageHandle i) { return DIBtoBMP(p, i); }, 0},
    {"jpg", "jpeg", [](const char* p, ImageHandle i) { return DIBtoJPG(p, i, 90, 0); }, 3},
    {"jpg-web", "jpeg", [](const char* p, ImageHandle i) { return DIBtoJPG(p, i, 90, 1); }, 3},
    {"jpg-q1", "jpeg", [](const char* p, ImageHandle i) { return DIBtoJPG(p, i, -7, 0); }, 40},
    {"png", "png", [](const char* p, ImageHandle i) { return DIBtoPNG(p, i, 0); }, 0},
    {"png-web", "png", [](const char* p, ImageHandle i) { return DIBtoPNG(p, i, 1); }, 0},
    {"gif", "gif", [](const char* p, ImageHandle i) { return DIBtoGIF(p, i, 0); }, 6},
    {"gif-web", "gif", [](const char* p, ImageHandle i) { return DIBtoGIF(p, i, 1); }, 6},
};

// The chain of the converter: load, turn, convert, resize, write.
TEST(Writers, OutputReadsBackAtTheRightSize) {
    TempDir dir;
    const std::string source = save_image(gradient_image(90, 60), dir.path() / "source.png");
    for (const WriterCase& c : kWriters) {
        const Image image_owner = Image::load(source.c_str());
        const ImageHandle image = image_owner.get();
        EXPECT_EQ(TurnDIB(image, 90), 1);
        EXPECT_EQ(DIBto24Bit(image), 1);
        EXPECT_EQ(ResizeDIB(image, 45, 67), 1);
        const QImage shown = drawn_pixels(image);
        const std::string out = (dir.path() / (std::string("out-") + c.name)).string();
        ASSERT_EQ(c.write(out.c_str(), image), 1) << c.name;

        QImageReader reader(QString::fromStdString(out));
        EXPECT_EQ(reader.format(), QByteArray(c.qt_format)) << c.name;
        EXPECT_EQ(reader.size(), QSize(45, 67)) << c.name;
        EXPECT_LE(mean_channel_difference(read_with_qt(out), shown), c.tolerance) << c.name;
        const Image again_owner = Image::load(out.c_str());
        const ImageHandle again = again_owner.get();
        EXPECT_EQ(head_size(again), QSize(45, 67)) << c.name;
    }
}

TEST(Writers, UsageSwitchSelectsTheWebVariant) {
    TempDir dir;
    // A photo-like picture: gradient plus a little noise.
    QImage picture = gradient_image(200, 150);
    for (int i = 0; i < 4000; ++i) picture.setPixel((i * 7919) % 200, (i * 104729) % 150, qRgb(i % 256, 40, 200));
    const Image image_owner = Image::load(save_image(picture, dir.path() / "p.png").c_str());
    const ImageHandle image = image_owner.get();
    EXPECT_EQ(DIBto24Bit(image), 1);
    const std::string p = (dir.path() / "x").string();

    ASSERT_TRUE(DIBtoJPG((p + "0.jpg").c_str(), image, 80, 0));
    ASSERT_TRUE(DIBtoJPG((p + "1.jpg").c_str(), image, 80, 1));
    EXPECT_NE(read_file(p + "0.jpg").find("\xFF\xC0"), std::string::npos);  // baseline frame
    EXPECT_EQ(read_file(p + "0.jpg").find("\xFF\xC2"), std::string::npos);
    EXPECT_NE(read_file(p + "1.jpg").find("\xFF\xC2"), std::string::npos);  // progressive frame

    ASSERT_TRUE(DIBtoPNG((p + "0.png").c_str(), image, 0));
    ASSERT_TRUE(DIBtoPNG((p + "1.png").c_str(), image, 1));
    EXPECT_LE(std::filesystem::file_size(p + "1.png"), std::filesystem::file_size(p + "0.png"));

    for (int usage : {0, 1}) {
        const std::string gif = p + std::to_string(usage) + ".gif";
        ASSERT_TRUE(DIBtoGIF(gif.c_str(), image, usage));
        int error = 0;
        GifFileType* file = DGifOpenFileName(gif.c_str(), &error);
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(DGifSlurp(file), GIF_OK);
        ASSERT_EQ(file->ImageCount, 1);
        EXPECT_EQ(file->SavedImages[0].ImageDesc.Interlace, usage == 1);
        DGifCloseFile(file, &error);
        // Both orders of rows decode to the same picture.
        EXPECT_LT(mean_channel_difference(read_with_qt(gif), drawn_pixels(image)), 6);
    }
}

TEST(Writers, BmpIs24Bit) {
    TempDir dir;
    QImage with_alpha(5, 5, QImage::Format_ARGB32);
    with_alpha.fill(qRgba(0, 0, 255, 0));
    const Image image_owner = Image::load(save_image(with_alpha, dir.path() / "a.png").c_str());
    const ImageHandle image = image_owner.get();
    const std::string out = (dir.path() / "a.bmp").string();
    ASSERT_TRUE(DIBtoBMP(out.c_str(), image));  // even without DIBto24Bit
    EXPECT_EQ(read_file(out)[28], 24);
    EXPECT_EQ(read_with_qt(out).pixel(0, 0), qRgb(255, 255, 255));
}

// Permissions, links and leftovers of the replacement itself: see FileReplace.
TEST(Writers, WriteAllOrNothing) {
    TempDir dir;
    const Image image_owner = Image::load(save_image(gradient_image(16, 16), dir.path() / "in.png").c_str());
    const ImageHandle image = image_owner.get();
    for (const WriterCase& c : kWriters) {
        SCOPED_TRACE(c.name);
        TempDir out_dir;
        const std::string target = (out_dir.path() / "t").string();
        ASSERT_EQ(c.write(target.c_str(), image), 1);

        // A failed write leaves the existing file as it was and no leftovers.
        const std::string before = read_file(target);
        EXPECT_EQ(c.write(target.c_str(), 0), 0);
        const Image empty_owner = Image::load((dir.path() / "in.png").c_str());
        const ImageHandle empty = empty_owner.get();
        EXPECT_EQ(ResizeDIB(empty, 0, 0), 1);
        EXPECT_EQ(c.write(target.c_str(), empty), 0);
        EXPECT_EQ(read_file(target), before);
        EXPECT_EQ(folder_entries(out_dir.path()), std::vector<std::string>{"t"});
        EXPECT_EQ(c.write((out_dir.path() / "no-such-folder" / "t").c_str(), image), 0);
        EXPECT_EQ(c.write("", image), 0);
        EXPECT_EQ(c.write(nullptr, image), 0);
    }
}

TEST(DIBtoGIFAni, WritesLoopingFramesOnTheLargestCanvas) {
    TempDir dir;
    const QSize sizes[] = {{40, 30}, {60, 20}, {20, 50}, {60, 50}, {10, 10}};
    std::vector<Image> owners;
    std::vector<ImageHandle> frames;
    for (QSize size : sizes) {
        const auto path = dir.path() / ("f" + std::to_string(frames.size()) + ".png");
        owners.push_back(Image::load(save_image(gradient_image(size.width(), size.height()), path).c_str()));
        frames.push_back(owners.back().get());
    }
    const std::string out = (dir.path() / "anim.gif").string();
    ASSERT_EQ(DIBtoGIFAni(out.c_str(), frames.data(), int(frames.size()), 150), 1);

    QImageReader reader(QString::fromStdString(out));
    EXPECT_EQ(reader.size(), QSize(60, 50));
    EXPECT_EQ(reader.imageCount(), 5);
    EXPECT_EQ(reader.loopCount(), -1);
    const QImage first = reader.read();
    EXPECT_EQ(reader.nextImageDelay(), 1500);
    EXPECT_LT(mean_channel_difference(first.copy(0, 0, 40, 30), gradient_image(40, 30)), 6);
    int frames_read = 1;
    while (reader.canRead() && !reader.read().isNull()) {
        EXPECT_EQ(reader.nextImageDelay(), 1500);
        ++frames_read;
    }
    EXPECT_EQ(frames_read, 5);

    // Frames still load with ToDIB: the first at canvas size.
    const Image back_owner = Image::load(out.c_str());
    const ImageHandle back = back_owner.get();
    EXPECT_EQ(head_size(back), QSize(60, 50));
}

TEST(DIBtoGIFAni, RefusesNoFramesAndUndecodableOnes) {
    TempDir dir;
    const std::string jpg = save_image(gradient_image(30, 30), dir.path() / "f.jpg");
    const Image good_owner = Image::load(jpg.c_str());
    const ImageHandle good = good_owner.get();
    const std::string doomed = save_image(gradient_image(30, 30), dir.path() / "doomed.jpg");
    const Image gone_owner = Image::load(doomed.c_str());
    const ImageHandle gone = gone_owner.get();
    std::filesystem::resize_file(doomed, 0);
    const std::string out = (dir.path() / "a.gif").string();
    EXPECT_EQ(DIBtoGIFAni(out.c_str(), nullptr, 2, 10), 0);
    const ImageHandle frames[] = {good, gone, good};
    EXPECT_EQ(DIBtoGIFAni(out.c_str(), frames, 0, 10), 0);
    EXPECT_EQ(DIBtoGIFAni(out.c_str(), frames, 3, 10), 0);
    EXPECT_FALSE(std::filesystem::exists(out));
    // The same image twice is fine.
    EXPECT_EQ(DIBtoGIFAni(out.c_str(), frames + 2, 1, 10), 1);
    const ImageHandle twice[] = {good, good};
    EXPECT_EQ(DIBtoGIFAni(out.c_str(), twice, 2, 0), 1);
}

}  // namespace
}  // namespace tervo
