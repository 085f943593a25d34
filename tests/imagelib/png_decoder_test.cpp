// Tests of the PNG decoder: the corpus against its pixel references, and
// hand-made files the corpus lacks (bombs, a 16-bit colour key, damage).
#include "tests/imagelib/decoder_test_support.h"

#include "imagelib/row_sinks.h"
#include "tests/support/made_files.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <QFile>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <map>
#include <set>

namespace tervo::testing {
namespace {

using imagelib::decode_png;
using imagelib::read_png_info;

Decoded decode_png_file(const std::string& path) { return decode_file(path, read_png_info, decode_png); }

// PngSuite's JSON references: RGBA samples of 8 bits, or of 16 bits for
// 16-bit files, brought to 8 bits with rounding.
QImage json_reference(const std::filesystem::path& path, QSize size) {
    QFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::ReadOnly)) return QImage();
    const QJsonArray values = QJsonDocument::fromJson(file.readAll()).array();
    if (values.size() != qsizetype(size.width()) * size.height() * 4) return QImage();
    bool sixteen_bits = false;
    for (const QJsonValue& v : values) sixteen_bits = sixteen_bits || v.toInt() > 255;
    QImage image(size, QImage::Format_RGBA8888);
    qsizetype i = 0;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width() * 4; ++x) {
            const int v = values[i++].toInt();
            image.scanLine(y)[x] = uchar(sixteen_bits ? (v * 255 + 32767) / 65535 : v);
        }
    return image;
}

// The bit depth the header gives.
int bit_depth(const std::filesystem::path& path) {
    const std::string bytes = read_file(path);
    return bytes.size() > 24 ? int(uchar(bytes[24])) : 0;
}

// Valid files this decoder does not decode, and why. PngSuite's own files
// must never appear here.
const std::map<std::string, std::string> kValidRefused = {};

// Files whose pixels Qt decodes wrongly, so Qt cannot stand in for a
// missing reference.
const std::set<std::string> kQtWrong = {
    // Qt ignores the colour key of 16-bit RGB.
    "pngsuite/png/tbbn2c16.png",
    "pngsuite/png/tbgn2c16.png",
};

TEST(PngCorpus, ValidFilesDecodeToTheirReferencePixels) {
    const std::vector<CorpusEntry> manifest = read_manifest(corpus_dir());
    if (manifest.empty()) GTEST_SKIP() << "no image corpus on this machine";
    std::map<std::string, std::string> json_for;  // test file -> reference
    for (const CorpusEntry& e : manifest)
        if (e.role == "reference" && e.format == "json") json_for[e.ref_for] = e.path;

    int valid = 0, against_json = 0, against_qt = 0;
    std::set<std::string> refused;
    for (const CorpusEntry& e : corpus_tests(manifest, "png")) {
        if (e.klass != "valid") continue;
        ++valid;
        SCOPED_TRACE(e.path);
        const Decoded d = decode_png_file((corpus_dir() / e.path).string());
        if (!d.decoded) {
            refused.insert(e.path);
            continue;
        }
        ASSERT_TRUE(d.info);
        EXPECT_EQ(d.info->stored_size, QSize(e.width, e.height));
        ASSERT_EQ(d.image.size(), QSize(e.width, e.height));
        // 16-bit samples are rounded to 8 bits; references may round the
        // halfway cases the other way.
        const int tolerance = bit_depth(corpus_dir() / e.path) == 16 ? 1 : 0;
        const auto json = json_for.find(e.path);
        if (json != json_for.end()) {
            const QImage expected = json_reference(corpus_dir() / json->second, d.image.size());
            ASSERT_FALSE(expected.isNull()) << json->second;
            EXPECT_LE(max_difference(d.image, expected), tolerance);
            ++against_json;
        } else if (!kQtWrong.count(e.path)) {
            const QImage qt = QImageReader(QString::fromStdString((corpus_dir() / e.path).string())).read();
            ASSERT_FALSE(qt.isNull());
            EXPECT_LE(max_difference(d.image, qt), tolerance);
            ++against_qt;
        }
    }
    std::set<std::string> expected_refused;
    for (const auto& [path, reason] : kValidRefused) expected_refused.insert(path);
    EXPECT_EQ(refused, expected_refused);
    EXPECT_GT(valid, 180);
    EXPECT_GT(against_json, 150);
    std::printf("valid PNGs: %d, compared with PngSuite references %d, with Qt %d\n", valid, against_json,
                against_qt);
}

