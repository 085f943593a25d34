// Tests of the GIF decoder: the corpus against its reference frames, and
// files made with giflib's encoder (or by hand) for what the corpus lacks.
#include "tests/imagelib/decoder_test_support.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <QImageReader>

#include <cstring>
#include <map>
#include <sstream>

namespace tervo::testing {
namespace {

using imagelib::decode_gif;
using imagelib::read_gif_info;

Decoded decode_gif_file(const std::string& path) { return decode_file(path, read_gif_info, decode_gif); }

// A reference of the first frame (or of the only one) as an image; null for
// references of later frames and kinds not read here.
QImage reference_image(const CorpusEntry& reference, const CorpusEntry& test) {
    const std::string path = (corpus_dir() / reference.path).string();
    if (!shows_first_frame(reference)) return QImage();
    if (reference.format == "png") return QImageReader(QString::fromStdString(path)).read();
    // giflib's raw dumps show the screen after the last frame.
    if (reference.format == "raw-rgb" && test.frames == 1) {
        const std::string bytes = read_file(path);
        const QSize size(test.width, test.height);
        if (bytes.size() != std::size_t(size.width()) * std::size_t(size.height()) * 3) return QImage();
        QImage image(size, QImage::Format_RGB888);
        for (int y = 0; y < size.height(); ++y)
            std::memcpy(image.scanLine(y), bytes.data() + std::size_t(y) * std::size_t(size.width()) * 3,
                        std::size_t(size.width()) * 3);
        return image;
    }
    return QImage();
}

// Valid files giflib cannot decode, and why.
const std::map<std::string, std::string> kValidRefused = {
    {"gif/pillow/issue_2811.gif", "giflib refuses an LZW minimum code size over 8; this file gives 11"},
};

TEST(GifCorpus, ValidFilesDecodeToTheirReferenceFrames) {
    const std::vector<CorpusEntry> manifest = read_manifest(corpus_dir());
    if (manifest.empty()) GTEST_SKIP() << "no image corpus on this machine";
    std::map<std::string, const CorpusEntry*> tests;
    int valid = 0, against_qt = 0;
    for (const CorpusEntry& e : manifest) {
        if (e.role != "test" || e.format != "gif") continue;
        tests[e.path] = &e;
        if (e.klass != "valid") continue;
        ++valid;
        SCOPED_TRACE(e.path);
        const Decoded d = decode_gif_file((corpus_dir() / e.path).string());
        ASSERT_TRUE(d.info);
        EXPECT_EQ(d.info->stored_size, QSize(e.width, e.height));
        if (kValidRefused.count(e.path)) {
            EXPECT_FALSE(d.decoded);
            continue;
        }
        EXPECT_TRUE(d.decoded);
        EXPECT_EQ(d.image.size(), QSize(e.width, e.height));
        // Qt's reader agrees where nothing is transparent (it paints the
        // background colour round a smaller frame).
        if (d.image.format() == QImage::Format_RGB32) {
            const QImage qt = QImageReader(QString::fromStdString((corpus_dir() / e.path).string())).read();
            EXPECT_EQ(max_difference(d.image, qt), 0);
            ++against_qt;
        }
    }
    EXPECT_GT(valid, 90);
    EXPECT_GT(against_qt, 50);

    int compared = 0;
    for (const CorpusEntry& reference : manifest) {
        if (reference.role != "reference") continue;
        std::istringstream words(reference.ref_for);
        std::string described;
        words >> described;
        const auto test = tests.find(described);
        if (test == tests.end() || test->second->klass == "invalid" || kValidRefused.count(described)) continue;
        const QImage expected = reference_image(reference, *test->second);
        if (expected.isNull()) continue;
        SCOPED_TRACE(described + " against " + reference.path);
        const Decoded d = decode_gif_file((corpus_dir() / described).string());
        ASSERT_TRUE(d.decoded);
        ASSERT_EQ(d.image.size(), expected.size());
        // A reference without alpha cannot say what transparent pixels hold.
        QImage ours = d.image.convertToFormat(QImage::Format_ARGB32);
        if (!expected.hasAlphaChannel())
            for (int y = 0; y < ours.height(); ++y)
                for (int x = 0; x < ours.width(); ++x)
                    if (qAlpha(ours.pixel(x, y)) == 0) ours.setPixel(x, y, expected.pixel(x, y));
        EXPECT_EQ(max_difference(ours, expected), 0);
        ++compared;
    }
    EXPECT_GT(compared, 25);
    std::printf("valid GIFs: %d, compared with Qt %d, with reference frames %d\n", valid, against_qt, compared);
}

TEST(GifCorpus, DamagedFilesAreRefusedOrDecodedWhole) {
    const std::vector<CorpusEntry> manifest = read_manifest(corpus_dir());
    if (manifest.empty()) GTEST_SKIP() << "no image corpus on this machine";
    int decoded = 0, refused = 0;
    for (const CorpusEntry& e : corpus_tests(manifest, "gif")) {
        if (e.klass == "valid") continue;
        SCOPED_TRACE(e.path);
        const Decoded d = decode_gif_file((corpus_dir() / e.path).string());
        if (d.decoded) {
            EXPECT_EQ(d.image.size(), d.info->stored_size);
            ++decoded;
        } else {
            ++refused;
        }
    }
    std::printf("damaged or doubtful GIFs: %d decoded, %d refused\n", decoded, refused);
}

struct Frame {
    int left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    int transparent = -1;
    std::vector<uint8_t> indices;  // width x height, top to bottom
};

int append(GifFileType* gif, const GifByteType* bytes, int count) {
    static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), std::size_t(count));
    return count;
}

