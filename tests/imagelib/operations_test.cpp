// Loading, turning, converting, resizing and the handle rules.
#include "imagelib/imgctl.h"
#include "tests/imagelib/sample_images.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_pictures.h"

#include <gtest/gtest.h>

#include <QImageReader>
#include <QPainter>

#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <type_traits>
#include <vector>

namespace tervo {
namespace {

using testing::drawn_pixels;
using testing::gradient_image;
using testing::head_size;
using testing::max_channel_difference;
using testing::mean_channel_difference;
using testing::save_image;
using testing::TempDir;

// A BMP header announcing width x height at 24 bits, with no pixels after it.
std::string bmp_header_only(int32_t width, int32_t height) {
    std::string bytes(54, '\0');
    auto put32 = [&](int offset, uint32_t value) { std::memcpy(bytes.data() + offset, &value, 4); };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, 54);
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(width));
    put32(22, uint32_t(height));
    bytes[26] = 1;
    bytes[28] = 24;
    return bytes;
}

TEST(ToDIB, RefusesWhatIsNotALoadableImage) {
    TempDir dir;
    const std::string png = save_image(gradient_image(8, 8), dir.path() / "ok.png");
    std::filesystem::create_directory(dir.path() / "folder.png");
    struct Case {
        const char* what;
        std::string path;
    };
    const Case cases[] = {
        {"empty path", ""},
        {"missing file", (dir.path() / "missing.png").string()},
        {"folder", (dir.path() / "folder.png").string()},
        {"zero bytes", dir.write("empty.jpg", "").string()},
        {"text", dir.write("text.bmp", "this is not an image at all\n").string()},
        {"GIF signature only", dir.write("short.gif", "GIF89a").string()},
        {"over the side cap", dir.write("wide.bmp", bmp_header_only(kMaxImageSide + 1, 1)).string()},
        {"over the pixel cap", dir.write("big.bmp", bmp_header_only(20000, 20000)).string()},
        {"other format", dir.write("pic.png", "P3\n1 1\n255\n0 0 0\n").string()},
    };
    for (const Case& c : cases) EXPECT_EQ(ToDIB(c.path.c_str()), 0u) << c.what;
    EXPECT_EQ(ToDIB(nullptr), 0u);
    const Image image_owner = Image::load(png.c_str());
    const ImageHandle image = image_owner.get();
    EXPECT_NE(image, 0u);
}

TEST(ToDIB, LoadsEachFormatByContentAtItsSize) {
    TempDir dir;
    const QImage source = gradient_image(37, 23);
    for (const char* name : {"a.bmp", "a.png", "a.gif", "a.jpg"}) {
        // GIF is written through the library itself: Qt has no GIF writer.
        std::string path;
        if (std::string(name) == "a.gif") {
            const Image from_owner = Image::load(save_image(source, dir.path() / "from.png").c_str());
            const ImageHandle from = from_owner.get();
            path = (dir.path() / name).string();
            ASSERT_TRUE(DIBtoGIF(path.c_str(), from, 0));
        } else {
            path = save_image(source, dir.path() / name);
        }
        // A misnamed copy loads just the same.
        const auto misnamed = dir.path() / (std::string("misnamed-") + name + ".png");
        std::filesystem::copy_file(path, misnamed);
        for (const std::string& p : {path, misnamed.string()}) {
            const Image image_owner = Image::load(p.c_str());
            const ImageHandle image = image_owner.get();
            ASSERT_NE(image, 0u) << p;
            EXPECT_EQ(head_size(image), QSize(37, 23)) << p;
            EXPECT_LT(mean_channel_difference(drawn_pixels(image), source), 8) << p;
        }
    }
}