TEST(PngCorpus, DamagedFilesAreRefusedOrDecodedWhole) {
    const std::vector<CorpusEntry> manifest = read_manifest(corpus_dir());
    if (manifest.empty()) GTEST_SKIP() << "no image corpus on this machine";
    int decoded = 0, refused = 0;
    for (const CorpusEntry& e : corpus_tests(manifest, "png")) {
        if (e.klass == "valid") continue;
        SCOPED_TRACE(e.path);
        const Decoded d = decode_png_file((corpus_dir() / e.path).string());
        // PngSuite's x files are broken in a critical place.
        if (e.path.rfind("pngsuite/png/x", 0) == 0) {
            EXPECT_FALSE(d.decoded);
        }
        if (d.decoded) {
            EXPECT_EQ(d.image.size(), d.info->stored_size);
            ++decoded;
        } else {
            ++refused;
        }
    }
    std::printf("damaged or doubtful PNGs: %d decoded, %d refused\n", decoded, refused);
}

// PNG files made chunk by chunk, so that tests can write what encoders will
// not: bombs, damage, a 16-bit colour key.
std::string ihdr(uint32_t width, uint32_t height, int depth, int colour, bool interlaced = false) {
    return png_chunk("IHDR", be32(width) + be32(height) + char(depth) + char(colour) + '\0' + '\0' + char(interlaced));
}

std::string deflated(const std::string& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
              uLong(raw.size()), 9);
    out.resize(size);
    return out;
}

std::string png(const std::string& header, const std::string& before_data, const std::string& zdata) {
    return std::string("\x89PNG\r\n\x1a\n", 8) + header + before_data + png_chunk("IDAT", zdata) +
           png_chunk("IEND", "");
}

class PngDecoder : public ::testing::Test {
protected:
    std::string file(const std::string& name, const std::string& bytes) {
        return dir_.write(name, bytes).string();
    }
    static bool decode_into(const std::string& path, imagelib::RowSink& sink) {
        const auto input = imagelib::FileInput::open(path.c_str());
        return input && decode_png(*input, sink);
    }
    TempDir dir_;
};

// One filtered scanline (filter byte 0) per row of 16-bit RGB samples.
std::string rgb16_rows(const std::vector<std::vector<uint16_t>>& rows) {
    std::string raw;
    for (const auto& row : rows) {
        raw += '\0';
        for (uint16_t sample : row) raw += {char(sample >> 8), char(sample & 0xff)};
    }
    return raw;
}

TEST_F(PngDecoder, HugePictureStreamsRowByRowWithoutAPictureBuffer) {
    // 16384 x 8192 RGBA: 512 MiB of pixels from a file of two megabytes.
    const uint32_t width = 16384, height = 8192;
    const std::string path = file("bomb.png", png(ihdr(width, height, 8, 6), "",
                                                  deflated_zeros(uint64_t(height) * (1 + width * 4), Z_BEST_SPEED)));
    EXPECT_LT(std::filesystem::file_size(path), 4u << 20);
    const auto input = imagelib::FileInput::open(path.c_str());
    ASSERT_TRUE(input);
    const auto info = read_png_info(*input);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->stored_size, QSize(16384, 8192));

    const int64_t before = resident_bytes();
    CountingSink sink;
    EXPECT_TRUE(decode_png(*input, sink));
    EXPECT_EQ(sink.starts, 1);
    EXPECT_EQ(sink.size, QSize(16384, 8192));
    EXPECT_EQ(sink.format, QImage::Format_RGBA8888);
    EXPECT_EQ(sink.rows_done, 8192);
    EXPECT_TRUE(sink.in_order);
    // A whole-picture buffer would be 512 MiB; rows cost a few row widths.
    EXPECT_LT(sink.peak_resident - before, int64_t{64} << 20);
}