// A GIF of the given frames over a global colour table of four colours.
std::string make_gif(int width, int height, const std::vector<Frame>& frames) {
    std::string out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, append, &error);
    const GifColorType colours[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    ColorMapObject* map = GifMakeMapObject(4, colours);
    EGifSetGifVersion(gif, true);
    EXPECT_NE(EGifPutScreenDesc(gif, width, height, 8, 0, map), GIF_ERROR);
    for (const Frame& f : frames) {
        if (f.transparent >= 0) {
            GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 0, f.transparent};
            GifByteType extension[4];
            EGifGCBToExtension(&gcb, extension);
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension);
        }
        EXPECT_NE(EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlaced, nullptr), GIF_ERROR);
        std::vector<int> order;
        if (f.interlaced) {
            for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
                for (int y = start; y < f.height; y += step) order.push_back(y);
        } else {
            for (int y = 0; y < f.height; ++y) order.push_back(y);
        }
        for (int y : order)
            EXPECT_NE(EGifPutLine(gif, const_cast<GifPixelType*>(f.indices.data()) + y * f.width, f.width),
                      GIF_ERROR);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

// Index (x + y) % 4 at each pixel.
Frame diagonal(int left, int top, int width, int height) {
    Frame f{left, top, width, height, false, -1, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) f.indices.push_back(uint8_t((x + y) % 4));
    return f;
}

const QRgb kColours[4] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255)};

class GifDecoder : public ::testing::Test {
protected:
    std::string file(const std::string& name, const std::string& bytes) {
        return dir_.write(name, bytes).string();
    }
    TempDir dir_;
};

TEST_F(GifDecoder, FirstFrameStandsOnATransparentScreen) {
    // A second, covering frame must not show.
    const std::string path = file("small.gif", make_gif(8, 6, {diagonal(2, 1, 3, 2), diagonal(0, 0, 8, 6)}));
    const Decoded d = decode_gif_file(path);
    ASSERT_TRUE(d.decoded);
    ASSERT_EQ(d.image.size(), QSize(8, 6));
    EXPECT_EQ(d.image.format(), QImage::Format_ARGB32);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 1 && y < 3;
            EXPECT_EQ(d.image.pixel(x, y), inside ? kColours[(x - 2 + y - 1) % 4] : 0u) << x << "," << y;
        }
}