TEST(Handles, UnknownAndReleasedHandlesAreIgnored) {
    TempDir dir;
    // Raw handles: what is checked here is the release itself.
    const ImageHandle live = ToDIB(save_image(gradient_image(4, 4), dir.path() / "a.png").c_str());
    ASSERT_NE(live, 0u);
    const ImageHandle released = ToDIB(save_image(gradient_image(4, 4), dir.path() / "b.png").c_str());
    ASSERT_NE(released, live);
    EXPECT_EQ(DeleteDIB(released), 1);
    const std::string out = (dir.path() / "out").string();
    QImage canvas(8, 8, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    for (ImageHandle bad : {ImageHandle{0}, released, ImageHandle{0xdeadbeef}}) {
        image_header header{};
        EXPECT_EQ(DeleteDIB(bad), 0);
        EXPECT_EQ(TurnDIB(bad, 90), 0);
        EXPECT_EQ(DIBto24Bit(bad), 0);
        EXPECT_EQ(HeadDIB(bad, &header), 0);
        EXPECT_EQ(ResizeDIB(bad, 2, 2), 0);
        EXPECT_EQ(DIBtoDCex2(&painter, 0, 0, 4, 4, bad, 0, 0, 4, 4, SRCCOPY, 1), 0);
        EXPECT_EQ(DIBtoBMP(out.c_str(), bad), 0);
        EXPECT_EQ(DIBtoJPG(out.c_str(), bad, 90, 0), 0);
        EXPECT_EQ(DIBtoGIF(out.c_str(), bad, 0), 0);
        EXPECT_EQ(DIBtoPNG(out.c_str(), bad, 0), 0);
        const ImageHandle frames[] = {live, bad};
        EXPECT_EQ(DIBtoGIFAni(out.c_str(), frames, 2, 10), 0);
    }
    painter.end();
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(HeadDIB(live, nullptr), 0);
    EXPECT_EQ(DeleteDIB(live), 1);
    EXPECT_EQ(DeleteDIB(live), 0);
}

TEST(Image, ReleasesWhatItHoldsOnEveryWayOut) {
    TempDir dir;
    const std::string a = save_image(gradient_image(4, 4), dir.path() / "a.png");
    const std::string b = save_image(gradient_image(6, 2), dir.path() / "b.png");
    const std::size_t start = live_image_count();
    ImageHandle seen = 0;
    {
        const Image image = Image::load(a.c_str());
        ASSERT_TRUE(image);
        seen = image.get();
        EXPECT_EQ(live_image_count(), start + 1);
    }
    EXPECT_EQ(live_image_count(), start);
    EXPECT_EQ(DeleteDIB(seen), 0) << "already released";
    const auto load_then_fail = [&] {
        const Image image = Image::load(a.c_str());
        if (image) throw std::runtime_error("after the load");
    };
    EXPECT_THROW(load_then_fail(), std::runtime_error);
    EXPECT_EQ(live_image_count(), start);

    // Refused files leave an empty owner, which releases nothing.
    const Image refused = Image::load((dir.path() / "missing.png").c_str());
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.get(), 0u);

    // reset() releases the old image before holding the new one.
    {
        Image image = Image::load(a.c_str());
        image.reset(ToDIB(b.c_str()));
        EXPECT_EQ(live_image_count(), start + 1);
        EXPECT_EQ(head_size(image.get()), QSize(6, 2));
        image.reset();
        EXPECT_FALSE(image);
        EXPECT_EQ(live_image_count(), start);
    }

    // release() hands the image over: the owner no longer frees it.
    ImageHandle handed = 0;
    {
        Image image = Image::load(a.c_str());
        handed = image.release();
        EXPECT_FALSE(image);
    }
    EXPECT_EQ(live_image_count(), start + 1);
    EXPECT_EQ(DeleteDIB(handed), 1);
    EXPECT_EQ(live_image_count(), start);
}

TEST(Image, MovingHandsOverTheImageOnce) {
    TempDir dir;
    const std::string a = save_image(gradient_image(4, 4), dir.path() / "a.png");
    const std::string b = save_image(gradient_image(6, 2), dir.path() / "b.png");
    const std::size_t start = live_image_count();
    {
        Image first = Image::load(a.c_str());
        const ImageHandle handle = first.get();
        Image second(std::move(first));
        EXPECT_FALSE(first);  // the moved-from owner is empty
        EXPECT_EQ(second.get(), handle);

        // Assigning over a held image releases it.
        Image other = Image::load(b.c_str());
        EXPECT_EQ(live_image_count(), start + 2);
        other = std::move(second);
        EXPECT_EQ(live_image_count(), start + 1);
        EXPECT_EQ(other.get(), handle);
        EXPECT_EQ(head_size(other.get()), QSize(4, 4));

        // Owners in a growing vector keep their images.
        std::vector<Image> images;
        for (int i = 0; i < 20; ++i) images.push_back(Image::load(b.c_str()));
        EXPECT_EQ(live_image_count(), start + 21);
        for (const Image& image : images) EXPECT_EQ(head_size(image.get()), QSize(6, 2));
    }
    EXPECT_EQ(live_image_count(), start);
    static_assert(!std::is_copy_constructible_v<Image> && !std::is_copy_assignable_v<Image>);
    static_assert(std::is_nothrow_move_constructible_v<Image> && std::is_nothrow_move_assignable_v<Image>);
}

