// The newer formats against their own libraries' command-line decoders:
// files made at test time by Debian's encoders, read through the show's
// chain at their own size, turned, and shrunk to a quarter.
#include <gtest/gtest.h>

#include <libheif/heif.h>

#include <QTransform>

#include <cstdlib>
#include <cstring>
#include <map>

#include "tests/imagelib/reference_images.h"
#include "tests/imagelib/sample_images.h"
#include "tests/support/temp_dir.h"

namespace tervo::testing {
namespace {

constexpr int kWidth = 160, kHeight = 96;

// The gradient with alpha falling from left to right, fully clear at the
// right edge.
QImage with_alpha(QImage image) {
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            image.setPixel(x, y, qRgba(qRed(p), qGreen(p), qBlue(p), 255 - 255 * x / (image.width() - 1)));
        }
    return image;
}

// libheif's own encoder, for the turn heif-enc cannot ask for: the file is
// shown turned a quarter clockwise.
void write_turned_heic(const QImage& source, const std::string& path) {
    const QImage rgb = source.convertToFormat(QImage::Format_RGB888);
    heif_context* ctx = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* image = nullptr;
    ASSERT_EQ(heif_context_get_encoder_for_format(ctx, heif_compression_HEVC, &encoder).code, heif_error_Ok);
    heif_encoder_set_lossy_quality(encoder, 90);
    heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, rgb.width(), rgb.height(), 8);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < rgb.height(); ++y) std::memcpy(plane + y * stride, rgb.constScanLine(y), rgb.width() * 3);
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = heif_orientation_rotate_90_cw;
    EXPECT_EQ(heif_context_encode_image(ctx, image, encoder, options, nullptr).code, heif_error_Ok);
    EXPECT_EQ(heif_context_write_to_file(ctx, path.c_str()).code, heif_error_Ok);
    heif_encoding_options_free(options);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(ctx);
}

QImage through_chain(const std::string& path, int turn, QSize shrink_to) {
    Image image = Image::load(path.c_str());
    if (!image.get() || (turn != 0 && !TurnDIB(image.get(), turn))) return QImage();
    if (shrink_to.isValid() && !ResizeDIB(image.get(), shrink_to.width(), shrink_to.height())) return QImage();
    if (!DIBto24Bit(image.get())) return QImage();
    return drawn_pixels(image.get());
}

struct Case {
    const char* name;
    bool alpha;
    // Shell commands; {src} is the generated PNG, {file} the encoded file,
    // {ref} the PNG the format's own decoder writes.
    const char* encode;  // empty: the turned HEIC above
    const char* decode;
    double min_psnr;  // at own size and turned; the quarter allows for resampling
};

std::string filled(std::string command, const std::map<std::string, std::string>& values) {
    for (const auto& [key, value] : values)
        for (std::size_t at; (at = command.find(key)) != std::string::npos;) command.replace(at, key.size(), value);
    return command + " >/dev/null 2>&1";
}

TEST(FormatReaders, MatchTheirLibrariesOwnDecoders) {
    const Case cases[] = {
        {"lossy.webp", false, "cwebp -q 90 {src} -o {file}", "dwebp {file} -o {ref}", 45},
        {"lossless-alpha.webp", true, "cwebp -lossless {src} -o {file}", "dwebp {file} -o {ref}", 50},
        {"alpha-10bit.avif", true, "avifenc -d 10 -s 8 {src} {file}", "avifdec -d 8 {file} {ref}", 38},
        {"turned.heic", false, "", "heif-convert {file} {ref}", 45},
        {"alpha.heic", true, "heif-enc -q 90 {src} -o {file}", "heif-convert {file} {ref}", 45},
        {"tiled16-turned.tif", false,
         "convert {src} -depth 16 -define tiff:tile-geometry=32x32 {file} && tiffset -s 274 6 {file}",
         "convert {file} -auto-orient -depth 8 {ref}", 48},
        {"strips-alpha.tif", true, "convert {src} -compress lzw {file}", "convert {file} {ref}", 48},
        {"lossy.jxl", false, "cjxl -d 1 {src} {file}", "djxl {file} {ref}", 45},
        {"lossless-alpha.jxl", true, "cjxl -d 0 {src} {file}", "djxl {file} {ref}", 45},
    };
    TempDir dir;
    const QImage plain = gradient_image(kWidth, kHeight);
    const std::string plain_png = save_image(plain, dir.path() / "plain.png");
    const std::string alpha_png = save_image(with_alpha(plain), dir.path() / "alpha.png");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = (dir.path() / c.name).string();
        const std::string ref = file + ".ref.png";
        const std::map<std::string, std::string> values{
            {"{src}", c.alpha ? alpha_png : plain_png}, {"{file}", file}, {"{ref}", ref}};
        if (*c.encode == '\0')
            write_turned_heic(plain, file);
        else
            ASSERT_EQ(std::system(filled(c.encode, values).c_str()), 0);
        ASSERT_EQ(std::system(filled(c.decode, values).c_str()), 0);
        const QImage expected = flattened_over_white(read_with_qt(ref));
        ASSERT_FALSE(expected.isNull());
        const QSize quarter(expected.width() / 4, expected.height() / 4);

        EXPECT_GE(compare_rgb(through_chain(file, 0, QSize()), expected).psnr, c.min_psnr) << "own size";
        EXPECT_GE(compare_rgb(through_chain(file, 90, QSize()), expected.transformed(QTransform().rotate(90))).psnr,
                  c.min_psnr)
            << "turned";
        EXPECT_GE(compare_rgb(through_chain(file, 0, quarter), shrunk_reference(expected, quarter)).psnr, 34)
            << "quarter";
    }
}

}  // namespace
}  // namespace tervo::testing