// The filtered bytes of an Adam7 picture of RGBA rows, pass by pass.
uint64_t adam7_bytes(uint64_t width, uint64_t height) {
    static constexpr int kPass[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                        {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    uint64_t total = 0;
    for (const auto& p : kPass) {
        const uint64_t w = (width - p[0] + p[2] - 1) / p[2], h = (height - p[1] + p[3] - 1) / p[3];
        if (w > 0 && h > 0) total += h * (1 + w * 4);
    }
    return total;
}

TEST_F(PngDecoder, InterlacedPictureOverTheBufferLimitIsRefusedBeforeDecoding) {
    // Adam7 rows are gathered whole: 8192 x 8200 RGBA is just over the limit.
    ASSERT_GT(int64_t{8192} * 8200 * 4, imagelib::kDecoderMemoryLimit);
    const std::string path =
        file("adam7.png", png(ihdr(8192, 8200, 8, 6, true), "", deflated_zeros(adam7_bytes(8192, 8200), Z_BEST_SPEED)));
    CountingSink sink;
    EXPECT_FALSE(decode_into(path, sink));
    EXPECT_EQ(sink.starts, 0);
}

TEST_F(PngDecoder, InterlacedFileBreakingOffEarlyCostsLittleMemory) {
    // Within the limit (250 MB of pixels), but the data ends after its
    // first rows: what was never decoded must not have been paid for.
    const std::string path =
        file("adam7-short.png", png(ihdr(8192, 8000, 8, 6, true), "", deflated_zeros(200000, Z_BEST_SPEED)));
    const int64_t before = std::max(peak_resident_bytes(), resident_bytes());
    CountingSink sink;
    EXPECT_FALSE(decode_into(path, sink));
    EXPECT_LT(peak_resident_bytes() - before, int64_t{64} << 20);
}

// The filtered bytes of an RGBA picture stored as Adam7, pass by pass.
std::string adam7_rows(const QImage& rgba) {
    static constexpr int kPass[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                        {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    std::string raw;
    for (const auto& p : kPass)
        for (int y = p[1]; y < rgba.height() && p[0] < rgba.width(); y += p[3]) {
            raw += '\0';
            for (int x = p[0]; x < rgba.width(); x += p[2])
                raw.append(reinterpret_cast<const char*>(rgba.constScanLine(y)) + x * 4, 4);
        }
    return raw;
}

TEST_F(PngDecoder, InterlacedPictureShownSmallerIsGatheredReduced) {
    // 8192 x 8192 RGBA would be 256 MiB gathered whole.
    const std::string huge =
        file("huge.png", png(ihdr(8192, 8192, 8, 6, true), "", deflated_zeros(adam7_bytes(8192, 8192), Z_BEST_SPEED)));
    QImage pattern(320, 240, QImage::Format_RGBA8888);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) pattern.setPixel(x, y, qRgba(x & 255, y, (x ^ y) & 255, (x * 7 + y * 3) & 255));
    const std::string small = file("small.png", png(ihdr(320, 240, 8, 6, true), "", deflated(adam7_rows(pattern))));
    struct Case {
        std::string path;
        QSize wanted, delivered;
    };
    for (const Case& c : {Case{huge, QSize(1000, 1000), QSize(1024, 1024)}, Case{small, QSize(80, 60), QSize(80, 60)},
                          Case{small, QSize(320, 240), QSize(320, 240)}}) {
        const int64_t before = std::max(peak_resident_bytes(), resident_bytes());
        const auto input = imagelib::FileInput::open(c.path.c_str());
        imagelib::WholeImageSink sink;
        ASSERT_TRUE(imagelib::decode_png_for_size(*input, c.wanted, sink)) << c.path;
        EXPECT_EQ(sink.image().size(), c.delivered) << c.path;
        EXPECT_LT(peak_resident_bytes() - before, int64_t{64} << 20) << c.path;
        if (c.path != small) continue;
        // Each pixel the alpha-weighted average of its box, as an area
        // average shrinks.
        const QImage expected = pattern.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                    .scaled(c.delivered, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_LE(max_difference(sink.image(), expected), 2) << c.wanted.width();
    }
}

TEST_F(PngDecoder, SixteenBitColourKeyMakesExactlyThatColourTransparent) {
    // The key differs from its neighbour only in the low bytes, which
    // rounding to 8 bits would lose.
    const std::string rows = rgb16_rows({{0x1234, 0x5678, 0x9abc, 0x12ff, 0x5678, 0x9abc},
                                         {0xffff, 0x0000, 0x8080, 0x1234, 0x5678, 0x9abc}});
    const std::string key = std::string{'\x12', '\x34', '\x56', '\x78', '\x9a', '\xbc'};
    const std::string path = file("key16.png", png(ihdr(2, 2, 16, 2), png_chunk("tRNS", key), deflated(rows)));
    const Decoded d = decode_png_file(path);
    ASSERT_TRUE(d.decoded);
    EXPECT_EQ(d.image.format(), QImage::Format_RGBA8888);
    EXPECT_EQ(qAlpha(d.image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(d.image.pixel(1, 1)), 0);
    // Rounded, not cut to the high byte: 0x12ff is 0x13.
    EXPECT_EQ(d.image.pixel(1, 0), qRgb(0x13, 0x56, 0x9a));
    EXPECT_EQ(d.image.pixel(0, 1), qRgb(0xff, 0x00, 0x80));
}

TEST_F(PngDecoder, RowFormatFollowsWhetherThePictureCanBeTransparent) {
    const std::string opaque_rows = std::string("\0", 1) + "\x10\x20\x30\x40\x50\x60";
    const Decoded rgb = decode_png_file(file("rgb.png", png(ihdr(2, 1, 8, 2), "", deflated(opaque_rows))));
    ASSERT_TRUE(rgb.decoded);
    EXPECT_FALSE(rgb.image.hasAlphaChannel());
    EXPECT_EQ(rgb.image.pixel(1, 0), qRgb(0x40, 0x50, 0x60));

    // A grey picture with a colour key, and a palette with alpha.
    const std::string grey_rows = std::string("\0\x07\x08", 3);
    const Decoded grey = decode_png_file(
        file("grey.png", png(ihdr(2, 1, 8, 0), png_chunk("tRNS", std::string("\0\x07", 2)), deflated(grey_rows))));
    ASSERT_TRUE(grey.decoded);
    EXPECT_EQ(grey.image.format(), QImage::Format_RGBA8888);
    EXPECT_EQ(qAlpha(grey.image.pixel(0, 0)), 0);
    EXPECT_EQ(grey.image.pixel(1, 0), qRgb(8, 8, 8));

    const std::string palette = png_chunk("PLTE", std::string("\xff\x00\x00\x00\x00\xff", 6));
    const std::string index_rows = std::string("\0\x01\x00", 3);
    const Decoded indexed = decode_png_file(
        file("pal.png", png(ihdr(2, 1, 8, 3), palette + png_chunk("tRNS", "\x80"), deflated(index_rows))));
    ASSERT_TRUE(indexed.decoded);
    EXPECT_EQ(indexed.image.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(indexed.image.pixelColor(1, 0).alpha(), 0x80);
    const Decoded plain_indexed =
        decode_png_file(file("pal-opaque.png", png(ihdr(2, 1, 8, 3), palette, deflated(index_rows))));
    ASSERT_TRUE(plain_indexed.decoded);
    EXPECT_FALSE(plain_indexed.image.hasAlphaChannel());
}

TEST_F(PngDecoder, DamageInThePixelsFailsAndDamageInTextIsDropped) {
    std::string raw;
    for (int y = 0; y < 64; ++y) raw += std::string(1, '\0') + std::string(64 * 3, char(y));
    const std::string good = png(ihdr(64, 64, 8, 2), png_chunk("tEXt", std::string("Title\0x", 7)), deflated(raw));
    ASSERT_TRUE(decode_png_file(file("good.png", good)).decoded);

    // Cut in the middle of the image data: the header still reads.
    const std::string cut_path = file("cut.png", good.substr(0, good.size() - 40));
    const Decoded cut = decode_png_file(cut_path);
    EXPECT_TRUE(cut.info);
    EXPECT_FALSE(cut.decoded);

    // A flipped byte in the image data breaks the chunk's checksum.
    std::string bad_data = good;
    bad_data[good.find("IDAT") + 10] ^= 0x01;
    EXPECT_FALSE(decode_png_file(file("crc.png", bad_data)).decoded);

    // The same in a text chunk only loses the text.
    std::string bad_text = good;
    bad_text[good.find("tEXt") + 5] ^= 0x01;
    const Decoded text = decode_png_file(file("text.png", bad_text));
    EXPECT_TRUE(text.decoded);
    EXPECT_EQ(text.image.pixel(5, 9), qRgb(9, 9, 9));

    // A sink without memory stops the decode.
    CountingSink refusing(false);
    EXPECT_FALSE(decode_into(file("good2.png", good), refusing));
    EXPECT_EQ(refusing.rows_done, 0);
}

TEST_F(PngDecoder, HeaderOverTheSizeCapIsRefused) {
    const std::string zdata = deflated(std::string(2, '\0'));
    for (const auto& [w, h] : std::vector<std::pair<uint32_t, uint32_t>>{{32769, 1}, {1, 32769}, {32768, 8193}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        const Decoded d = decode_png_file(file("big.png", png(ihdr(w, h, 8, 0), "", zdata)));
        EXPECT_FALSE(d.info);
    }
    EXPECT_TRUE(decode_png_file(file("cap.png", png(ihdr(32768, 4096, 1, 0), "", zdata))).info);
}

}  // namespace
}  // namespace tervo::testing