// Turning is clockwise: after 90 degrees the former bottom-left corner is at
// the top left. Checked with the turn noted before decoding and after it.
TEST(TurnDIB, TurnsClockwiseBeforeAndAfterDecoding) {
    TempDir dir;
    const QImage source = gradient_image(5, 3);
    const std::string path = save_image(source, dir.path() / "t.png");
    struct Case {
        int angle;
        int expected_degrees;
    };
    const Case cases[] = {{90, 90}, {180, 180}, {270, 270}, {-90, 270}, {450, 90}, {360, 0}};
    for (const Case& c : cases) {
        const QImage expected = source.transformed(QTransform().rotate(c.expected_degrees));
        for (bool decode_first : {false, true}) {
            const Image image_owner = Image::load(path.c_str());
            const ImageHandle image = image_owner.get();
            if (decode_first) drawn_pixels(image);
            EXPECT_EQ(TurnDIB(image, c.angle), 1);
            EXPECT_EQ(head_size(image), expected.size()) << c.angle;
            EXPECT_EQ(max_channel_difference(drawn_pixels(image), expected), 0) << c.angle << " " << decode_first;
        }
    }
    // The first corner is where a clockwise turn puts it.
    const Image image_owner = Image::load(path.c_str());
    const ImageHandle image = image_owner.get();
    EXPECT_EQ(TurnDIB(image, 90), 1);
    EXPECT_EQ(drawn_pixels(image).pixel(0, 0), source.pixel(0, 2));
    EXPECT_EQ(TurnDIB(image, 45), 0);
    EXPECT_EQ(head_size(image), QSize(3, 5));
}

TEST(DIBto24Bit, PutsTransparencyOverWhite) {
    TempDir dir;
    QImage source(4, 1, QImage::Format_ARGB32);
    source.setPixel(0, 0, qRgba(255, 0, 0, 0));      // fully transparent
    source.setPixel(1, 0, qRgba(255, 0, 0, 255));    // opaque red
    source.setPixel(2, 0, qRgba(0, 0, 0, 128));      // half black
    source.setPixel(3, 0, qRgba(10, 20, 30, 255));
    const std::string path = save_image(source, dir.path() / "alpha.png");
    for (bool decode_first : {false, true}) {
        const Image image_owner = Image::load(path.c_str());
        const ImageHandle image = image_owner.get();
        if (decode_first) drawn_pixels(image);
        EXPECT_EQ(DIBto24Bit(image), 1);
        image_header header{};
        EXPECT_EQ(HeadDIB(image, &header), 1);
        EXPECT_EQ(header.bytes[14], 24);
        const QImage drawn = drawn_pixels(image);
        EXPECT_EQ(drawn.pixel(0, 0), qRgb(255, 255, 255));
        EXPECT_EQ(drawn.pixel(1, 0), qRgb(255, 0, 0));
        EXPECT_NEAR(qRed(drawn.pixel(2, 0)), 127, 1);
        EXPECT_EQ(drawn.pixel(3, 0), qRgb(10, 20, 30));
    }
}

TEST(HeadDIB, FillsABitmapInfoHeader) {
    TempDir dir;
    const Image image_owner = Image::load(save_image(gradient_image(33, 7), dir.path() / "h.png").c_str());
    const ImageHandle image = image_owner.get();
    EXPECT_EQ(DIBto24Bit(image), 1);
    image_header header;
    std::memset(&header, 0xAB, sizeof header);
    ASSERT_EQ(HeadDIB(image, &header), 1);
    auto u32 = [&](int offset) {
        uint32_t v;
        std::memcpy(&v, header.bytes + offset, 4);
        return v;
    };
    EXPECT_EQ(u32(0), 40u);
    EXPECT_EQ(header_width(header), 33);
    EXPECT_EQ(header_height(header), 7);
    EXPECT_EQ(header.bytes[12] | header.bytes[13] << 8, 1);  // planes
    EXPECT_EQ(u32(16), 0u);                                   // uncompressed
    EXPECT_EQ(u32(20), 100u * 7);                             // rows padded to 4 bytes
}