TEST_F(GifDecoder, OpaqueUnlessATransparentIndexIsDeclaredBeforeTheFirstFrame) {
    const Decoded opaque = decode_gif_file(file("opaque.gif", make_gif(5, 4, {diagonal(0, 0, 5, 4)})));
    ASSERT_TRUE(opaque.decoded);
    EXPECT_EQ(opaque.image.format(), QImage::Format_RGB32);
    EXPECT_EQ(opaque.image.pixel(3, 2), kColours[1]);

    Frame keyed = diagonal(0, 0, 5, 4);
    keyed.transparent = 2;
    const Decoded transparent = decode_gif_file(file("keyed.gif", make_gif(5, 4, {keyed})));
    ASSERT_TRUE(transparent.decoded);
    EXPECT_EQ(transparent.image.format(), QImage::Format_ARGB32);
    EXPECT_EQ(transparent.image.pixel(1, 1), 0u);
    EXPECT_EQ(transparent.image.pixel(0, 1), kColours[1]);

    // Transparency of a later frame is not the first frame's.
    const Decoded later = decode_gif_file(file("later.gif", make_gif(5, 4, {diagonal(0, 0, 5, 4), keyed})));
    ASSERT_TRUE(later.decoded);
    EXPECT_EQ(later.image.format(), QImage::Format_RGB32);
}

TEST_F(GifDecoder, InterlacedFrameDecodesLikeAPlainOne) {
    Frame plain = diagonal(1, 2, 7, 19);
    for (std::size_t i = 0; i < plain.indices.size(); ++i) plain.indices[i] = uint8_t((i / 7 * 3 + i % 7) % 4);
    Frame interlaced = plain;
    interlaced.interlaced = true;
    const Decoded a = decode_gif_file(file("plain.gif", make_gif(9, 22, {plain})));
    const Decoded b = decode_gif_file(file("interlaced.gif", make_gif(9, 22, {interlaced})));
    ASSERT_TRUE(a.decoded);
    ASSERT_TRUE(b.decoded);
    EXPECT_EQ(a.image, b.image);
    EXPECT_EQ(b.image.pixel(1 + 4, 2 + 5), kColours[(5 * 3 + 4) % 4]);
}

TEST_F(GifDecoder, FrameReachingPastTheScreenIsCut) {
    for (bool interlaced : {false, true}) {
        Frame f = diagonal(2, 3, 6, 9);
        f.interlaced = interlaced;
        const Decoded d = decode_gif_file(file("past.gif", make_gif(4, 5, {f})));
        ASSERT_TRUE(d.decoded);
        ASSERT_EQ(d.image.size(), QSize(4, 5));
        EXPECT_EQ(d.image.pixel(3, 4), kColours[(1 + 1) % 4]);
        EXPECT_EQ(d.image.pixel(1, 4), 0u);
    }
}

TEST_F(GifDecoder, FrameFarLargerThanItsScreenIsRefusedUnlessOnlyItsVisibleRowsAreDecoded) {
    // On a 64 x 64 screen: a plain frame's rows below the screen are never
    // decoded; an interlaced one would have to be decoded through most of
    // its rows to reach the visible ones, which costs out of all proportion.
    struct Case {
        int width, height;
        bool interlaced;
        bool shown;
    };
    for (const Case& c : {Case{65535, 600, false, true}, Case{65535, 600, true, false}, Case{1000, 1000, true, true}}) {
        Frame f{0, 0, c.width, c.height, c.interlaced, -1, {}};
        f.indices.assign(std::size_t(c.width) * std::size_t(c.height), 1);
        const Decoded d = decode_gif_file(file("wide.gif", make_gif(64, 64, {f})));
        ASSERT_TRUE(d.info);
        ASSERT_EQ(d.decoded, c.shown) << c.width << "x" << c.height << " " << c.interlaced;
        if (c.shown) {
            EXPECT_EQ(d.image.pixel(63, 63), kColours[1]);
        }
    }
}