TEST(ResizeDIB, GivesExactlyTheAskedSizeOrAnEmptyImage) {
    TempDir dir;
    const QImage source = gradient_image(40, 30);
    const std::string path = save_image(source, dir.path() / "r.png");
    const QSize sizes[] = {{20, 15}, {80, 60}, {1, 1}, {39, 31}, {7, 90}};
    for (QSize size : sizes) {
        for (bool decode_first : {false, true}) {
            const Image image_owner = Image::load(path.c_str());
            const ImageHandle image = image_owner.get();
            if (decode_first) drawn_pixels(image);
            EXPECT_EQ(ResizeDIB(image, size.width(), size.height()), 1);
            EXPECT_EQ(head_size(image), size);
            const QImage expected = source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            EXPECT_LE(max_channel_difference(drawn_pixels(image), expected), 1) << size.width() << "x" << size.height();
        }
    }
    // Below one pixel: an empty image that draws nothing and writes nothing.
    for (QSize size : {QSize(0, 10), QSize(10, 0), QSize(-5, 3), QSize(0, 0)}) {
        const Image image_owner = Image::load(path.c_str());
        const ImageHandle image = image_owner.get();
        EXPECT_EQ(ResizeDIB(image, size.width(), size.height()), 1);
        EXPECT_LE(head_size(image).width(), std::max(size.width(), 0));
        QImage canvas(50, 50, QImage::Format_RGB32);
        canvas.fill(Qt::black);
        QPainter painter(&canvas);
        DIBtoDCex2(&painter, 0, 0, 10, 10, image, 0, 0, 10, 10, SRCCOPY, 1);
        painter.end();
        EXPECT_EQ(canvas.pixel(0, 0), qRgb(0, 0, 0));
        EXPECT_EQ(DIBtoBMP((dir.path() / "empty.bmp").c_str(), image), 0);
        EXPECT_EQ(TurnDIB(image, 90), 1);
    }
    // Over the cap: noted, so the part on show can be drawn (the zoom of
    // the show), but never written: nothing of another size than asked.
    for (bool decode_first : {false, true}) {
        const Image image_owner = Image::load(path.c_str());
        const ImageHandle image = image_owner.get();
        if (decode_first) drawn_pixels(image);
        EXPECT_EQ(ResizeDIB(image, 40000, 40000), 1);
        EXPECT_EQ(head_size(image), QSize(40000, 40000));
        QImage canvas(60, 40, QImage::Format_RGB32);
        canvas.fill(Qt::black);
        QPainter painter(&canvas);
        EXPECT_EQ(DIBtoDCex2(&painter, 0, 0, 40000, 40000, image, 0, 0, 40000, 40000, SRCCOPY, 1), 1);
        painter.end();
        // Every pixel on show lies within the source's top left pixel.
        QImage corner(60, 40, QImage::Format_RGB32);
        corner.fill(source.pixel(0, 0));
        EXPECT_LE(max_channel_difference(canvas, corner), 2) << decode_first;
        EXPECT_EQ(DIBtoPNG((dir.path() / "over.png").c_str(), image, 0), 0);
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "over.png"));
    }
}