TEST_F(GifDecoder, HugeScreenCostsOnlyWhatTheSinkAsksFor) {
    // 35 bytes: a 32768 x 4096 screen, two colours, one 1x1 frame.
    const std::string bytes = std::string("GIF89a\x00\x80\x00\x10\x80\x00\x00", 13) +
                              std::string("\x00\x00\x00\xff\xff\xff", 6) +
                              std::string("\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00", 10) +
                              std::string("\x02\x02\x44\x01\x00\x3b", 6);
    ASSERT_EQ(bytes.size(), 35u);
    const std::string path = file("screen.gif", bytes);
    const auto input = imagelib::FileInput::open(path.c_str());
    ASSERT_TRUE(input);
    const auto info = read_gif_info(*input);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->stored_size, QSize(32768, 4096));
    const int64_t before = resident_bytes();
    CountingSink sink;
    EXPECT_TRUE(decode_gif(*input, sink));
    EXPECT_EQ(sink.format, QImage::Format_ARGB32);
    EXPECT_EQ(sink.rows_done, 4096);
    EXPECT_TRUE(sink.in_order);
    EXPECT_LT(sink.peak_resident - before, int64_t{32} << 20);  // the picture would be 512 MiB

    // Without a frame there is nothing to show: the sink is never started.
    const std::string empty = bytes.substr(0, 19) + "\x3b";
    CountingSink unused;
    const auto empty_input = imagelib::FileInput::open(file("empty.gif", empty).c_str());
    ASSERT_TRUE(empty_input);
    EXPECT_TRUE(read_gif_info(*empty_input));
    EXPECT_FALSE(decode_gif(*empty_input, unused));
    EXPECT_EQ(unused.starts, 0);
}

TEST_F(GifDecoder, DamageBeforeOrInTheFirstFrameFailsAndAfterItDoesNot) {
    Frame big = diagonal(0, 0, 64, 64);
    for (std::size_t i = 0; i < big.indices.size(); ++i) big.indices[i] = uint8_t((i * 7 + i / 13) % 4);
    const std::string whole = make_gif(64, 64, {big, big});
    const std::string one = make_gif(64, 64, {big});
    ASSERT_TRUE(decode_gif_file(file("whole.gif", whole)).decoded);
    // The first frame cut short.
    const Decoded cut = decode_gif_file(file("cut.gif", one.substr(0, one.size() / 2)));
    EXPECT_TRUE(cut.info);
    EXPECT_FALSE(cut.decoded);
    // The second frame cut short: the picture is whole.
    const Decoded tail = decode_gif_file(file("tail.gif", whole.substr(0, one.size() + 40)));
    EXPECT_TRUE(tail.decoded);
    EXPECT_EQ(tail.image, decode_gif_file(file("one.gif", one)).image);
    // A sink without memory stops it.
    CountingSink refusing(false);
    const auto input = imagelib::FileInput::open(file("one2.gif", one).c_str());
    EXPECT_FALSE(decode_gif(*input, refusing));
    EXPECT_EQ(refusing.rows_done, 0);
}

TEST_F(GifDecoder, ScreenWithAZeroSideOrOverTheCapIsRefused) {
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{0, 5}, {5, 0}, {32769, 1}, {32768, 8193}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        const std::string bytes = std::string("GIF89a", 6) + char(w & 0xff) + char(w >> 8) + char(h & 0xff) +
                                  char(h >> 8) + std::string("\x00\x00\x00\x3b", 4);
        EXPECT_FALSE(decode_gif_file(file("size.gif", bytes)).info);
    }
}

}  // namespace
}  // namespace tervo::testing