// A shrunk JPEG decoded at a reduced DCT scale looks like one decoded in
// full, turned and then shrunk.
TEST(ResizeDIB, ShrinkOnLoadMatchesTheFullDecode) {
    TempDir dir;
    const std::string path = save_image(gradient_image(1600, 1200), dir.path() / "big.jpg", 92);
    const QImage full = testing::read_with_qt(path);
    struct Case {
        int turn;
        QSize size;
    };
    const Case cases[] = {{0, {200, 150}}, {90, {150, 200}}, {270, {300, 400}}, {180, {799, 601}}, {0, {1600, 1200}}};
    for (const Case& c : cases) {
        const Image image_owner = Image::load(path.c_str());
        const ImageHandle image = image_owner.get();
        if (c.turn) {
            EXPECT_EQ(TurnDIB(image, c.turn), 1);
        }
        EXPECT_EQ(DIBto24Bit(image), 1);
        EXPECT_EQ(head_size(image), c.turn % 180 ? QSize(1200, 1600) : QSize(1600, 1200));
        EXPECT_EQ(ResizeDIB(image, c.size.width(), c.size.height()), 1);
        EXPECT_EQ(head_size(image), c.size);
        const QImage expected = full.transformed(QTransform().rotate(c.turn))
                                    .scaled(c.size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QImage drawn = drawn_pixels(image);
        EXPECT_LT(mean_channel_difference(drawn, expected), 1.5) << c.turn << " " << c.size.width();
        EXPECT_LT(max_channel_difference(drawn, expected), 24) << c.turn << " " << c.size.width();
    }
}

TEST(ToDIB, PixelsThatVanishAfterLoadingDrawNothing) {
    TempDir dir;
    const std::string path = save_image(gradient_image(64, 64), dir.path() / "gone.jpg");
    Image image_owner = Image::load(path.c_str());
    const ImageHandle image = image_owner.get();
    ASSERT_NE(image, 0u);
    // Emptied through the descriptor the load keeps open.
    std::filesystem::resize_file(path, 0);
    EXPECT_EQ(head_size(image), QSize(64, 64));
    EXPECT_EQ(TurnDIB(image, 90), 1);
    EXPECT_EQ(DIBto24Bit(image), 1);
    EXPECT_EQ(ResizeDIB(image, 32, 32), 1);  // only noted: nothing is decoded yet
    EXPECT_EQ(drawn_pixels(image, 0xff000000).pixel(5, 5), qRgb(0, 0, 0));
    EXPECT_EQ(ResizeDIB(image, 16, 16), 0);
    EXPECT_EQ(DIBtoPNG((dir.path() / "out.png").c_str(), image, 0), 0);
    EXPECT_EQ(DeleteDIB(image_owner.release()), 1) << "still held";
}

// The load keeps the file it opened: every later decode reads from it, so a
// name that now stands for something else, or nothing, changes nothing.
TEST(ToDIB, DecodesFromTheFileItOpened) {
    TempDir dir;
    const QImage first = gradient_image(30, 20);
    const std::string path = save_image(first, dir.path() / "one.png");
    const Image renamed_owner = Image::load(path.c_str());
    const ImageHandle renamed = renamed_owner.get();
    std::filesystem::rename(path, dir.path() / "moved.png");
    save_image(gradient_image(20, 30), dir.path() / "one.png");  // another picture under the name
    const Image replaced_owner = Image::load(path.c_str());
    const ImageHandle replaced = replaced_owner.get();
    std::filesystem::remove(path);
    EXPECT_EQ(max_channel_difference(drawn_pixels(renamed), first), 0);
    EXPECT_EQ(head_size(replaced), QSize(20, 30));
    EXPECT_EQ(drawn_pixels(replaced).size(), QSize(20, 30));

    // A name that is not UTF-8 is opened by its bytes.
    const std::string odd = (dir.path() / "\xff\xfe\x81.png").string();
    std::filesystem::copy_file(dir.path() / "moved.png", odd);
    const Image image_owner = Image::load(odd.c_str());
    const ImageHandle image = image_owner.get();
    ASSERT_NE(image, 0u);
    EXPECT_EQ(max_channel_difference(drawn_pixels(image), first), 0);
}

TEST(ImageCheck, DamagedPixelsAreFoundBeforeUse) {
    TempDir dir;
    ASSERT_TRUE(testing::write_damaged_png(dir.path() / "damaged.png"));
    ASSERT_TRUE(!save_image(gradient_image(12, 9), dir.path() / "sound.png").empty());
    const std::size_t live_before = live_image_count();

    ImageHandle gone = 0;
    {
        const Image damaged = Image::load((dir.path() / "damaged.png").c_str());
        ASSERT_TRUE(damaged) << "the header alone is sound";
        EXPECT_EQ(CheckDIB(damaged.get()), 0);
        const Image sound = Image::load((dir.path() / "sound.png").c_str());
        ASSERT_TRUE(sound);
        ASSERT_EQ(TurnDIB(sound.get(), 90), 1);
        EXPECT_EQ(CheckDIB(sound.get()), 1);
        // Checking keeps nothing: the image still has its own (turned) size.
        image_header header{};
        ASSERT_EQ(HeadDIB(sound.get(), &header), 1);
        EXPECT_EQ(header_width(header), 9);
        EXPECT_EQ(header_height(header), 12);
        EXPECT_EQ(CheckDIB(0), 0);
        gone = sound.get();
    }
    EXPECT_EQ(CheckDIB(gone), 0);
    EXPECT_EQ(live_image_count(), live_before);
}

}  // namespace
}  // namespace tervo
